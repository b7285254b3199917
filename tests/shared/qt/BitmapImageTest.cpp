#include <gtest/gtest.h>

#include "BitmapImage.h"

namespace {

QColor At(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

}  // namespace

TEST(BitmapImage, RowsAreSharedNotCopied) {
    Bitmap bitmap(5, 2, PixelFormat::Bgr24);  // rows padded to 16 bytes
    bitmap.SetPixelColour(4, 1, MakeColour(9, 8, 7));
    QImage image = qtui::DisplayImage(bitmap);
    EXPECT_EQ(image.constBits(), bitmap.Bits());
    EXPECT_EQ(image.bytesPerLine(), 16);
    EXPECT_EQ(At(image, 4, 1), QColor(9, 8, 7));

    Bitmap grey16(2, 1, PixelFormat::Pixel16);
    grey16.SetPixelColour(1, 0, 0xFFFF);
    EXPECT_EQ(qtui::DisplayImage(grey16).pixelColor(1, 0), QColor(255, 255, 255));
    EXPECT_TRUE(qtui::DisplayImage(Bitmap()).isNull());
}

TEST(BitmapImage, TransparentBitmapsHideTheirBottomLeftColour) {
    Bitmap icon(2, 2, PixelFormat::Bgr24);
    icon.SetPixelColour(0, 1, MakeColour(255, 0, 255));
    icon.SetPixelColour(1, 0, MakeColour(255, 0, 255));
    icon.SetPixelColour(1, 1, Colours::Navy);
    icon.SetTransparent(true);
    QImage image = qtui::DisplayImage(icon);
    EXPECT_EQ(qAlpha(image.pixel(0, 1)), 0);
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 255);
}

TEST(BitmapImage, LargeReductionsAverageEachBlock) {
    Bitmap indexed(4, 2, PixelFormat::Indexed8);
    SetGreyPalette(indexed);
    const std::uint8_t rows[2][4] = {{0, 10, 255, 255}, {20, 31, 255, 255}};
    for (int y = 0; y < 2; ++y) std::copy(rows[y], rows[y] + 4, indexed.Row(y));
    QImage halved = qtui::ScaledImage(indexed, {2, 1});
    ASSERT_EQ(halved.size(), QSize(2, 1));
    EXPECT_EQ(At(halved, 0, 0), QColor(15, 15, 15));  // 61 / 4
    EXPECT_EQ(At(halved, 1, 0), QColor(255, 255, 255));

    // Uneven blocks: 5 columns into 2 are 2 and 3 wide.
    Bitmap colour(5, 2, PixelFormat::Bgr24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) colour.SetPixelColour(x, y, MakeColour(x * 30, 0, y * 100));
    QImage reduced = qtui::ScaledImage(colour, {2, 1});
    EXPECT_EQ(At(reduced, 0, 0), QColor(15, 0, 50));  // columns 0, 1
    EXPECT_EQ(At(reduced, 1, 0), QColor(90, 0, 50));  // columns 2, 3, 4

    QImage enlarged = qtui::ScaledImage(colour, {20, 8});
    EXPECT_EQ(enlarged.size(), QSize(20, 8));
    EXPECT_TRUE(qtui::ScaledImage(colour, {0, 8}).isNull());
}

TEST(BitmapImage, LineDrawingsKeepTheirLinesBlackWhereAveragingFadesThem) {
    Bitmap map(40, 40, PixelFormat::Bgr24);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            map.SetPixelColour(x, y, x == 13 ? 0 : MakeColour(255, 255, 255));
    EXPECT_EQ(At(qtui::ScaledImage(map, {8, 8}, true), 2, 4), QColor(0, 0, 0));
    EXPECT_EQ(At(qtui::ScaledImage(map, {8, 8}), 2, 4), QColor(204, 204, 204));  // 4 of 5 white
}
