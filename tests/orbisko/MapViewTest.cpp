#include <gtest/gtest.h>

#include <climits>

#include "MapView.h"

namespace {

struct ViewFigures {
    const char* name;
    MapPreset preset;
    long double xScale;
    long double yScale;
    int eastShown;   // longitude at the image's right edge
    int northShown;  // latitude at the image's top edge
};

class PresetScales : public testing::TestWithParam<ViewFigures> {};

TEST_P(PresetScales, FitTheRequestedRectangleAnchoredSouthWest) {
    const ViewFigures& figures = GetParam();
    TMapView view;
    view.SetPreset(figures.preset);
    const int west = view.MapWest;
    const int south = view.MapSouth;
    view.SetScales();
    EXPECT_NEAR(double(view.XScale), double(figures.xScale), 5e-6);
    EXPECT_NEAR(double(view.YScale), double(figures.yScale), 5e-6);
    EXPECT_EQ(view.XToLon(0), west);
    EXPECT_EQ(view.YToLat(450), south);
    EXPECT_EQ(view.XToLon(900), figures.eastShown);
    EXPECT_EQ(view.YToLat(0), figures.northShown);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetScales,
    testing::Values(ViewFigures{"World", MapPreset::World, 24, 24, 10800, 5400},
                    ViewFigures{"UK", MapPreset::UK, 2.16803L, 1.26667L, 1291, 3540},
                    ViewFigures{"MiddleEast", MapPreset::MiddleEast, 6.26667L, 6.12972L, 6600,
                                2998}),
    [](const testing::TestParamInfo<ViewFigures>& info) { return info.param.name; });

TEST(MapViewConversions, WorldCornersAndCentre) {
    TMapView view;
    view.SetScales();
    EXPECT_EQ(view.LonToX(0), 450);
    EXPECT_EQ(view.LatToY(0), 225);
    EXPECT_EQ(view.LonToX(-10800), 0);
    EXPECT_EQ(view.LatToY(5400), 0);
    EXPECT_EQ(view.LonToX(10800), 900);
    EXPECT_EQ(view.LatToY(-5400), 450);
}

TEST(MapViewConversions, ExactHalvesRoundToEven) {
    TMapView view;
    view.SetScales();  // 24 minutes a pixel
    EXPECT_EQ(view.LonToX(-10800 + 12), 0);
    EXPECT_EQ(view.LonToX(-10800 + 36), 2);
    EXPECT_EQ(view.LatToY(-5400 + 12), 450);
    EXPECT_EQ(view.LatToY(-5400 + 36), 448);
}

TEST(MapViewConversions, FarPointsSaturateInsteadOfOverflowing) {
    TMapView view;
    view.SetBounds(0, 5399, 1, 5399);  // a line by the pole: minute scales
    view.SetScales();
    EXPECT_GT(view.LatToY(-5400), 100'000'000);
    EXPECT_LT(view.LatToY(-5400), INT_MAX / 2);
    EXPECT_GT(view.LonToX(10800), 1'000'000);
}

TEST(MapViewBounds, SwappedBoundsGiveTheSameView) {
    TMapView ordered;
    ordered.SetPreset(MapPreset::Scandinavia);
    ordered.SetScales();
    TMapView swapped;
    swapped.SetBounds(780, 4230, -120, 3210);
    swapped.SetScales();
    EXPECT_EQ(swapped.MapWest, -120);
    EXPECT_EQ(swapped.MapSouth, 3210);
    EXPECT_EQ(swapped.MapEast, 780);
    EXPECT_EQ(swapped.MapNorth, 4230);
    EXPECT_EQ(swapped.XScale, ordered.XScale);
    EXPECT_EQ(swapped.YScale, ordered.YScale);
}

TEST(MapViewBounds, ZoomOutDoublesAboutTheCentreAndTheWorldStaysTheWorld) {
    TMapView view;
    view.SetPreset(MapPreset::UK);
    view.ZoomOut();
    EXPECT_EQ(view.MapWest, -1050);
    EXPECT_EQ(view.MapEast, 510);
    EXPECT_EQ(view.MapSouth, 2685);
    EXPECT_EQ(view.MapNorth, 3825);

    TMapView world;
    world.ZoomOut();
    world.SetScales();
    EXPECT_EQ(world.MapWest, -10800);
    EXPECT_EQ(world.MapSouth, -5400);
    EXPECT_EQ(world.MapEast, 10800);
    EXPECT_EQ(world.MapNorth, 5400);
    EXPECT_EQ(world.XScale, 24);

    for (int i = 0; i < 64; ++i) world.ZoomOut();  // many clicks before one redraw
    world.SetScales();
    EXPECT_EQ(world.MapEast, 10800);
    EXPECT_EQ(world.XScale, 24);
}

TEST(MapViewBounds, ZoomRectangleIsTheSameWhicheverWayItWasDragged) {
    TMapView forward;
    forward.SetScales();
    forward.ZoomToRectangle(450, 225, 600, 150);
    forward.SetScales();
    TMapView backward;
    backward.SetScales();
    backward.ZoomToRectangle(600, 150, 450, 225);
    backward.SetScales();
    EXPECT_EQ(forward.MapWest, 0);
    EXPECT_EQ(forward.MapSouth, 0);
    EXPECT_EQ(forward.MapEast, 3600);
    EXPECT_EQ(forward.MapNorth, 1800);
    EXPECT_EQ(backward.MapWest, forward.MapWest);
    EXPECT_EQ(backward.MapSouth, forward.MapSouth);
    EXPECT_EQ(backward.MapEast, forward.MapEast);
    EXPECT_EQ(backward.MapNorth, forward.MapNorth);
}

TEST(MapViewBounds, DragEndingOutsideTheImageIsCutAtItsEdge) {
    TMapView view;
    view.SetScales();
    view.ZoomToRectangle(450, 225, 5000, -300);
    EXPECT_EQ(view.MapEast, 10800);
    EXPECT_EQ(view.MapNorth, 5400);
}

TEST(MapViewBounds, ClickWithoutDragKeepsThePreviousView) {
    TMapView view;
    view.SetPreset(MapPreset::MiddleEast);
    view.SetScales();
    const long double xScale = view.XScale;
    view.ZoomToRectangle(300, 200, 300, 200);
    view.SetScales();
    EXPECT_EQ(view.MapWest, 960);
    EXPECT_EQ(view.MapSouth, 240);
    EXPECT_EQ(view.MapEast, 6600);
    EXPECT_EQ(view.MapNorth, 1200);
    EXPECT_EQ(view.XScale, xScale);
    EXPECT_GT(view.YScale, 0);
}

TEST(MapViewBounds, ASingleLineOfPixelsStillMakesAView) {
    TMapView view;
    view.SetScales();
    view.ZoomToRectangle(100, 200, 400, 200);  // no height
    view.SetScales();
    EXPECT_EQ(view.MapSouth, view.MapNorth);
    EXPECT_NEAR(double(view.XScale), 7200.0 / 900, 1e-12);
}

}  // namespace
