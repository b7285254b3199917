#include <gtest/gtest.h>

#include "ExpectedColours.h"
#include "MapView.h"
#include "SegmentBytes.h"

namespace {

// In the world view a pixel is 24 minutes: these squares cover pixels 50..150 x 25..125 and
// 300..400 x 25..125, with (100, 75) and (350, 75) well inside.
const auto kWestSquare = Square(-9600, 2400, -7200, 4800);
const auto kEastSquare = Square(-3600, 2400, -1200, 4800);

Bitmap Draw(const Bytes& file, bool monochrome = false) {
    TCartogList list;
    list.LoadFromStream(file);
    TMapView view;
    view.MonochromeMap = monochrome;
    view.SetScales();
    Bitmap image(900, 450, PixelFormat::Bgr24);
    view.DrawSegments(image, list);
    return image;
}

TEST(MapDrawing, BackgroundIsOutlinedInBlackAndFilledBySeaColour) {
    Bytes file;
    AppendRecord(file, 0, {});
    for (bool monochrome : {false, true}) {
        const Bitmap image = Draw(file, monochrome);
        EXPECT_EQ(image.PixelColour(0, 0), kBlack);
        EXPECT_EQ(image.PixelColour(899, 449), kBlack);
        EXPECT_EQ(image.PixelColour(1, 1), monochrome ? kWhite : kBlue);
        EXPECT_EQ(image.PixelColour(898, 448), monochrome ? kWhite : kBlue);
    }
}

TEST(MapDrawing, LandAndLakeColoursInColourAndMonochrome) {
    Bytes file;
    AppendRecord(file, 0, kWestSquare);
    AppendRecord(file, 8, kEastSquare);
    const Bitmap colour = Draw(file);
    EXPECT_EQ(colour.PixelColour(100, 75), kGreen);
    EXPECT_EQ(colour.PixelColour(350, 75), kAqua);
    EXPECT_EQ(colour.PixelColour(50, 75), kBlack) << "polygons are outlined";
    const Bitmap monochrome = Draw(file, true);
    EXPECT_EQ(monochrome.PixelColour(100, 75), kSilver);
    EXPECT_EQ(monochrome.PixelColour(350, 75), kWhite);
}

TEST(MapDrawing, ClassFourFillsWithTheBrushThePreviousSegmentLeft) {
    Bytes first;
    AppendRecord(first, 4, kWestSquare);
    EXPECT_EQ(Draw(first).PixelColour(100, 75), kBlue);
    EXPECT_EQ(Draw(first, true).PixelColour(100, 75), kWhite);

    Bytes afterLake;
    AppendRecord(afterLake, 9, {{-3600, 0}, {-1200, 0}});  // a lake shore line sets the brush
    AppendRecord(afterLake, 4, kWestSquare);
    const Bitmap image = Draw(afterLake);
    EXPECT_EQ(image.PixelColour(100, 75), kAqua);
    EXPECT_EQ(image.PixelColour(350, 225), kBlack) << "the open line is drawn";
    EXPECT_EQ(image.PixelColour(350, 226), kBlue) << "and not filled";
}

TEST(MapDrawing, OtherKindsAndEmptySegmentsDrawNothing) {
    Bytes empty;
    AppendRecord(empty, 0, {});
    AppendRecord(empty, 8, {});
    const Bitmap background = Draw(empty);

    Bytes undrawn;
    for (std::uint8_t kind : {2, 3, 6, 7, 10, 11, 128, 255})
        AppendRecord(undrawn, kind, kWestSquare);
    const Bitmap image = Draw(undrawn);
    ASSERT_EQ(image.Stride(), background.Stride());
    EXPECT_TRUE(std::equal(image.Bits(), image.Bits() + image.Stride() * 450, background.Bits()));
}

TEST(MapDrawing, PointsOutsideTheImageAreClippedNotWrapped) {
    Bytes file;
    // Half of this square lies east of the image in a narrow view.
    AppendRecord(file, 0, Square(-10800, -5400, 10800, 5400));
    TCartogList list;
    list.LoadFromStream(file);
    TMapView view;
    view.SetBounds(-10800, -600, -9000, 600);
    view.SetScales();
    Bitmap image(900, 450, PixelFormat::Bgr24);
    view.DrawSegments(image, list);
    EXPECT_EQ(image.PixelColour(450, 225), kGreen);
    EXPECT_EQ(image.PixelColour(899, 225), kGreen);
}

}  // namespace
