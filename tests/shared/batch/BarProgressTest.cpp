#include <gtest/gtest.h>

#include <sstream>

#include "BarProgress.h"
#include "ProgressPrinter.h"

namespace {
constexpr const char* kFullLine = "0...10...20...30...40...50...60...70...80...90...100 - done.\n";
}

TEST(BarProgress, WholeRunPrintsOneLineInStepsOfTwoAndAHalfPercent) {
    std::ostringstream out;
    batch::BarProgress progress(out);
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

TEST(BarProgress, BarSetBackStartsANewLineAndBreakLineEndsAnOpenOne) {
    std::ostringstream out;
    batch::BarProgress progress(out);
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

TEST(BarProgress, OffsetAndEmptyRangesAreSafe) {
    std::ostringstream out;
    batch::BarProgress progress(out);
    progress.Update(-100, -100, -100);
    progress.Update(5, 3, 4);
    EXPECT_EQ(out.str(), "");
    progress.Update(-2147483647, 2147483647, 0);  // half way, without overflow
    EXPECT_EQ(out.str(), "0...10...20...30...40...50");
}

TEST(ProgressPrinter, FractionsOfWholeCountsLandOnTheirTicksAndDisabledPrintsNothing) {
    std::ostringstream out;
    app::ProgressPrinter printer(out);
    for (int done = 0; done <= 10; ++done) printer.Report(done / 10.0);
    EXPECT_EQ(out.str(), kFullLine);
    printer.Report(0.7);  // a second pass
    EXPECT_EQ(out.str(), std::string(kFullLine) + "0...10...20...30...40...50...60...70");
    printer.Report(2.0);
    EXPECT_EQ(out.str(), std::string(kFullLine) + kFullLine);

    std::ostringstream quiet;
    app::ProgressPrinter off(quiet, false);
    off.Report(0.5);
    off.Report(1.0);
    EXPECT_EQ(quiet.str(), "");
}
