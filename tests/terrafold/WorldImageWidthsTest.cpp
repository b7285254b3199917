// The world images at the widths above the default: pixel (x, y) takes cell (kx, ky) with
// k = 43200 / width, by the rules of the default width, made a band of rows at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "FileContents.h"
#include "GeoReference.h"
#include "PNG_IO.h"
#include "RunCommand.h"
#include "TempDir.h"
#include "TerrafoldFixtures.h"
#include "TileData.h"
#include "WorldHeightImage.h"

namespace {

const HeightCodeTable& Codes() {
    static const HeightCodeTable table = [] {
        HeightCodeTable filled{};
        FillHeightCodeTable(filled);
        return filled;
    }();
    return table;
}

struct PixelCase {
    int x, y;
    std::int16_t height;
    int code, mask;
};

// Pixels at the corners of tiles and of the world, for cells-per-pixel k.
std::vector<PixelCase> CornerPixels(int k) {
    const int width = 43200 / k;
    return {
        {0, 0, -9999, 0, 0},
        {4800 / k - 1, 6000 / k - 1, 7196, 254, 255},  // last pixel of W180N90
        {4800 / k, 6000 / k, 7197, 255, 255},          // first of W140N40
        {4800 / k - 1, 6000 / k, -5, 1, 0},            // first row of W180N40
        {7200 / k, 18000 / k, 8848, 255, 255},         // first of W120S60
        {38400 / k, 12000 / k, 1000, 95, 255},         // first of E140S10
        {width - 1, width / 2 - 1, 1, 3, 255},         // the south-east corner
    };
}

Bitmap Band(int width, int rows) {
    Bitmap band(width, rows, PixelFormat::Indexed8);
    SetGreyPalette(band);
    return band;
}

}  // namespace

TEST(WorldImageWidths, AreTheWholeDivisionsOfTheGridThatKeepTilesWhole) {
    for (int width : kWorldImageWidths) {
        EXPECT_TRUE(IsWorldImageWidth(width));
        EXPECT_EQ(43200 % width, 0);
        EXPECT_EQ(4800 % (43200 / width) + 3600 % (43200 / width), 0) << width;
    }
    for (int width : {0, 3600, 43199, 86400}) EXPECT_FALSE(IsWorldImageWidth(width));
    // Each pixel is placed on the centre of the cell it takes.
    const GeoTransform full = WorldImageTransform(43200);
    EXPECT_DOUBLE_EQ(full.PixelToMap(0, 0).x, -180 + 0.5 / 120);
    const GeoTransform third = WorldImageTransform(14400);
    EXPECT_DOUBLE_EQ(third.PixelToMap(10, 20).x, -180 + (30 + 0.5) / 120);
    EXPECT_DOUBLE_EQ(third.PixelToMap(10, 20).y, 90 - (60 + 0.5) / 120);
    EXPECT_EQ(WorldImageTransform(), WorldImageTransform(5400));
}

TEST(WorldImageWidths, EachPixelTakesTheNorthWestCellOfItsBlockAtOneTwoAndThreeCells) {
    for (int k : {1, 2, 3}) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const int width = 43200 / k;
        TempDir dir;
        GtopoTiles tileSet(dir.Folder());
        const std::vector<PixelCase> cases = CornerPixels(k);
        for (const PixelCase& c : cases) tileSet.PutCell(k * c.x, k * c.y, c.height);
        if (k > 1) {
            // Cells of pixel (10, 10)'s block other than its north-west one leave no trace.
            tileSet.PutCell(10 * k + 1, 10 * k, 5000);
            tileSet.PutCell(10 * k, 10 * k + 1, 5000);
        }
        // A bad row: its first cell lies below -9999.
        tileSet.PutCell(0, 30 * k, -32768);
        std::vector<std::string> messages;
        TTileArray tiles(dir.Folder(), [&](const std::string& text) { messages.push_back(text); });

        std::map<std::pair<int, int>, const PixelCase*> expected;
        for (const PixelCase& c : cases) expected[{c.x, c.y}] = &c;
        std::vector<int> rows = {10};
        for (const PixelCase& c : cases) rows.push_back(c.y);
        for (int y : rows) {
            // The row and its neighbours, as one band.
            const int first = std::max(0, y - 1);
            const int last = std::min(width / 2, y + 2);
            Bitmap heights = Band(width, last - first);
            Bitmap mask = Band(width, last - first);
            SampleRows(tiles, Codes(), width, first, last, heights, mask);
            for (int row = first; row < last; ++row)
                for (int x = 0; x < width; ++x) {
                    auto found = expected.find({x, row});
                    const int code = found == expected.end() ? 1 : found->second->code;
                    const int water = found == expected.end() ? 0 : found->second->mask;
                    ASSERT_EQ(heights.Row(row - first)[x], code) << x << ", " << row;
                    ASSERT_EQ(mask.Row(row - first)[x], water) << x << ", " << row;
                }
        }
        EXPECT_TRUE(messages.empty());
        Bitmap heights = Band(width, 1);
        Bitmap mask = Band(width, 1);
        SampleRows(tiles, Codes(), width, 30, 31, heights, mask);
        EXPECT_EQ(messages.size(), std::size_t(4800 / k)) << "once per pixel of the bad tile row";

        EXPECT_THROW(SampleRows(tiles, Codes(), width, width / 2, width / 2 + 1, heights, mask),
                     std::out_of_range);
        EXPECT_THROW(SampleRows(tiles, Codes(), width, 0, 2, heights, mask), std::invalid_argument);
    }
}

namespace {

using TerrafoldWidthBatch = terrafold_test::FreshUserBatch;

// A corner of the 7200 x 3600 raster, 20 pixels a degree, in whole micro-degrees.
ShorelinePoint At7200(int x, int y) {
    return {std::int32_t(std::int64_t(x) * 1'000'000 / 20 - 180'000'000),
            std::int32_t(90'000'000 - std::int64_t(y) * 1'000'000 / 20)};
}

}  // namespace

TEST_F(TerrafoldWidthBatch, WritesTheGivenWidthWithItsLakesAndPlaceForThatRunOnly) {
    constexpr int k = 6;
    std::filesystem::create_directories(data.Path() / "tiles");
    GtopoTiles tileSet(data.Folder() + "tiles/");
    const std::vector<PixelCase> cases = CornerPixels(k);
    for (const PixelCase& c : cases) tileSet.PutCell(k * c.x, k * c.y, c.height);
    // Land under a lake becomes water in both images.
    for (int y = 400; y < 420; ++y)
        for (int x = 1000; x < 1030; ++x) tileSet.PutCell(k * x, k * y, 500);
    const std::string shoreline = data / "gshhs_l.b";
    ShorelineFile().Box(2, 30000, At7200(1000, 400), At7200(1010, 410)).WriteTo(shoreline);

    CommandResult run =
        Run("--width 7200 --gtopo30 " + Quoted(data / "tiles") + " --gshhs " + Quoted(shoreline));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Image(s) written to file topo.png\n");

    Bitmap heights, mask;
    LoadPngToBitmap(heights, work / "topo.png", false);
    LoadPngToBitmap(mask, work / "LandSeaMask.png", false);
    ASSERT_EQ(heights.Width(), 7200);
    ASSERT_EQ(heights.Height(), 3600);
    ASSERT_EQ(mask.Width(), 7200);
    for (const PixelCase& c : cases) {
        EXPECT_EQ(heights.Row(c.y)[c.x], c.code) << c.x << ", " << c.y;
        EXPECT_EQ(mask.Row(c.y)[c.x], c.mask) << c.x << ", " << c.y;
    }
    EXPECT_EQ(heights.Row(405)[1005], 0);
    EXPECT_EQ(mask.Row(405)[1005], 0);
    EXPECT_EQ(heights.Row(415)[1005], Codes()[500 + 32768]);
    EXPECT_EQ(mask.Row(415)[1025], 255);

    for (const char* name : {"topo.png", "LandSeaMask.png"}) {
        const GeoReference reference = ReadGeoreference(work / name);
        ASSERT_TRUE(reference.transform) << name;
        EXPECT_EQ(*reference.transform, WorldImageTransform(7200)) << name;
    }

    // The width was for that run: the next one, as a script that set none expects, writes the
    // default size.
    ASSERT_EQ(Run("").status, 0);
    Bitmap again;
    LoadPngToBitmap(again, work / "topo.png", false);
    EXPECT_EQ(again.Width(), kWorldImageWidth);

    EXPECT_EQ(Run("--width 3600").status, 2);
}
