#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "ClassicShoreline.h"
#include "ReadOnlyFile.h"
#include "TempDir.h"
#include "TerrainFiles.h"
#include "TerrainModel.h"
#include "ToolTestSupport.h"

namespace {

std::int64_t Micro(double degrees) { return std::llround(degrees * 1e6); }

ClassicPolygon Box(double west, double east, double south, double north, int level = 1) {
    ShoreRing ring;
    ring.level = level;
    ring.points = {{Micro(west), Micro(south)},
                   {Micro(east), Micro(south)},
                   {Micro(east), Micro(north)},
                   {Micro(west), Micro(north)}};
    return ToClassicPolygon(ring);
}

// A continent from 0° to 40° E and 0° to 40° N with a lake, an island across the 180th
// meridian, and two overlapping islets whose overlap is sea by the even-odd rule.
std::vector<ClassicPolygon> TestWorld() {
    return {Box(0, 40, 0, 40), Box(10, 20, 10, 20, 2), Box(170, 190, -20, -10),
            Box(-60, -50, -40, -30), Box(-55, -45, -35, -25)};
}

const TerrainModel& SharedModel() {
    static const TerrainModel model(TestWorld(), 7, 2);
    return model;
}

std::vector<std::int16_t> GridRow(const TerrainModel& model, int layout, int row) {
    EtopoLayout geometry = EtopoLayoutOf(layout);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(geometry.columns));
    EtopoRow(model, geometry, row, samples.data());
    return samples;
}

// The map viewer's recognition of a grid file from its size and two probe samples.
int RecognisedLayout(const Bytes& file) {
    std::size_t samples = file.size() / 2;
    if (samples == 68'428'800) return 4;
    if (samples == 9'333'360 && GetLittle16(file, 0) == -4290) return 1;
    if (samples == 9'331'200 && GetBig16(file, 0) == -4290) {
        if (GetBig16(file, 8640) == -4288) return 3;
        if (GetBig16(file, 8640) == -4278) return 2;
    }
    return 0;
}

std::map<std::string, std::string> HeaderFields(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string key;
    std::string value;
    while (lines >> key >> value) fields[key] = value;
    return fields;
}

}  // namespace

TEST(TerrainModel, LandIsWhereLevelOnePolygonsAreByTheEvenOddRule) {
    const TerrainModel& model = SharedModel();
    EXPECT_TRUE(model.IsLand(30, 30));
    EXPECT_TRUE(model.IsLand(15, 15)) << "lakes are not cut out of the land";
    EXPECT_FALSE(model.IsLand(-20, 20));
    EXPECT_FALSE(model.IsLand(45, 20));
    EXPECT_TRUE(model.IsLand(175, -15));
    EXPECT_TRUE(model.IsLand(-175, -15)) << "the island continues across the dateline";
    EXPECT_FALSE(model.IsLand(165, -15));
    EXPECT_FALSE(model.IsLand(-165, -15));
    EXPECT_TRUE(model.IsLand(-58, -38));
    EXPECT_FALSE(model.IsLand(-52, -32)) << "overlap of two islets";
    EXPECT_TRUE(model.IsLand(-47, -27));
}

TEST(TerrainModel, ReliefRisesInlandAndDeepensOffshore) {
    const TerrainModel& model = SharedModel();
    for (double lon = -179.5; lon < 180; lon += 7) {
        for (double lat = -89.5; lat < 90; lat += 7) {
            double height = model.Height(lon, lat);
            if (model.IsLand(lon, lat)) {
                EXPECT_GE(height, 1) << lon << " " << lat;
            } else {
                EXPECT_LE(height, -1) << lon << " " << lat;
            }
        }
    }
    EXPECT_GT(model.Height(20, 25), 200) << "the heart of the continent";
    EXPECT_LT(model.Height(-120, 10), -1000) << "the open ocean";
    EXPECT_GT(model.Height(-120, 10), -9000);
}

TEST(TerrainModel, SameSeedGivesTheSameBytesWhateverTheThreads) {
    TerrainModel again(TestWorld(), 7, 2, 1);
    TerrainModel otherSeed(TestWorld(), 8, 2);
    for (int row : {300, 700, 1000}) {
        EXPECT_EQ(GridRow(again, 3, row), GridRow(SharedModel(), 3, row)) << row;
    }
    Gtopo30Tile tile = Gtopo30Tiles()[14];  // E020N40
    std::vector<std::uint8_t> first(2 * 4800);
    std::vector<std::uint8_t> second(2 * 4800);
    Gtopo30Row(SharedModel(), tile, 2400, first.data());
    Gtopo30Row(again, tile, 2400, second.data());
    EXPECT_EQ(first, second);
    Gtopo30Row(otherSeed, tile, 2400, second.data());
    EXPECT_NE(first, second);
}

TEST(TerrainFiles, TileSetCoversTheGlobeOnceWithTheGtopo30Names) {
    std::vector<Gtopo30Tile> tiles = Gtopo30Tiles();
    ASSERT_EQ(tiles.size(), 33u);
    std::vector<std::string> names;
    long long bytes = 0;
    std::vector<int> covered(36 * 18, 0);  // blocks of 1200 × 1200 cells
    for (const Gtopo30Tile& tile : tiles) {
        names.push_back(tile.name);
        bytes += 2LL * tile.columns * tile.rows;
        for (int row = tile.firstRow; row < tile.firstRow + tile.rows; row += 1200) {
            for (int column = tile.firstColumn; column < tile.firstColumn + tile.columns;
                 column += 1200) {
                ++covered[(row / 1200) * 36 + column / 1200];
            }
        }
    }
    EXPECT_EQ(bytes, 1'866'240'000);
    EXPECT_TRUE(std::all_of(covered.begin(), covered.end(), [](int n) { return n == 1; }));
    for (const char* name : {"W180N90", "E140N90", "W020N40", "E020N40", "W100S10", "W180S60",
                             "W120S60", "W060S60", "W000S60", "E060S60", "E120S60"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
}

TEST(TerrainFiles, TileRowsAndHeadersDescribeTheirTile) {
    std::vector<Gtopo30Tile> tiles = Gtopo30Tiles();
    auto byName = [&](const std::string& name) {
        return *std::find_if(tiles.begin(), tiles.end(),
                             [&](const Gtopo30Tile& t) { return t.name == name; });
    };
    Gtopo30Tile e020n40 = byName("E020N40");
    std::vector<std::uint8_t> row(2 * 4800);
    Gtopo30Row(SharedModel(), e020n40, 2400, row.data());  // 20° N
    Bytes bytes(row.begin(), row.end());
    EXPECT_GE(GetBig16(bytes, 2 * 1200), 0) << "30° E lies on the continent";
    EXPECT_EQ(GetBig16(bytes, 2 * 3600), -9999) << "50° E is ocean";

    std::map<std::string, std::string> header = HeaderFields(Gtopo30Header(e020n40));
    EXPECT_EQ(header["BYTEORDER"], "M");
    EXPECT_EQ(header["LAYOUT"], "BIL");
    EXPECT_EQ(header["NROWS"], "6000");
    EXPECT_EQ(header["NCOLS"], "4800");
    EXPECT_EQ(header["NBITS"], "16");
    EXPECT_EQ(header["BANDROWBYTES"], "9600");
    EXPECT_EQ(header["TOTALROWBYTES"], "9600");
    EXPECT_EQ(header["NODATA"], "-9999");
    EXPECT_NEAR(std::stod(header["ULXMAP"]), 20 + 1.0 / 240, 1e-12);
    EXPECT_NEAR(std::stod(header["ULYMAP"]), 40 - 1.0 / 240, 1e-12);
    EXPECT_NEAR(std::stod(header["XDIM"]), 1.0 / 120, 1e-12);

    std::map<std::string, std::string> south = HeaderFields(Gtopo30Header(byName("W000S60")));
    EXPECT_EQ(south["NCOLS"], "7200");
    EXPECT_EQ(south["NROWS"], "3600");
    EXPECT_NEAR(std::stod(south["ULXMAP"]), 1.0 / 240, 1e-12);
    EXPECT_NEAR(std::stod(south["ULYMAP"]), -60 - 1.0 / 240, 1e-12);
}

TEST(TerrainFiles, GridsPassTheLayoutProbesAndPlaceTheLand) {
    TempDir dir;
    TerrainModel coarse(TestWorld(), 3, 1);
    for (int layout = 1; layout <= 3; ++layout) {
        std::string path = dir / ("grid" + std::to_string(layout));
        WriteEtopoGrid(coarse, layout, path, {});
        Bytes file = ReadWholeFile(path);
        EXPECT_EQ(RecognisedLayout(file), layout);
        // 30° E, 20° N as the viewer looks it up: row (5400 - 1200) / 5, and the column
        // counted from Greenwich, or from 180° W in layout 2.
        std::size_t columns = layout == 1 ? 4321 : 4320;
        std::size_t column = layout == 2 ? (1800 + 10800) / 5 : 1800 / 5;
        std::size_t at = 2 * (840 * columns + column);
        std::int16_t land = layout == 1 ? GetLittle16(file, at) : GetBig16(file, at);
        EXPECT_GT(land, 0) << "layout " << layout;
        std::size_t westAt =
            2 * (840 * columns + (layout == 2 ? (-1200 + 10800) / 5 : (21600 - 1200) / 5));
        std::int16_t sea = layout == 1 ? GetLittle16(file, westAt) : GetBig16(file, westAt);
        EXPECT_LT(sea, 0) << "20° W, layout " << layout;
    }
    // The Mercator layout, checked by rows: 1° N (60 minutes of ordinate) is row
    // (6336 - 60) / 2 and 30° N (1888 minutes) row (6336 - 1888) / 2; columns from
    // Greenwich, 2' each.
    for (int row : {3138, 2224}) {
        std::vector<std::int16_t> samples = GridRow(coarse, 4, row);
        ASSERT_EQ(samples.size(), 10800u);
        EXPECT_GT(samples[(1200 + 21600) / 2 % 10800], 0) << row;
        EXPECT_LT(samples[(-1800 + 21600) / 2 % 10800], 0) << row;
    }
}

TEST(MaketerrainTool, WritesAGridAndRejectsBadRequests) {
    TempDir dir;
    std::string shore = dir.Write("shore.b", ToBytes(EncodeClassicShoreline(TestWorld())));
    std::string grid = dir / "etopo5.dat";
    ASSERT_EQ(RunCommand(ToolPath("maketerrain") + " --shore " + shore +
                         " --resolution 1 --grid 2:" + grid)
                  .status,
              0);
    EXPECT_EQ(RecognisedLayout(ReadWholeFile(grid)), 2);

    EXPECT_EQ(
        RunCommand(ToolPath("maketerrain") + " --shore " + shore + " --grid 5:" + grid).status, 2);
    EXPECT_EQ(RunCommand(ToolPath("maketerrain") + " --shore " + shore).status, 2);
    std::string damaged = dir.Write("damaged.b", {0, 0, 0, 1});
    EXPECT_EQ(
        RunCommand(ToolPath("maketerrain") + " --shore " + damaged + " --grid 3:" + dir / "g3")
            .status,
        1);
    EXPECT_FALSE(std::filesystem::exists(dir / "g3"));
}
