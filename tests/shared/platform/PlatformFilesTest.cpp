#include <gtest/gtest.h>

#include <string>

#include "Errors.h"
#include "FileLookup.h"
#include "MappedFile.h"
#include "TempDir.h"

TEST(MappedFile, MapsWholeFilesAndEmptyFilesToNothing) {
    TempDir dir;
    MappedFile file(dir.Write("grid.bin", {1, 2, 3, 250}));
    ASSERT_EQ(file.Size(), 4u);
    EXPECT_EQ(file.Data()[3], 250);
    MappedFile empty(dir.Write("empty.bin", {}));
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_EQ(empty.Data(), nullptr);
}

TEST(MappedFile, MissingFilesAndFoldersFailWithTheirPath) {
    TempDir dir;
    try {
        MappedFile missing(dir / "absent.dem");
        FAIL() << "a missing file opened";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file: " + (dir / "absent.dem"));
    }
    EXPECT_THROW(MappedFile folder(dir.Folder()), EFOpenError);
}

TEST(FileLookup, FixedNamesAreFoundInOtherCapitalsButNeverAsFolders) {
    TempDir dir;
    dir.Write("W180N90.DEM", {0});
    dir.Write("Exact.dem", {0});
    dir.Write("exact.DEM", {0});
    std::filesystem::create_directory(dir.Path() / "W140N90.DEM");
    EXPECT_EQ(ResolveFileName(dir.Folder(), "W180N90.dem"), dir / "W180N90.DEM");
    EXPECT_EQ(ResolveFileName(dir.Folder(), "exact.DEM"), dir / "exact.DEM");
    EXPECT_EQ(ResolveFileName(dir.Folder(), "EXACT.dem"), dir / "Exact.dem");
    EXPECT_EQ(ResolveFileName(dir.Folder(), "W140N90.dem"), dir / "W140N90.dem");
    EXPECT_FALSE(FileExists(dir.Folder()));
    // A folder without its final separator runs together with the name and finds nothing.
    const std::string runTogether = dir.Path().string() + "W180N90.dem";
    EXPECT_EQ(ResolveFileName(dir.Path().string(), "W180N90.dem"), runTogether);
    EXPECT_FALSE(FileExists(runTogether));
}
