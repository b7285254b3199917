#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "BmpFile.h"
#include "Errors.h"
#include "FileContents.h"
#include "TempDir.h"

namespace {
std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

QImage ReadBack(const std::string& path) {
    QImage image;
    EXPECT_TRUE(image.load(QString::fromStdString(path), "BMP"));
    return image;
}
}  // namespace

TEST(BmpFile, TrueColourOddWidthReadsBackPixelForPixel) {
    TempDir folder;
    Bitmap bitmap(5, 3, PixelFormat::Bgr24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bitmap.SetPixelColour(x, y,
                                  MakeColour(std::uint8_t(40 * x + 1), std::uint8_t(70 * y),
                                             std::uint8_t(x * y + 9)));
    const std::string path = folder / "colour.bmp";
    SaveBitmapToBmp(bitmap, path);

    // 15 bytes of pixels a row padded to 16, after the 54 bytes of headers.
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 3 * 16);
    const QImage image = ReadBack(path);
    ASSERT_EQ(image.width(), 5);
    ASSERT_EQ(image.height(), 3);
    EXPECT_EQ(image.depth(), 32);  // Qt reads 24-bit files as RGB32
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const Colour c = bitmap.PixelColour(x, y);
            EXPECT_EQ(image.pixel(x, y), qRgb(RedOf(c), GreenOf(c), BlueOf(c))) << x << "," << y;
        }
}

TEST(BmpFile, IndexedBitmapKeepsItsPaletteAndIndices) {
    TempDir folder;
    Bitmap bitmap(7, 2, PixelFormat::Indexed8);
    bitmap.SetPalette({{255, 0, 0}, {0, 128, 0}, {10, 20, 30}});
    for (int x = 0; x < 7; ++x) {
        bitmap.Row(0)[x] = std::uint8_t(x % 3);
        bitmap.Row(1)[x] = std::uint8_t(x == 6 ? 77 : (x + 2) % 3);  // 77 lies past the palette
    }
    const std::string path = folder / "indexed.bmp";
    SaveBitmapToBmp(bitmap, path);

    const QImage image = ReadBack(path);
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(image.width(), 7);
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(image.color(1), qRgb(0, 128, 0));
    EXPECT_EQ(image.color(2), qRgb(10, 20, 30));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(image.pixelIndex(x, y), bitmap.Row(y)[x]) << x << "," << y;
            const Colour c = bitmap.PixelColour(x, y);
            EXPECT_EQ(image.pixel(x, y), qRgb(RedOf(c), GreenOf(c), BlueOf(c))) << x << "," << y;
        }
}

// Written as colours, an 8-bit bitmap gives the file of its 24-bit form, greys past the
// palette's end included.
TEST(BmpFile, IndexedBitmapAsColoursMatchesItsTrueColourForm) {
    TempDir folder;
    Bitmap indexed(7, 4, PixelFormat::Indexed8);
    indexed.SetPalette({{255, 255, 255}, {10, 20, 30}, {200, 0, 99}});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) indexed.Row(y)[x] = std::uint8_t((x + 2 * y) % 5);
    Bitmap colours = indexed;
    colours.SetFormat(PixelFormat::Bgr24);
    SaveBitmapToColourBmp(indexed, folder / "indexed.bmp");
    SaveBitmapToBmp(colours, folder / "colours.bmp");
    EXPECT_EQ(ReadBytes(folder / "indexed.bmp"), ReadBytes(folder / "colours.bmp"));
    EXPECT_EQ(std::filesystem::file_size(folder / "indexed.bmp"), 54u + 4 * 24);
}

TEST(BmpFile, SavingAgainReplacesTheFileAndLeavesNothingElse) {
    TempDir folder;
    const std::string path = folder / "temp.bmp";
    Bitmap large(9, 9, PixelFormat::Bgr24);
    SaveBitmapToBmp(large, path);
    Bitmap small(1, 1, PixelFormat::Bgr24);
    small.SetPixelColour(0, 0, Colours::Aqua);
    SaveBitmapToBmp(small, path);
    EXPECT_EQ(ReadBack(path).pixel(0, 0), qRgb(0, 255, 255));
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 4);
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"temp.bmp"});
}

TEST(BmpFile, FailedSaveNamesTheFileAndLeavesNoFile) {
    TempDir folder;
    Bitmap bitmap(2, 2, PixelFormat::Bgr24);
    const std::string missing = folder / "no-such-folder/out.bmp";
    try {
        SaveBitmapToBmp(bitmap, missing);
        FAIL() << "saving into a missing folder succeeded";
    } catch (const EInOutError& error) {
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A target that cannot be replaced stays as it was, with no partial file beside it.
    const std::string blocked = folder / "blocked.bmp";
    std::filesystem::create_directory(blocked);
    folder.Write("blocked.bmp/keep", {1, 2, 3});
    EXPECT_THROW(SaveBitmapToBmp(bitmap, blocked), EInOutError);
    EXPECT_EQ(ReadBytes(blocked + "/keep"), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"blocked.bmp"});
}

TEST(BmpFile, FormatsWithoutABmpFormAreRefused) {
    TempDir folder;
    const std::string path = folder / "refused.bmp";
    EXPECT_THROW(SaveBitmapToBmp(Bitmap(3, 3, PixelFormat::Pixel16), path),
                 EInvalidGraphicOperation);
    EXPECT_THROW(SaveBitmapToBmp(Bitmap(0, 3, PixelFormat::Bgr24), path), EInvalidGraphicOperation);
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

TEST(BmpFile, BandsWrittenInAnyOrderGiveTheFileOfTheWholeBitmap) {
    TempDir folder;
    // The wide one's bands span whole disk blocks, which go past the file system's cache.
    struct Size {
        int width, height, bandRows;
        std::vector<int> order;
    };
    for (const Size& size : {Size{7, 5, 2, {2, 0, 4}}, Size{1501, 9, 4, {4, 0, 8}}}) {
        SCOPED_TRACE(size.width);
        const int rowBytes = size.width * 3;
        Bitmap whole(size.width, size.height, PixelFormat::Bgr24);
        for (int y = 0; y < size.height; ++y)
            for (int i = 0; i < rowBytes; ++i) whole.Row(y)[i] = std::uint8_t(y * 40 + i * 7);
        SaveBitmapToBmp(whole, folder / "whole.bmp");

        const std::string target = folder / ("bands" + std::to_string(size.width) + ".bmp");
        BmpBandWriter file(target, whole, size.width, size.height);
        Bitmap band(size.width, size.bandRows, PixelFormat::Bgr24);
        for (int first : size.order) {
            const int rows = std::min(size.bandRows, size.height - first);
            for (int r = 0; r < rows; ++r) std::copy_n(whole.Row(first + r), rowBytes, band.Row(r));
            file.WriteBand(first, band, rows);
        }
        EXPECT_THROW(file.WriteBand(size.height - 1, band, 2), EInvalidGraphicOperation);
        EXPECT_FALSE(std::filesystem::exists(target));
        file.Commit();
        EXPECT_EQ(ReadBytes(target), ReadBytes(folder / "whole.bmp"));
    }

    Bitmap whole(7, 5, PixelFormat::Bgr24);
    { BmpBandWriter abandoned(folder / "abandoned.bmp", whole, 7, 5); }
    EXPECT_FALSE(std::filesystem::exists(folder / "abandoned.bmp"));
    // 43200 x 21600 fits a BMP's sizes; twice that does not.
    EXPECT_THROW(BmpBandWriter(folder / "huge.bmp", whole, 86400, 43200), EInvalidGraphicOperation);
}
