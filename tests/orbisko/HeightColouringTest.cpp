#include <gtest/gtest.h>

#include "ExpectedColours.h"
#include "HeightColouring.h"
#include "SegmentBytes.h"
#include "SparseFile.h"
#include "TempDir.h"

namespace {

struct TableEntry {
    int metres;
    Colour colour;
};

class ColourTableSamples : public testing::TestWithParam<TableEntry> {};

TEST_P(ColourTableSamples, RampThroughTheAnchors) {
    THeightColouring colouring;
    colouring.BuildColourTable();
    EXPECT_EQ(colouring.HeightColour(std::int16_t(GetParam().metres)), GetParam().colour)
        << GetParam().metres << " m";
}

INSTANTIATE_TEST_SUITE_P(Samples, ColourTableSamples,
                         testing::Values(TableEntry{-32768, 0x0085DB37},
                                         TableEntry{-62, 0x0085DB37}, TableEntry{-61, 0x0085DB37},
                                         TableEntry{-45, 0x0071DC4D}, TableEntry{-1, 0x003AE08B},
                                         TableEntry{0, 0x0039E18D}, TableEntry{45, 0x0060E6A3},
                                         TableEntry{1000, 0x0065ADE0}, TableEntry{4000, 0x00DDCCDB},
                                         TableEntry{4876, 0x00FEFEFE}, TableEntry{4877, 0x00FFFFFF},
                                         TableEntry{32767, 0x00FFFFFF}));

TEST(ColourTable, AnchorFeetBecomeMetresWithTiesToEven) {
    // 300 ft is 91.44 m and 1500 ft 457.2 m; the anchors sit on the rounded heights exactly.
    THeightColouring colouring;
    colouring.BuildColourTable();
    EXPECT_EQ(colouring.HeightColour(91), 0x0089EDBBu);
    EXPECT_EQ(colouring.HeightColour(457), 0x009AC4D1u);
    EXPECT_EQ(colouring.HeightColour(-30), 0x005FDE62u);
    EXPECT_NE(colouring.HeightColour(-31), 0x005FDE62u);
}

constexpr std::uint64_t kLayout23Bytes = 18'662'400;
constexpr std::uint64_t kLayout4Bytes = 136'857'600;
constexpr int kLandMetres = 1000;
constexpr Colour kLandColour = 0x0065ADE0;

// A big-endian grid, zero everywhere but for the probe samples and, in layout 2, the rows
// from 40 N to 20 N at kLandMetres.
std::string MakeGrid(const TempDir& dir, int layout) {
    const std::string path = dir / ("grid" + std::to_string(layout));
    MakeSparseFile(path, layout == 4 ? kLayout4Bytes : kLayout23Bytes);
    if (layout == 2) {
        PutSample(path, 0, -4290);
        PutSample(path, 4320, -4278);
        std::vector<std::uint8_t> row(4320 * 2);
        for (std::size_t i = 0; i < row.size(); i += 2) {
            row[i] = std::uint8_t(kLandMetres >> 8);
            row[i + 1] = std::uint8_t(kLandMetres & 0xFF);
        }
        for (int gridRow = (5400 - 2400) / 5; gridRow <= (5400 - 1200) / 5; ++gridRow)
            WriteAt(path, std::uint64_t(gridRow) * row.size(), row);
    }
    return path;
}

// A world map with a land block from 40 N to 20 N (pixel rows 125..175, columns 50..350), a
// lake inside it (columns 150..200, rows 138..162), and a border line along row 150.
Bitmap DrawWorld(bool monochrome, TMapView& view) {
    Bytes file;
    AppendRecord(file, 0, Square(-9600, 1200, -2400, 2400));
    AppendRecord(file, 8, Square(-7200, 1500, -6000, 2100));
    AppendRecord(file, 1, {{-9000, 1800}, {-3000, 1800}});
    TCartogList list;
    list.LoadFromStream(file);
    view.MonochromeMap = monochrome;
    view.SetScales();
    Bitmap image(900, 450, PixelFormat::Bgr24);
    view.DrawSegments(image, list);
    return image;
}

TTopography Grid(const std::string& path, int layout) {
    TTopography topography;
    topography.TopoFileName = path;
    topography.TopoLayout = std::uint8_t(layout);
    return topography;
}

bool SameImage(const Bitmap& a, const Bitmap& b) {
    return a.Stride() == b.Stride() && a.Height() == b.Height() &&
           std::equal(a.Bits(), a.Bits() + a.Stride() * std::size_t(a.Height()), b.Bits());
}

TEST(HeightColouringPass, WaterTurnsToWaterColourAndLandOutlinesToHeightColours) {
    TempDir dir;
    TTopography topography = Grid(MakeGrid(dir, 2), 2);
    TMapView view;
    Bitmap image = DrawWorld(false, view);
    ASSERT_EQ(image.PixelColour(100, 150), kBlack);  // the border line
    ASSERT_EQ(image.PixelColour(50, 140), kBlack);   // the coast
    ASSERT_EQ(image.PixelColour(175, 145), kAqua);
    THeightColouring colouring;
    ASSERT_TRUE(colouring.AddTopography(image, topography, view, {}));

    EXPECT_EQ(image.PixelColour(300, 140), kLandColour);
    EXPECT_EQ(image.PixelColour(100, 150), kLandColour) << "borders take the height colour";
    EXPECT_EQ(image.PixelColour(50, 140), kLandColour) << "so do coasts";
    EXPECT_EQ(image.PixelColour(175, 145), kWater) << "lake";
    EXPECT_EQ(image.PixelColour(600, 300), kWater) << "sea";
    EXPECT_EQ(image.PixelColour(0, 300), kBlack) << "180 W lies outside the world";
    EXPECT_EQ(image.PixelColour(450, 0), 0x0039E18D) << "the frame over 0 m";
}

TEST(HeightColouringPass, MonochromeMapColoursToTheSameImage) {
    TempDir dir;
    TTopography topography = Grid(MakeGrid(dir, 2), 2);
    TMapView colourView;
    TMapView monochromeView;
    Bitmap colour = DrawWorld(false, colourView);
    Bitmap monochrome = DrawWorld(true, monochromeView);
    ASSERT_FALSE(SameImage(colour, monochrome));
    THeightColouring colouring;
    ASSERT_TRUE(colouring.AddTopography(colour, topography, colourView, {}));
    ASSERT_TRUE(colouring.AddTopography(monochrome, topography, monochromeView, {}));
    EXPECT_TRUE(SameImage(colour, monochrome));
}

TEST(HeightColouringPass, MercatorGridLeavesRowsBeyondItsLimitsAsDrawn) {
    TempDir dir;
    TTopography topography = Grid(MakeGrid(dir, 4), 4);
    TMapView view;
    const Bitmap drawn = DrawWorld(false, view);
    Bitmap image = drawn;
    THeightColouring colouring;
    ASSERT_TRUE(colouring.AddTopography(image, topography, view, {}));
    // Row 44 is 4344' north, beyond the grid; row 45 is 4320', its first row.
    EXPECT_EQ(image.PixelColour(600, 44), kBlue);
    EXPECT_EQ(image.PixelColour(600, 45), kWater);
    EXPECT_EQ(image.PixelColour(600, 405), kWater);
    EXPECT_EQ(image.PixelColour(600, 406), kBlue);
    EXPECT_EQ(image.PixelColour(300, 140), 0x0039E18D);
}

TEST(HeightColouringPass, BandsAreCopiedAtMostEvery200Milliseconds) {
    TempDir dir;
    TTopography topography = Grid(MakeGrid(dir, 2), 2);
    TMapView view;
    const Bitmap drawn = DrawWorld(false, view);

    std::vector<std::pair<int, int>> bands;
    std::vector<int> positions;
    int started = -1;
    bool finished = false;
    TColouringProgress progress;
    progress.started = [&](int maxRow) { started = maxRow; };
    progress.position = [&](int row) { positions.push_back(row); };
    progress.bandCopied = [&](int first, int end) { bands.emplace_back(first, end); };
    progress.finished = [&] { finished = true; };

    // A pass within 200 ms copies the whole image once, at the end.
    std::uint32_t now = 0xFFFFFF00;  // wraps during the pass below
    progress.clock = [&] { return now; };
    Bitmap quick = drawn;
    THeightColouring colouring;
    ASSERT_TRUE(colouring.AddTopography(quick, topography, view, progress));
    EXPECT_EQ(started, 449);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(positions.empty());
    EXPECT_EQ(bands, (std::vector<std::pair<int, int>>{{0, 450}}));

    // A slow pass: 201 ms per row, except across the counter's wrap.
    bands.clear();
    progress.clock = [&] { return now += 201; };
    Bitmap slow = drawn;
    ASSERT_TRUE(colouring.AddTopography(slow, topography, view, progress));
    ASSERT_EQ(bands.size(), 451u);
    EXPECT_EQ(bands.front(), std::make_pair(0, 1));
    EXPECT_EQ(bands[449], std::make_pair(449, 450));
    EXPECT_EQ(bands.back(), std::make_pair(450, 450));
    EXPECT_EQ(positions.size(), 450u);
    EXPECT_TRUE(SameImage(quick, slow));
}

TEST(HeightColouringPass, NothingChangesWithoutAGridOrWhenItCannotBeMapped) {
    TempDir dir;
    TMapView view;
    const Bitmap drawn = DrawWorld(false, view);
    THeightColouring colouring;
    bool started = false;
    TColouringProgress progress;
    progress.started = [&](int) { started = true; };

    Bitmap image = drawn;
    TTopography none;
    EXPECT_FALSE(colouring.AddTopography(image, none, view, progress));
    TTopography gone = Grid(dir / "etopo5", 2);
    EXPECT_FALSE(colouring.AddTopography(image, gone, view, progress));
    TTopography shortened = Grid(MakeGrid(dir, 2), 2);
    ASSERT_EQ(::truncate(shortened.TopoFileName.c_str(), 8642), 0);
    EXPECT_FALSE(colouring.AddTopography(image, shortened, view, progress));
    EXPECT_FALSE(started);
    EXPECT_TRUE(SameImage(image, drawn));
}

}  // namespace
