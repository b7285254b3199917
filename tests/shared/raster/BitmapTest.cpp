#include <gtest/gtest.h>

#include "Bitmap.h"

TEST(Bitmap, RowsArePaddedToFourBytes) {
    Bitmap indexed(5, 3, PixelFormat::Indexed8);
    EXPECT_EQ(indexed.Stride(), 8u);
    Bitmap bgr(5, 3, PixelFormat::Bgr24);
    EXPECT_EQ(bgr.Stride(), 16u);
    EXPECT_EQ(bgr.Row(2) - bgr.Row(0), 32);
}

TEST(Bitmap, ResizeKeepsTheOverlapAndZeroesTheRest) {
    Bitmap b(2, 2, PixelFormat::Bgr24);
    b.SetPixelColour(1, 1, 0x00123456);
    b.SetSize(3, 3);
    EXPECT_EQ(b.PixelColour(1, 1), 0x00123456u);
    EXPECT_EQ(b.PixelColour(2, 2), 0u);
    b.SetSize(1, 1);
    b.SetSize(2, 2);
    EXPECT_EQ(b.PixelColour(1, 1), 0u);
}

TEST(Bitmap, ColoursGoThroughTheNearestPaletteEntry) {
    Bitmap b(2, 1, PixelFormat::Indexed8);
    SetGreyPalette(b);
    b.SetPixelColour(0, 0, Colours::White);
    b.SetPixelColour(1, 0, MakeColour(10, 12, 14));
    EXPECT_EQ(b.Row(0)[0], 255);
    EXPECT_EQ(b.Row(0)[1], 12);
    EXPECT_EQ(b.PixelColour(1, 0), MakeColour(12, 12, 12));
}

TEST(Bitmap, FormatChangeConvertsThroughThePalette) {
    Bitmap b(1, 1, PixelFormat::Indexed8);
    b.SetPalette({{1, 2, 3}, {200, 100, 50}});
    b.Row(0)[0] = 1;
    b.SetFormat(PixelFormat::Bgr24);
    EXPECT_EQ(b.Row(0)[0], 50);
    EXPECT_EQ(b.Row(0)[1], 100);
    EXPECT_EQ(b.Row(0)[2], 200);
}
