#include <gtest/gtest.h>

#include <cmath>

#include "ClassicShoreline.h"
#include "ShorelineLandMask.h"
#include "TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::int64_t Micro(double degrees) { return std::llround(degrees * 1e6); }

ClassicPolygon Ring(std::vector<std::pair<double, double>> lonLat, int level = 1) {
    ShoreRing ring;
    ring.level = level;
    for (auto [lon, lat] : lonLat) ring.points.push_back({Micro(lon), Micro(lat)});
    return ToClassicPolygon(ring);
}

ClassicPolygon Box(double west, double east, double south, double north, int level = 1) {
    return Ring({{west, south}, {east, south}, {east, north}, {west, north}}, level);
}

std::string WriteShore(const TempDir& dir, const std::vector<ClassicPolygon>& polygons) {
    std::string bytes = EncodeClassicShoreline(polygons);
    return dir.Write("shore.b", Bytes(bytes.begin(), bytes.end()));
}

// Whole-world mask at one cell a degree, filled in two strips to cross a strip boundary.
std::vector<std::uint8_t> WorldMask(const ShorelineLandMask& mask) {
    std::vector<std::uint8_t> cells(360 * 180);
    mask.FillRows(0, 100, cells.data());
    mask.FillRows(100, 80, cells.data() + 100 * 360);
    return cells;
}

bool Land(const std::vector<std::uint8_t>& cells, double lon, double lat) {
    int column = static_cast<int>(std::floor(lon + 180)) % 360;
    int row = static_cast<int>(std::floor(90 - lat));
    return cells[static_cast<std::size_t>(row) * 360 + column] != 0;
}

}  // namespace

TEST(ShorelineLandMask, LandIsTheUnionOfLevelOnePolygonsAcrossTheDateline) {
    TempDir dir;
    // A continent with a lake (still land), an island across the 180th meridian, two
    // overlapping islets (their overlap is land: a union, not an even-odd of polygons), and an
    // ice cap going round the pole.
    std::string path =
        WriteShore(dir, {Box(0, 40, 0, 40), Box(10, 20, 10, 20, 2), Box(170, 190, -20, -10),
                         Box(-60, -50, -40, -30), Box(-55, -45, -35, -25),
                         Ring({{-180, -70}, {0, -70}, {180, -70}, {180, -90}, {-180, -90}})});
    ShorelineLandMask mask(path, 1);
    ASSERT_EQ(mask.PolygonCount(), 5u);
    std::vector<std::uint8_t> cells = WorldMask(mask);
    EXPECT_TRUE(Land(cells, 0.5, 0.5));
    EXPECT_TRUE(Land(cells, 39.5, 39.5));
    EXPECT_FALSE(Land(cells, 40.5, 20));
    EXPECT_FALSE(Land(cells, -0.5, 20));
    EXPECT_TRUE(Land(cells, 15, 15));  // the lake
    EXPECT_TRUE(Land(cells, 179.5, -15));
    EXPECT_TRUE(Land(cells, -179.5, -15));
    EXPECT_TRUE(Land(cells, -170.5, -15));
    EXPECT_FALSE(Land(cells, -169.5, -15));
    EXPECT_TRUE(Land(cells, -52, -32));  // the overlap
    EXPECT_TRUE(Land(cells, -179.5, -89.5));
    EXPECT_TRUE(Land(cells, 90, -70.5));
    EXPECT_FALSE(Land(cells, 90, -69.5));
    int landCells = 0;
    for (std::uint8_t cell : cells) landCells += cell;
    EXPECT_EQ(landCells, 40 * 40 + 20 * 10 + 2 * 100 - 25 + 20 * 360);
}

TEST(ShorelineLandMask, DecidesByCellCentresAtFineCells) {
    TempDir dir;
    // Edges a quarter cell off the centres at 30": the centres decide.
    const double cell = 1.0 / 120;
    std::string path = WriteShore(
        dir, {Box(10 + 0.25 * cell, 10 + 2.75 * cell, 50 - 1.75 * cell, 50 - 0.25 * cell)});
    ShorelineLandMask mask(path, 120);
    std::vector<std::uint8_t> strip(43200 * 4);
    mask.FillRows(4800, 4, strip.data());  // rows from 50° N
    const int column = (180 + 10) * 120;
    std::vector<int> landColumns;
    for (int row = 0; row < 4; ++row) {
        for (int c = column - 2; c < column + 5; ++c) {
            if (strip[static_cast<std::size_t>(row) * 43200 + c])
                landColumns.push_back(row * 100 + c - column);
        }
    }
    EXPECT_EQ(landColumns, (std::vector<int>{0, 1, 2, 100, 101, 102}));
}
