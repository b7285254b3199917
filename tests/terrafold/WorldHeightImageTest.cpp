#include "WorldHeightImage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "TerrafoldFixtures.h"
#include "TileData.h"

using terrafold_test::SparseTileSet;

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

INSTANTIATE_TEST_SUITE_P(
    OceanLowlandAndSquareRootScale, HeightCodes,
    ::testing::Values(CodeCase{-9999, 0}, CodeCase{-10000, 1}, CodeCase{-9998, 1},
                      CodeCase{-32768, 1}, CodeCase{-5, 1}, CodeCase{0, 1}, CodeCase{1, 3},
                      CodeCase{2, 4}, CodeCase{100, 30}, CodeCase{1000, 95}, CodeCase{7196, 254},
                      CodeCase{7197, 255}, CodeCase{8848, 255}, CodeCase{32767, 255}));

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

class TileSampling : public ::testing::Test {
  protected:
    TileSampling() : heightBitmap(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8),
                     maskBitmap(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8) {}

    void Sample() {
        TTileArray tiles(dir.Folder(), [this](const std::string& text) { messages.push_back(text); });
        TileSamplingEvents events;
        events.TileStarting = [this] { trace += 'S'; };
        events.TileDone = [this] { trace += 'D'; };
        SampleTiles(tiles, Table(), heightBitmap, maskBitmap, events);
    }

    TempDir dir;
    SparseTileSet tileSet{dir.Folder()};
    Bitmap heightBitmap;
    Bitmap maskBitmap;
    std::vector<std::string> messages;
    std::string trace;
};

}  // namespace

TEST_F(TileSampling, EachPixelTakesTheNorthWestCellOfItsBlock) {
    struct Sample {
        int x, y;       // pixel
        int column, row;  // the cell it takes
        std::int16_t height;
        int code, mask;
    };
    const std::vector<Sample> samples = {
        {0, 0, 0, 0, -9999, 0, 0},
        {5399, 2699, 43192, 21592, 1, 3, 255},
        {600, 750, 4800, 6000, 7197, 255, 255},    // first cell of W140N40
        {599, 749, 4792, 5992, 7196, 254, 255},    // last sampled cell of W180N90
        {599, 750, 4792, 6000, -5, 1, 0},          // first row of band 1, W180N40
        {900, 2250, 7200, 18000, 8848, 255, 255},  // first cell of W120S60
        {899, 2249, 7192, 17992, 100, 30, 255},    // last sampled row of band 2, W140S10
        {4800, 1500, 38400, 12000, 1000, 95, 255},  // first cell of E140S10
        {4499, 2250, 35992, 18000, -10000, 1, 0},  // a low value inside a row is no bad row
    };
    for (const auto& s : samples) tileSet.PutCell(s.column, s.row, s.height);
    // Cells that no pixel samples leave no trace.
    tileSet.PutCell(1, 0, 5000);
    tileSet.PutCell(0, 1, 5000);
    tileSet.PutCell(7, 7, 5000);
    tileSet.PutCell(4799, 5999, 5000);
    tileSet.PutCell(43199, 21599, 5000);
    // The whole of both bitmaps is overwritten, whatever they held.
    heightBitmap.Row(10)[10] = 77;
    maskBitmap.Row(10)[10] = 77;

    Sample();

    std::map<std::pair<int, int>, const Sample*> expected;
    for (const auto& s : samples) expected[{s.x, s.y}] = &s;
    int unexpected = 0;
    for (int y = 0; y < kWorldImageHeight; ++y) {
        for (int x = 0; x < kWorldImageWidth; ++x) {
            auto found = expected.find({x, y});
            const int code = found == expected.end() ? 1 : found->second->code;
            const int mask = found == expected.end() ? 0 : found->second->mask;
            if (heightBitmap.Row(y)[x] != code || maskBitmap.Row(y)[x] != mask) {
                if (++unexpected < 10) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") has code "
                                  << int(heightBitmap.Row(y)[x]) << " mask "
                                  << int(maskBitmap.Row(y)[x]) << ", expected " << code << " "
                                  << mask;
                }
            }
        }
    }
    EXPECT_EQ(unexpected, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TileSampling, ReportsEachTileAsItIsDone) {
    Sample();
    std::string expected;
    for (int tile = 0; tile < 33; ++tile) expected += "SD";
    EXPECT_EQ(trace, expected);
}

TEST_F(TileSampling, BadRowReportsOncePerPixelTakenFromIt) {
    // Row 8 of W180N90 is sampled by pixel row 1; row 9 is never sampled.
    tileSet.PutCell(4799, 8, -10000);
    tileSet.PutCell(4799, 9, -10000);
    // Row 18008 (pixel row 2251) in the first polar tile, whose first sample is the bad one.
    tileSet.PutCell(0, 18008, -32768);
    tileSet.PutCell(4800, 16, -9999);  // ocean itself is no bad data
    Sample();
    EXPECT_EQ(messages.size(), std::size_t(600 + 900));
    for (const auto& text : messages) EXPECT_EQ(text, "Bad Data");
    // The values of a bad row are used all the same.
    EXPECT_EQ(heightBitmap.Row(2251)[0], 1);
}

TEST_F(TileSampling, RefusesBitmapsOfAnotherSize) {
    Bitmap small(3600, 1800, PixelFormat::Indexed8);
    TTileArray tiles(dir.Folder());
    EXPECT_THROW(SampleTiles(tiles, Table(), small, maskBitmap), std::invalid_argument);
}
