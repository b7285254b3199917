#include <gtest/gtest.h>

#include <algorithm>

#include "Canvas.h"
#include "DarkestShrink.h"

namespace {

bool AnyBlackIn(const Bitmap& bitmap, int left, int top, int size) {
    for (int y = top; y < top + size; ++y)
        for (int x = left; x < left + size; ++x)
            if (bitmap.PixelColour(x, y) == Colours::Black) return true;
    return false;
}

}  // namespace

TEST(DarkestShrink, OnePixelLinesStayBlackAtAFifthOfTheSize) {
    // A white 60 x 30 picture framed in black, with a diagonal, a vertical and a horizontal line.
    Bitmap map(60, 30, PixelFormat::Bgr24);
    Canvas canvas(map);
    canvas.Rectangle(0, 0, 60, 30);
    canvas.MoveTo(3, 2);
    canvas.LineTo(57, 28);
    canvas.MoveTo(31, 1);
    canvas.LineTo(31, 29);
    canvas.MoveTo(1, 17);
    canvas.LineTo(59, 17);

    Bitmap small = ShrinkKeepingDarkest(map, 12, 6);
    ASSERT_EQ(small.Width(), 12);
    ASSERT_EQ(small.Height(), 6);
    ASSERT_EQ(small.Format(), PixelFormat::Bgr24);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool line = AnyBlackIn(map, x * 5, y * 5, 5);
            EXPECT_EQ(small.PixelColour(x, y), line ? Colours::Black : Colours::White)
                << x << ", " << y;
        }
    }
    EXPECT_EQ(small.PixelColour(9, 1), Colours::White);  // the lines stay lines, not a blot
    for (int x = 0; x < 12; ++x) EXPECT_EQ(small.PixelColour(x, 3), Colours::Black);  // row 17
    for (int y = 0; y < 6; ++y) EXPECT_EQ(small.PixelColour(6, y), Colours::Black);   // column 31
}

TEST(DarkestShrink, KeepsTheDarkestColourThroughThePaletteAndRepeatsWhenEnlarging) {
    Bitmap indexed(4, 2, PixelFormat::Indexed8);
    // Index 2 has no palette entry and counts as the grey (2, 2, 2), the darkest here.
    indexed.SetPalette({{255, 255, 255}, {200, 0, 0}});
    const std::uint8_t rows[2][4] = {{0, 1, 0, 0}, {0, 0, 0, 2}};
    for (int y = 0; y < 2; ++y) std::copy(rows[y], rows[y] + 4, indexed.Row(y));
    Bitmap halved = ShrinkKeepingDarkest(indexed, 2, 1);
    EXPECT_EQ(halved.PixelColour(0, 0), MakeColour(200, 0, 0));
    EXPECT_EQ(halved.PixelColour(1, 0), MakeColour(2, 2, 2));

    Bitmap doubled = ShrinkKeepingDarkest(indexed, 8, 4);
    EXPECT_EQ(doubled.PixelColour(2, 0), MakeColour(200, 0, 0));
    EXPECT_EQ(doubled.PixelColour(3, 1), MakeColour(200, 0, 0));
    EXPECT_EQ(doubled.PixelColour(7, 3), MakeColour(2, 2, 2));

    EXPECT_TRUE(ShrinkKeepingDarkest(indexed, 0, 4).IsEmpty());
    EXPECT_TRUE(ShrinkKeepingDarkest(Bitmap(), 2, 2).IsEmpty());
    EXPECT_TRUE(ShrinkKeepingDarkest(Bitmap(2, 2, PixelFormat::Pixel16), 1, 1).IsEmpty());
}
