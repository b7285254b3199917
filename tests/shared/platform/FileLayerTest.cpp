#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AlignedBytes.h"
#include "Errors.h"
#include "FileSizeLimit.h"
#include "ReadOnlyFile.h"
#include "ReplacingFile.h"
#include "ReplacingFileSet.h"
#include "TempDir.h"

namespace {

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Text(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

template <typename Error, typename Action>
std::string MessageOf(Action action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace

TEST(ReplacingFile, ReplacesTheTargetOnlyWhenCommitted) {
    TempDir dir;
    const std::string target = dir.Write("out.bin", {'o', 'l', 'd'});
    {
        ReplacingFile abandoned(target);
        abandoned.Write("partial");
    }
    EXPECT_EQ(Text(target), "old");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"out.bin"});

    ReplacingFile file(target, 4);  // a buffer smaller than the writes
    file.Write("new contents");
    EXPECT_EQ(Text(target), "old") << "the old file stays until the new one is whole";
    file.Commit();
    EXPECT_EQ(Text(target), "new contents");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"out.bin"});
}

TEST(ReplacingFile, RemovesTheTemporariesOfEarlierRunsForTheSameFile) {
    namespace fs = std::filesystem;
    TempDir dir;
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name :
         {".out.bin.123456.part", ".out.bin.7.part", ".out.bin.12.part.keep",
          ".out.bin.1234567.part", ".other.bin.12.part", ".out.bin.x1.part", ".out.bin.55.part"}) {
        dir.Write(name, {'x'});
        // One written since this run began, which may be another run's still at work.
        const bool fresh = std::string(name) == ".out.bin.55.part";
        fs::last_write_time(dir / name, fresh ? hourAgo + std::chrono::hours(2) : hourAgo);
    }
    // Not a file of its own: the folder stays.
    fs::create_directory(dir / ".out.bin.8.part");
    fs::last_write_time(dir / ".out.bin.8.part", hourAgo);
    ReplacingFile file(dir / "out.bin");
    file.Write("new");
    file.Commit();
    EXPECT_EQ(FilesIn(dir.Path()),
              (std::vector<std::string>{".other.bin.12.part", ".out.bin.12.part.keep",
                                        ".out.bin.1234567.part", ".out.bin.55.part",
                                        ".out.bin.8.part", ".out.bin.x1.part", "out.bin"}));
}

TEST(ReplacingFile, ScratchFilesAreRewrittenInPlace) {
    TempDir dir;
    const std::string target = dir.Write("input", {'o', 'l', 'd', ' ', 'l', 'o', 'n', 'g'});
    struct stat before {};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    ReplacingFile file(target, 3, Durability::Scratch);
    file.Write("new");
    file.ExtendTo(5);
    file.Write("!");
    file.Commit();
    EXPECT_EQ(Text(target), std::string("new\0\0!", 6));
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"input"});

    // Holes and placed writes alone, through a link, which stays.
    std::filesystem::create_symlink(target, dir / "link");
    ReplacingFile grid(dir / "link", Durability::Scratch);
    grid.ExtendTo(4);
    grid.WriteAt(1, "ab", 2);
    grid.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(Text(target), std::string("\0ab\0", 4));
}

TEST(ReplacingFile, PlacedPiecesKeepEveryByteWhereverTheyLieInMemoryAndFile) {
    // Whole blocks go to the disk directly, the ends of pieces through the cache: a piece written
    // over another must win in both, whichever way each part went.
    TempDir dir;
    constexpr std::size_t block = ReplacingFile::kBlockBytes;
    const std::size_t length = 7 * block + 123;
    std::vector<std::uint8_t> expected(length);
    for (std::size_t i = 0; i < length; ++i) expected[i] = std::uint8_t(i * 7 + i / 251);
    AlignedBytes memory(length + 2 * block, block);
    // A piece at offset from the file's start, placed in memory as in the file or a byte off.
    const auto put = [&](ReplacingFile& file, std::size_t from, std::size_t to, bool aligned,
                         std::uint8_t garbage) {
        std::uint8_t* at = memory.data() + from % block + (aligned ? 0 : 1);
        for (std::size_t i = from; i < to; ++i) at[i - from] = garbage ? garbage : expected[i];
        file.WriteAt(from, at, to - from);
    };
    const std::string target = dir / "placed.bin";
    ReplacingFile file(target);
    file.Write(expected.data(), 54);  // a header, as a bitmap file's
    file.ExtendTo(length);
    put(file, block / 2, 4 * block + 10, true, 'x');
    put(file, 5 * block + 17, length, true, 0);
    put(file, 2 * block + 1000, 5 * block + 17, false, 0);
    put(file, 54, 2 * block + 1000, true, 0);
    file.Commit();
    const std::vector<std::uint8_t> written = ReadWholeFile(target);
    EXPECT_TRUE(written == expected);
}

TEST(ReplacingFile, WritesThroughALinkAndKeepsIt) {
    TempDir dir;
    const std::string real = dir.Write("real.bin", {'o', 'l', 'd'});
    std::filesystem::create_symlink(real, dir / "link.bin");
    ReplacingFile file(dir / "link.bin");
    file.Write("new");
    file.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bin"));
    EXPECT_EQ(Text(real), "new");
}

TEST(ReplacingFile, FailuresNameTheFileAndTheReasonAndLeaveNothing) {
    TempDir dir;
    const std::string missing = dir / "no-such-folder/out.bin";
    EXPECT_EQ(MessageOf<EFOpenError>([&] { ReplacingFile file(missing); }),
              "Cannot create file: " + missing + ": No such file or directory");

    // A file-size limit refuses the write the way a full disk would.
    const std::string target = dir.Write("big.bin", {'o', 'l', 'd'});
    const std::string message = MessageOf<EInOutError>([&] {
        FileSizeLimit limit(1000);
        ReplacingFile file(target, 64);
        file.Write(std::string(5000, 'x'));
        file.Commit();
    });
    EXPECT_EQ(message, "Cannot write file: " + target + ": File too large");
    EXPECT_EQ(Text(target), "old");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"big.bin"});
}

TEST(ReplacingFile, ATargetThatCannotBeReplacedStaysAsItWas) {
    TempDir dir;
    std::filesystem::create_directory(dir / "blocked");
    dir.Write("blocked/keep", {1});
    const std::string message = MessageOf<EInOutError>([&] {
        ReplacingFile file(dir / "blocked");
        file.Write("x");
        file.Commit();
    });
    EXPECT_EQ(message.rfind("Cannot write file: " + (dir / "blocked") + ": ", 0), 0u) << message;
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"blocked"});
    EXPECT_EQ(FilesIn(dir / "blocked"), std::vector<std::string>{"keep"});
}

TEST(ReadOnlyFile, ReadsExactlyAtAPositionAndRefusesPastTheEnd) {
    TempDir dir;
    const ReadOnlyFile file(dir.Write("data.bin", {1, 2, 3, 4, 5}));
    EXPECT_EQ(file.Size(), 5u);
    std::uint8_t bytes[3] = {};
    ASSERT_TRUE(file.ReadExactAt(2, bytes, 3));
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[2], 5);
    EXPECT_FALSE(file.ReadExactAt(3, bytes, 3));
    EXPECT_EQ(file.ReadAt(3, bytes, 3), 2u);
    EXPECT_EQ(file.ReadAt(1u << 30, bytes, 3), 0u);
}

TEST(ReadOnlyFile, OpenFailuresNameTheFileAndTheReason) {
    TempDir dir;
    const std::string missing = dir / "missing.bin";
    EXPECT_EQ(MessageOf<EFOpenError>([&] { ReadWholeFile(missing); }),
              "Cannot open file: " + missing + ": No such file or directory");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { ReadOnlyFile file(dir.Folder()); }),
              "Cannot open file: " + dir.Folder() + ": Is a directory");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { ReadOnlyFile file("/dev/null"); }),
              "Cannot open file: /dev/null: not a regular file");
    const ReadOnlyFile device("/dev/zero", {.accept = ReadOnlyFile::Accept::AnythingButFolders});
    EXPECT_EQ(device.Size(), 0u) << "an endless device counts as empty";
    EXPECT_TRUE(ReadWholeFile(dir.Write("empty", {})).empty());
}

TEST(ReplacingFile, ExtendsWithZerosBetweenWrites) {
    TempDir dir;
    ReplacingFile file(dir / "grid.bin", 2);
    file.Write("ab");
    file.ExtendTo(5);
    file.Write("c");
    file.ExtendTo(3);  // already longer
    file.Commit();
    EXPECT_EQ(Text(dir / "grid.bin"), std::string("ab\0\0\0c", 6));
}

namespace {

// The state a run killed between two renames leaves: a journal of both, the first done.
void LeaveHalfReplacedPair(const TempDir& dir) {
    dir.Write("a.dem", {'n', 'e', 'w'});
    dir.Write("b.dem", {'o', 'l', 'd'});
    dir.Write(".b.dem.42.part", {'n', 'e', 'w'});
    using namespace std::string_literals;
    const std::string journal =
        "varnholt pending renames\n.a.dem.7.part\0a.dem\0.b.dem.42.part\0"s + (dir / "b.dem") +
        '\0';
    dir.Write(".pending-renames", std::vector<unsigned char>(journal.begin(), journal.end()));
}

}  // namespace

TEST(ReplacingFileSet, ReplacesAllFilesTogetherOrNoneOnAFailure) {
    TempDir dir;
    dir.Write("a.dem", {'o', 'l', 'd'});
    dir.Write("b.dem", {'o', 'l', 'd'});
    {
        ReplacingFileSet set(dir.Folder());
        set.Add("a.dem").Write("new");
        set.Add("b.dem").Write("new");
        set.Add("c.dem").Write("new");
        EXPECT_EQ(Text(dir / "a.dem"), "old");
        set.Commit();
    }
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"a.dem", "b.dem", "c.dem"}));
    EXPECT_EQ(Text(dir / "a.dem") + Text(dir / "b.dem") + Text(dir / "c.dem"), "newnewnew");

    const std::string message = MessageOf<EInOutError>([&] {
        FileSizeLimit limit(1000);
        ReplacingFileSet set(dir.Path().string());
        set.Add("a.dem", 64).Write("1st");
        set.Add("b.dem", 64).Write(std::string(5000, 'x'));
        set.Commit();
    });
    EXPECT_EQ(message, "Cannot write file: " + (dir / "b.dem") + ": File too large");
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"a.dem", "b.dem", "c.dem"}));
    EXPECT_EQ(Text(dir / "a.dem") + Text(dir / "b.dem"), "newnew");
}

TEST(ReplacingFileSet, RenamesAKilledRunLeftAreFinishedBeforeTheNextSetWrites) {
    TempDir dir;
    LeaveHalfReplacedPair(dir);
    EXPECT_TRUE(ReplacementPending(dir.Folder()));
    {
        ReplacingFileSet set(dir.Path().string());
        EXPECT_FALSE(ReplacementPending(dir.Folder()));
        EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"a.dem", "b.dem"}));
        EXPECT_EQ(Text(dir / "a.dem") + Text(dir / "b.dem"), "newnew");
    }
    // Renames all done, the journal not yet removed: nothing is pending.
    LeaveHalfReplacedPair(dir);
    std::filesystem::remove(dir / ".b.dem.42.part");
    EXPECT_FALSE(ReplacementPending(dir.Folder()));
}

TEST(ReplacingFileSet, AJournalThatIsNoneOfOursIsReportedAndKept) {
    TempDir dir;
    for (const std::string& text :
         {std::string("rename everything\n"), std::string("varnholt pending renames\nodd\0", 29),
          std::string("varnholt pending renames\nunended")}) {
        const std::string journal =
            dir.Write(".pending-renames", std::vector<unsigned char>(text.begin(), text.end()));
        EXPECT_TRUE(ReplacementPending(dir.Path().string()));
        EXPECT_EQ(MessageOf<EInOutError>([&] { ReplacingFileSet set(dir.Folder()); }),
                  "Cannot read file: " + journal + ": not a list of pending renames");
        EXPECT_TRUE(std::filesystem::exists(journal));
    }
}
