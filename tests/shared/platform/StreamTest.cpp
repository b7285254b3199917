#include <gtest/gtest.h>

#include <filesystem>

#include "Errors.h"
#include "Stream.h"
#include "TempDir.h"

namespace {
std::vector<std::uint8_t> Contents(const std::string& fileName) {
    MemoryStream stream;
    stream.LoadFromFile(fileName);
    return stream.Data();
}
}  // namespace

TEST(MemoryStream, ReadsWhatIsThereAndGrowsWhereWritten) {
    MemoryStream stream({1, 2, 3});
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 3u);
    EXPECT_EQ(stream.Read(buffer, 4), 0u);
    stream.SetPosition(1);
    EXPECT_THROW(stream.ReadBuffer(buffer, 3), EInOutError);

    stream.SetPosition(5);  // past the end: the gap fills with zeros
    stream.WriteBuffer("\x09", 1);
    EXPECT_EQ(stream.Data(), (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 9}));
    EXPECT_EQ(stream.Size(), 6u);
    EXPECT_EQ(stream.Position(), 6u);
}

TEST(FileStream, ReadsInOrderAndReportsShortReadsAndMissingFiles) {
    TempDir folder;
    std::string name = folder.Write("data.bin", {'a', 'b', 'X', 'd', 'e', 'f'});
    FileStream in(name, FileStream::Mode::Read);
    EXPECT_EQ(in.Size(), 6u);
    char text[6];
    in.ReadBuffer(text, 6);
    EXPECT_EQ(std::string(text, 6), "abXdef");
    EXPECT_EQ(in.Position(), 6u);
    try {
        in.ReadBuffer(text, 1);
        ADD_FAILURE() << "read past the end";
    } catch (const EInOutError& error) {
        EXPECT_STREQ(error.what(), "Stream read error");
    }
    try {
        FileStream missing(folder / "missing.bin", FileStream::Mode::Read);
        ADD_FAILURE() << "opened a missing file";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file: " + (folder / "missing.bin"));
    }
}

TEST(ReplacingFileStream, WritesInOrderOnly) {
    TempDir folder;
    ReplacingFileStream out(folder / "image.png");
    out.WriteBuffer("abc", 3);
    EXPECT_EQ(out.Position(), 3u);
    EXPECT_THROW(out.SetPosition(1), EInOutError);
    out.Commit();
    EXPECT_EQ(Contents(folder / "image.png"), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
}
