#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Errors.h"
#include "Gtopo30Layout.h"
#include "TempDir.h"
#include "TerrafoldFixtures.h"
#include "TileData.h"
#include "WorldHeightImage.h"

namespace {

struct CodeCase {
    int height;
    int code;
};

class HeightCodes : public ::testing::TestWithParam<CodeCase> {};

const HeightCodeTable& Table() {
    static const HeightCodeTable table = [] {
        HeightCodeTable filled{};
        FillHeightCodeTable(filled);
        return filled;
    }();
    return table;
}

int CodeOf(int height) { return Table()[std::size_t(height + 32768)]; }

}  // namespace

TEST_P(HeightCodes, HeightGivesItsCode) {
    EXPECT_EQ(CodeOf(GetParam().height), GetParam().code) << "h = " << GetParam().height;
}

INSTANTIATE_TEST_SUITE_P(OceanLowlandAndSquareRootScale, HeightCodes,
                         ::testing::Values(CodeCase{-9999, 0}, CodeCase{-10000, 1},
                                           CodeCase{-9998, 1}, CodeCase{-32768, 1}, CodeCase{-5, 1},
                                           CodeCase{0, 1}, CodeCase{1, 3}, CodeCase{2, 4},
                                           CodeCase{100, 30}, CodeCase{1000, 95},
                                           CodeCase{7196, 254}, CodeCase{7197, 255},
                                           CodeCase{8848, 255}, CodeCase{32767, 255}));

TEST(HeightCodeScale, RisesWithHeightAndNeverUsesCodeTwo) {
    int previous = CodeOf(1);
    for (int h = 1; h <= 32767; ++h) {
        const int code = CodeOf(h);
        ASSERT_GE(code, previous) << "h = " << h;
        ASSERT_NE(code, 2) << "h = " << h;
        previous = code;
    }
    // The code rises by one where 3 x sqrt(h) passes a half: 9h = (n + 0.5)^2 lies between
    // two whole numbers, so the step falls on the first h above (n + 0.5)^2 / 9.
    for (int n = 3; n < 255; ++n) {
        const long double edge = (n + 0.5L) * (n + 0.5L) / 9.0L;
        const int firstAbove = int(edge) + 1;
        EXPECT_EQ(CodeOf(firstAbove - 1), n) << n;
        EXPECT_EQ(CodeOf(firstAbove), n + 1) << n;
    }
}

namespace {

struct CellSample {
    int x, y;         // pixel
    int column, row;  // the cell it takes
    std::int16_t height;
    int code, mask;
};

const std::vector<CellSample> kSamples = {
    {0, 0, 0, 0, -9999, 0, 0},
    {5399, 2699, 43192, 21592, 1, 3, 255},
    {600, 750, 4800, 6000, 7197, 255, 255},     // first cell of W140N40
    {599, 749, 4792, 5992, 7196, 254, 255},     // last sampled cell of W180N90
    {599, 750, 4792, 6000, -5, 1, 0},           // first row of band 1, W180N40
    {900, 2250, 7200, 18000, 8848, 255, 255},   // first cell of W120S60
    {899, 2249, 7192, 17992, 100, 30, 255},     // last sampled row of band 2, W140S10
    {4800, 1500, 38400, 12000, 1000, 95, 255},  // first cell of E140S10
    {4499, 2250, 35992, 18000, -10000, 1, 0},   // a low value inside a row is no bad row
    {600, 2, 4800, 16, -9999, 0, 0},            // ocean as a row's first sample is no bad row
};

// One sampling of one tile set serves all the tests below: a full-size set is costly to fault in.
class TileSampling : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        GtopoTiles tileSet(dir->Folder());
        for (const auto& s : kSamples) tileSet.PutCell(s.column, s.row, s.height);
        // Cells that no pixel samples leave no trace.
        for (auto [column, row] : {std::pair{1, 0}, {0, 1}, {7, 7}, {4799, 5999}, {43199, 21599}})
            tileSet.PutCell(column, row, 5000);
        // Row 8 of W180N90 is sampled by pixel row 1; row 9 is never sampled.
        tileSet.PutCell(4799, 8, -10000);
        tileSet.PutCell(4799, 9, -10000);
        // Row 18008 (pixel row 2251) of the first polar tile, whose first sample is bad.
        tileSet.PutCell(0, 18008, -32768);

        heightBitmap = new Bitmap(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8);
        maskBitmap = new Bitmap(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8);
        // Whatever the bitmaps held is overwritten.
        heightBitmap->Row(10)[10] = 77;
        maskBitmap->Row(10)[10] = 77;
        messages = new std::vector<std::string>;
        trace = new std::string;

        TTileArray tiles(dir->Folder(), [](const std::string& text) { messages->push_back(text); });
        TileSamplingEvents events;
        events.TileStarting = [] { *trace += 'S'; };
        events.TileDone = [] { *trace += 'D'; };
        events.BandDone = [](int rows) { *trace += "B" + std::to_string(rows); };
        SampleTiles(tiles, Table(), *heightBitmap, *maskBitmap, events);
    }
    static void TearDownTestSuite() {
        delete dir;
        delete heightBitmap;
        delete maskBitmap;
        delete messages;
        delete trace;
    }

    static inline TempDir* dir = nullptr;
    static inline Bitmap* heightBitmap = nullptr;
    static inline Bitmap* maskBitmap = nullptr;
    static inline std::vector<std::string>* messages = nullptr;
    static inline std::string* trace = nullptr;
};

}  // namespace

TEST_F(TileSampling, EachPixelTakesTheNorthWestCellOfItsBlock) {
    std::map<std::pair<int, int>, const CellSample*> expected;
    for (const auto& s : kSamples) expected[{s.x, s.y}] = &s;
    int unexpected = 0;
    for (int y = 0; y < kWorldImageHeight; ++y) {
        for (int x = 0; x < kWorldImageWidth; ++x) {
            auto found = expected.find({x, y});
            const int code = found == expected.end() ? 1 : found->second->code;
            const int mask = found == expected.end() ? 0 : found->second->mask;
            if (heightBitmap->Row(y)[x] != code || maskBitmap->Row(y)[x] != mask) {
                if (++unexpected < 10) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") has code "
                                  << int(heightBitmap->Row(y)[x]) << " mask "
                                  << int(maskBitmap->Row(y)[x]) << ", expected " << code << " "
                                  << mask;
                }
            }
        }
    }
    EXPECT_EQ(unexpected, 0);
}

TEST_F(TileSampling, ReportsEachTileAndEachBandAsItIsDone) {
    std::string expected;
    for (int tile = 0; tile < 33; ++tile) {
        expected += "SD";
        if (tile == 8) expected += "B750";
        if (tile == 17) expected += "B1500";
        if (tile == 26) expected += "B2250";
    }
    expected += "B2700";
    EXPECT_EQ(*trace, expected);
}

TEST_F(TileSampling, BadRowReportsOncePerPixelTakenFromIt) {
    // 600 pixels of a band tile row, 900 of a polar one; the unsampled bad row says nothing.
    EXPECT_EQ(messages->size(), std::size_t(600 + 900));
    for (const auto& text : *messages) EXPECT_EQ(text, "Bad Data");
}

TEST(TileSamplingSizes, RefusesBitmapsOfAnotherSize) {
    TempDir dir;
    GtopoTiles tileSet(dir.Folder());
    TTileArray tiles(dir.Folder());
    Bitmap small(3600, 1800, PixelFormat::Indexed8);
    Bitmap mask(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8);
    EXPECT_THROW(SampleTiles(tiles, Table(), small, mask), std::invalid_argument);
    EXPECT_THROW(SampleTiles(tiles, Table(), mask, small), std::invalid_argument);
}

TEST(TileSamplingFailure, ATileThatFailsOnTheSecondCoreStopsTheRunThereAsInTurn) {
    // Tiles in turn from the north-west: the second, sampled on the helper thread, and the
    // fourth, sampled here, shrink after opening; the first failure in tile order is reported.
    TempDir dir;
    GtopoTiles tileSet(dir.Folder());
    TTileArray tiles(dir.Folder(), [](const std::string&) {});
    for (int slot : {1, 3})
        std::filesystem::resize_file(dir.Folder() + gtopo30::kTiles[slot].Name() + ".dem", 100);
    Bitmap heights(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8);
    Bitmap mask(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8);
    std::string trace;
    TileSamplingEvents events{[&] { trace += 'S'; }, [&] { trace += 'D'; }, {}};
    try {
        SampleTiles(tiles, Table(), heights, mask, events);
        ADD_FAILURE() << "the shrunk tile was not reported";
    } catch (const EInOutError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot read file: " + dir.Folder() + gtopo30::kTiles[1].Name() + ".dem");
    }
    EXPECT_EQ(trace, "SDS");
}
