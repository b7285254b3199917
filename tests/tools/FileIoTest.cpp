#include <gtest/gtest.h>

#include <filesystem>

#include "Errors.h"
#include "FileIo.h"
#include "TempDir.h"
#include "ToolTestSupport.h"

namespace {

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

}  // namespace

TEST(OutputFile, AppearsOnlyWhenCommittedAndReplacesTheOldFile) {
    TempDir dir;
    std::string target = dir.Write("out.bin", ToBytes("old"));
    {
        OutputFile file(target);
        file.Write("new contents");
        EXPECT_EQ(ReadText(target), "old") << "the old file stays until the new one is whole";
        file.Commit();
    }
    EXPECT_EQ(ReadText(target), "new contents");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(OutputFile, AbandonedOutputLeavesNothingBehind) {
    TempDir dir;
    {
        OutputFile file(dir / "never.bin");
        file.Write("partial");
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(FileIo, FailuresNameTheFile) {
    TempDir dir;
    try {
        OutputFile file(dir / "no-such-folder/out.bin");
        FAIL() << "no error";
    } catch (const EFOpenError& error) {
        EXPECT_NE(std::string(error.what()).find("no-such-folder/out.bin"), std::string::npos);
    }
    EXPECT_THROW(ReadWholeFile(dir / "missing.bin"), EFOpenError);
    EXPECT_THROW(ReadWholeFile(dir.Path().string()), EFOpenError);
    std::string empty = dir.Write("empty", {});
    EXPECT_TRUE(ReadWholeFile(empty).empty());
}
