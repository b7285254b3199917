#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Errors.h"
#include "PNG_IO.h"
#include "PngFiles.h"
#include "TempDir.h"

namespace {

using namespace pngfiles;

Bitmap GreyOf(int width, int height, int (*value)(int x, int y)) {
    Bitmap bitmap(width, height, PixelFormat::Indexed8);
    SetGreyPalette(bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.Row(y)[x] = std::uint8_t(value(x, y));
    return bitmap;
}

// Everything but the time of writing.
std::vector<Chunk> ChunksWithoutTime(const std::string& file) {
    std::vector<Chunk> chunks = FileChunks(file);
    std::erase_if(chunks, [](const Chunk& chunk) { return chunk.type == "tIME"; });
    return chunks;
}

PngFileJob JobFor(const Bitmap& bitmap, std::string fileName) {
    return {&bitmap, std::move(fileName), "A. Uthor", "Heights", "Terrafold", "World"};
}

}  // namespace

TEST(PngSaveTogether, FilesMatchThoseWrittenOneAfterTheOther) {
    // One row, one column, equal neighbours where Paeth's predictors tie, and a 0/255 mask.
    const std::vector<Bitmap> images = {
        GreyOf(301, 1, [](int x, int) { return x * 37 % 256; }),
        GreyOf(1, 257, [](int, int y) { return y % 3 == 0 ? 255 : y; }),
        GreyOf(64, 48, [](int x, int y) { return (x / 4 + y / 4) % 2 * 100; }),
        GreyOf(200, 100, [](int x, int y) { return (x * x + y * y) % 900 < 450 ? 255 : 0; }),
    };
    TempDir folder;
    std::vector<PngFileJob> jobs;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string name = "image" + std::to_string(i) + ".png";
        SaveBitmapToPng(images[i], folder / ("alone-" + name), "A. Uthor", "Heights", "Terrafold",
                        "World");
        jobs.push_back(JobFor(images[i], folder / name));
    }
    SaveBitmapsToPng(jobs);
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string name = "image" + std::to_string(i) + ".png";
        EXPECT_EQ(ChunksWithoutTime(folder / name), ChunksWithoutTime(folder / ("alone-" + name)))
            << name;
    }
}

TEST(PngSaveTogether, AFailureLeavesTheFilesAsWritingInTurnWould) {
    const Bitmap image = GreyOf(40, 30, [](int x, int y) { return x ^ y; });
    TempDir folder;
    const std::string missing = folder / "no-such-folder/mask.png";
    std::string alone;
    try {
        SaveBitmapToPng(image, missing, "", "", "", "");
    } catch (const VarnholtError& error) {
        alone = error.what();
    }
    ASSERT_FALSE(alone.empty());

    // Failing second: the first is in place, and the error is the one writing alone gives.
    try {
        SaveBitmapsToPng({JobFor(image, folder / "topo.png"), JobFor(image, missing)});
        ADD_FAILURE() << "the missing folder was not reported";
    } catch (const VarnholtError& error) {
        EXPECT_EQ(error.what(), alone);
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "topo.png"));

    // Failing first: the second, though written, does not replace what was there.
    const std::string old = folder.Write("mask.png", {'o', 'l', 'd'});
    try {
        SaveBitmapsToPng({JobFor(image, missing), JobFor(image, old)});
        ADD_FAILURE() << "the missing folder was not reported";
    } catch (const VarnholtError& error) {
        EXPECT_EQ(error.what(), alone);
    }
    EXPECT_EQ(ReadFile(old), (Bytes{'o', 'l', 'd'}));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"mask.png", "topo.png"}));
}

TEST(PngSaveTogether, FilesWrittenAsRowsArriveMatchThoseOfFinishedImages) {
    const Bitmap heights = GreyOf(300, 257, [](int x, int y) { return (x * y + x) % 251; });
    const Bitmap mask = GreyOf(300, 257, [](int x, int y) { return (x + y) % 7 < 3 ? 255 : 0; });
    TempDir folder;
    SaveBitmapsToPng(
        {JobFor(heights, folder / "alone-heights.png"), JobFor(mask, folder / "alone-mask.png")});

    // Rows arrive in uneven runs; the mask waits for the last one.
    Bitmap growingHeights(300, 257, PixelFormat::Indexed8), growingMask = growingHeights;
    SetGreyPalette(growingHeights);
    SetGreyPalette(growingMask);
    PngFileJob maskJob = JobFor(growingMask, folder / "mask.png");
    maskJob.afterLastRow = true;
    PngFilesAsRowsArrive files({JobFor(growingHeights, folder / "heights.png"), maskJob});
    for (int rows = 0; rows < 257;) {
        const int next = std::min(257, rows + 1 + rows % 40);
        for (int y = rows; y < next; ++y) {
            std::copy_n(heights.Row(y), 300, growingHeights.Row(y));
            std::copy_n(mask.Row(y), 300, growingMask.Row(y));
        }
        files.RowsReady(next);
        rows = next;
    }
    files.Commit();
    EXPECT_EQ(ChunksWithoutTime(folder / "heights.png"),
              ChunksWithoutTime(folder / "alone-heights.png"));
    EXPECT_EQ(ChunksWithoutTime(folder / "mask.png"), ChunksWithoutTime(folder / "alone-mask.png"));

    // Abandoned part-way: nothing replaced, nothing left behind.
    const std::string old = folder.Write("old.png", {'o', 'l', 'd'});
    {
        PngFilesAsRowsArrive abandoned({JobFor(heights, old), JobFor(mask, folder / "new.png")});
        abandoned.RowsReady(100);
    }
    EXPECT_EQ(ReadFile(old), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(std::filesystem::exists(folder / "new.png"));
    std::size_t filesLeft = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++filesLeft;
    EXPECT_EQ(filesLeft, 5u);
}

TEST(PngSaveTogether, FilesMadeInBandsMatchThoseOfWholeImages) {
    // Bands of 4 rows in two bitmaps each, reused every other band: a row read late would
    // show the rows of a later band.
    const Bitmap heights = GreyOf(37, 29, [](int x, int y) { return (x * y + 3 * x) % 251; });
    Bitmap palette = GreyOf(37, 29, [](int x, int y) { return (x + y) % 5; });
    palette.SetPalette({{0, 0, 0}, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {1, 2, 3}});
    TempDir folder;
    SaveBitmapsToPng({JobFor(heights, folder / "alone-heights.png"),
                      JobFor(palette, folder / "alone-palette.png")});

    {
        PngFilesInBands files(
            {JobFor(heights, folder / "heights.png"), JobFor(palette, folder / "palette.png")}, 37,
            29, 4);
        int rows = 0;
        while (files.StartBand()) {
            EXPECT_EQ(files.FirstRow(), rows);
            for (int r = 0; r < files.Rows(); ++r) {
                std::copy_n(heights.Row(rows + r), 37, files.Band(0).Row(r));
                std::copy_n(palette.Row(rows + r), 37, files.Band(1).Row(r));
            }
            rows += files.Rows();
            files.FinishBand();
            EXPECT_FALSE(std::filesystem::exists(folder / "heights.png"));
        }
        EXPECT_EQ(rows, 29);
        files.Commit();
    }
    EXPECT_EQ(ChunksWithoutTime(folder / "heights.png"),
              ChunksWithoutTime(folder / "alone-heights.png"));
    EXPECT_EQ(ChunksWithoutTime(folder / "palette.png"),
              ChunksWithoutTime(folder / "alone-palette.png"));

    // A file that cannot be written fails Commit, however many bands the others still take;
    // abandoned part-way, nothing is replaced.
    {
        PngFilesInBands files({JobFor(heights, folder / "no-such-folder/a.png")}, 37, 29, 2);
        while (files.StartBand()) files.FinishBand();
        EXPECT_THROW(files.Commit(), VarnholtError);
    }
    const std::string old = folder.Write("old.png", {'o', 'l', 'd'});
    {
        PngFilesInBands abandoned({JobFor(heights, old)}, 37, 29, 4);
        abandoned.StartBand();
        abandoned.FinishBand();
    }
    EXPECT_EQ(ReadFile(old), (Bytes{'o', 'l', 'd'}));
}

// An 8-bit bitmap written as RGB gives the file its 24-bit form gives, row filters included:
// palette colours, greys past the palette's end, one row, one column.
TEST(PngSaveAsRgb, IndexedBitmapGivesTheFileOfItsColours) {
    TempDir folder;
    for (auto [width, height] : {std::pair{37, 23}, {1, 9}, {40, 1}}) {
        Bitmap indexed(width, height, PixelFormat::Indexed8);
        indexed.SetPalette({{255, 255, 255}, {0, 0, 0}, {200, 30, 7}, {1, 2, 3}, {90, 90, 91}});
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                indexed.Row(y)[x] = std::uint8_t(y % 4 == 3 ? 1 : (x * 7 + y * y) % 9);
        Bitmap colours = indexed;
        colours.SetFormat(PixelFormat::Bgr24);
        const std::string name = std::to_string(width) + "x" + std::to_string(height);
        ASSERT_TRUE(SaveBitmapToRgbPng(indexed, folder / (name + ".png"), "A", "B", "C", "D"));
        ASSERT_TRUE(SaveBitmapToPng(colours, folder / (name + "-24.png"), "A", "B", "C", "D"));
        EXPECT_EQ(ChunksWithoutTime(folder / (name + ".png")),
                  ChunksWithoutTime(folder / (name + "-24.png")))
            << name;
    }
}

// A width that leaves part of the last byte, black and white from either format.
TEST(PngSaveAsRgb, TwoLevelFileHoldsTheBlackAndWhiteOfTheBitmap) {
    TempDir folder;
    Bitmap indexed(13, 5, PixelFormat::Indexed8);
    SetGreyPalette(indexed);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x) indexed.Row(y)[x] = (x * y) % 3 == 0 ? 255 : 0;
    Bitmap colours = indexed;
    colours.SetFormat(PixelFormat::Bgr24);
    for (const Bitmap* bitmap : {&indexed, &colours}) {
        ASSERT_TRUE(SaveBitmapToTwoLevelPng(*bitmap, folder / "map.png", "", "", "", ""));
        Bitmap read;
        ASSERT_TRUE(LoadPngToBitmap(read, folder / "map.png", true));
        ASSERT_EQ(read.Width(), 13);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                EXPECT_EQ(read.PixelColour(x, y), indexed.PixelColour(x, y)) << x << "," << y;
    }
}
