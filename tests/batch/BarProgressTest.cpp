#include <gtest/gtest.h>

#include <sstream>

#include "TerminalProgress.h"

namespace {
constexpr const char* kFullLine = "0...10...20...30...40...50...60...70...80...90...100 - done.\n";
}

TEST(TerminalProgress, WholeRunPrintsOneLineInStepsOfTwoAndAHalfPercent) {
    std::ostringstream out;
    batch::TerminalProgress progress(out);
    ui::ProgressBar bar("ProgressBar");
    bar.SetMax(33);
    progress.Bind(bar);
    bar.SetPosition(0);
    EXPECT_EQ(out.str(), "");  // nothing until the bar moves
    bar.SetPosition(1);
    EXPECT_EQ(out.str(), "0.");  // 3 %: one dot
    bar.SetPosition(4);
    EXPECT_EQ(out.str(), "0...10");  // 12 %: not yet 12.5
    for (int tile = 5; tile <= 33; ++tile) bar.StepBy(1);
    EXPECT_EQ(out.str(), kFullLine);
    bar.Repaint();
    EXPECT_EQ(out.str(), kFullLine);
}

TEST(TerminalProgress, BarSetBackStartsANewLineAndBreakLineEndsAnOpenOne) {
    std::ostringstream out;
    batch::TerminalProgress progress(out);
    ui::ProgressBar bar("ProgressBarPercent");
    progress.Bind(bar);
    bar.SetPosition(50);
    progress.BreakLine();
    progress.BreakLine();
    bar.SetPosition(60);
    bar.SetPosition(10);  // the next pass
    EXPECT_EQ(out.str(), "0...10...20...30...40...50\n...60\n0...10");
    progress.Unbind();
    EXPECT_EQ(out.str(), "0...10...20...30...40...50\n...60\n0...10\n");
    bar.SetPosition(90);  // no longer followed
    EXPECT_EQ(out.str(), "0...10...20...30...40...50\n...60\n0...10\n");
}

TEST(TerminalProgress, OffsetAndEmptyRangesAreSafe) {
    std::ostringstream out;
    batch::TerminalProgress progress(out);
    progress.Update(-100, -100, -100);
    progress.Update(5, 3, 4);
    EXPECT_EQ(out.str(), "");
    progress.Update(-2147483647, 2147483647, 0);  // half way, without overflow
    EXPECT_EQ(out.str(), "0...10...20...30...40...50");
}
