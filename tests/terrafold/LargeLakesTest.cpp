#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "LargeLakes.h"
#include "TempDir.h"
#include "TerrafoldFixtures.h"
#include "WorldHeightImage.h"

using terrafold_test::Pixel;

namespace {

class LargeLakes : public ::testing::Test {
protected:
    LargeLakes()
        : heightBitmap(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8),
          maskBitmap(kWorldImageWidth, kWorldImageHeight, PixelFormat::Indexed8) {
        SetGreyPalette(heightBitmap);
        SetGreyPalette(maskBitmap);
        for (int y = 0; y < kWorldImageHeight; ++y) {
            std::memset(heightBitmap.Row(y), 200, kWorldImageWidth);
            std::memset(maskBitmap.Row(y), 255, kWorldImageWidth);
        }
    }

    void Draw(const ShorelineFile& file, std::size_t keepBytes = SIZE_MAX) {
        file.WriteTo(path, keepBytes);
        DrawLargeLakes(path, heightBitmap, maskBitmap);
    }

    // Whether exactly the pixels of [left, right) x [top, bottom) in the area around it are
    // water in both images.
    bool IsWaterRectangle(int left, int top, int right, int bottom) const {
        for (int y = top - 2; y < bottom + 2; ++y) {
            for (int x = left - 2; x < right + 2; ++x) {
                const bool inside = x >= left && x < right && y >= top && y < bottom;
                if (heightBitmap.Row(y)[x] != (inside ? 0 : 200) ||
                    maskBitmap.Row(y)[x] != (inside ? 0 : 255)) {
                    return false;
                }
            }
        }
        return true;
    }

    int WaterPixels() const {
        int count = 0;
        for (int y = 0; y < kWorldImageHeight; ++y)
            for (int x = 0; x < kWorldImageWidth; ++x) count += heightBitmap.Row(y)[x] == 0;
        return count;
    }

    TempDir dir;
    std::string path = dir / "gshhs_l.b";
    Bitmap heightBitmap;
    Bitmap maskBitmap;
};

}  // namespace

TEST_F(LargeLakes, OnlyLakesAboveTwoThousandSquareKilometresAreFilled) {
    ShorelineFile file;
    file.Box(2, 20001, Pixel(100, 100), Pixel(130, 120))        // just above the threshold
        .Box(2, 20000, Pixel(200, 100), Pixel(230, 120))        // at it
        .Box(1, 0xFFFFFFFF, Pixel(300, 100), Pixel(330, 120))   // land, however large
        .Box(3, 0xFFFFFFFF, Pixel(400, 100), Pixel(430, 120))   // island in a lake
        .Box(4, 0xFFFFFFFF, Pixel(500, 100), Pixel(530, 120))   // pond
        .Box(2, 0xFFFFFFFF, Pixel(600, 100), Pixel(630, 120));  // unsigned: the largest area
    Draw(file);
    EXPECT_TRUE(IsWaterRectangle(100, 100, 130, 120));
    EXPECT_TRUE(IsWaterRectangle(600, 100, 630, 120));
    EXPECT_EQ(WaterPixels(), 2 * 30 * 20);
}

TEST_F(LargeLakes, SpansPaintedBandByBandFillWhatDrawingFills) {
    // A lake across the band edges, one inside a band, and a frame around a hole.
    ShorelineFile file;
    file.Box(2, 30000, Pixel(100, 700), Pixel(180, 1600))
        .Box(2, 30000, Pixel(2000, 50), Pixel(2100, 60))
        .Box(1, 30000, Pixel(3000, 700), Pixel(3100, 800));
    file.WriteTo(path);
    Bitmap drawnHeights = heightBitmap, drawnMask = maskBitmap;
    DrawLargeLakes(path, drawnHeights, drawnMask);
    LakesAhead lakes(path, kWorldImageWidth, kWorldImageHeight);
    for (auto [first, last] : {std::pair{0, 750}, {750, 1500}, {1500, 2250}, {2250, 2700}})
        PaintLakeSpans(lakes.Spans(), heightBitmap, maskBitmap, first, last);
    for (int y = 0; y < kWorldImageHeight; ++y) {
        ASSERT_EQ(std::memcmp(heightBitmap.Row(y), drawnHeights.Row(y), kWorldImageWidth), 0) << y;
        ASSERT_EQ(std::memcmp(maskBitmap.Row(y), drawnMask.Row(y), kWorldImageWidth), 0) << y;
    }
    EXPECT_EQ(WaterPixels(), 80 * 900 + 100 * 10);
    EXPECT_TRUE(LakesAhead(dir / "absent.b", 10, 10).Spans().empty());

    // The same into bands of rows that are never held together, as for the largest images.
    std::vector<RowSpan> sorted = lakes.Spans();
    SortByRow(sorted);
    constexpr int kBand = 64;
    Bitmap heightBand(kWorldImageWidth, kBand, PixelFormat::Indexed8);
    Bitmap maskBand(kWorldImageWidth, kBand, PixelFormat::Indexed8);
    SetGreyPalette(heightBand);
    SetGreyPalette(maskBand);
    for (int first = 0; first < kWorldImageHeight; first += kBand) {
        const int last = std::min(first + kBand, kWorldImageHeight);
        for (int r = 0; r < kBand; ++r) {
            std::memset(heightBand.Row(r), 200, kWorldImageWidth);
            std::memset(maskBand.Row(r), 255, kWorldImageWidth);
        }
        PaintLakeSpansInBand(sorted, heightBand, maskBand, first, last);
        for (int y = first; y < last; ++y) {
            ASSERT_EQ(std::memcmp(heightBand.Row(y - first), drawnHeights.Row(y), kWorldImageWidth),
                      0)
                << y;
            ASSERT_EQ(std::memcmp(maskBand.Row(y - first), drawnMask.Row(y), kWorldImageWidth), 0)
                << y;
        }
    }
}

TEST_F(LargeLakes, FillsByTheEvenOddRuleWithoutOutline) {
    // A frame drawn as one outline around its hole: the hole stays land.
    ShorelineFile file;
    file.Polygon(10, 2, 30000);
    auto lon = [](int x) { return std::int32_t(std::int64_t(x) * 1'000'000 / 15 - 180'000'000); };
    auto lat = [](int y) { return std::int32_t(90'000'000 - std::int64_t(y) * 1'000'000 / 15); };
    const int outer[][2] = {{1500, 600}, {1560, 600}, {1560, 660}, {1500, 660}, {1500, 600}};
    const int inner[][2] = {{1515, 615}, {1515, 645}, {1545, 645}, {1545, 615}, {1515, 615}};
    for (const auto& p : outer) file.Point(lon(p[0]), lat(p[1]));
    for (const auto& p : inner) file.Point(lon(p[0]), lat(p[1]));
    Draw(file);
    EXPECT_EQ(WaterPixels(), 60 * 60 - 30 * 30);
    EXPECT_EQ(heightBitmap.Row(630)[1530], 200);
    EXPECT_EQ(maskBitmap.Row(630)[1530], 255);
    EXPECT_EQ(heightBitmap.Row(600)[1500], 0);
    EXPECT_EQ(maskBitmap.Row(659)[1559], 0);
}

TEST_F(LargeLakes, LongitudesBeyondOneTurnAreBroughtBackByRepeatedTurns) {
    // 600 degrees east lies 780 degrees from the west edge, 60 after two turns: column 900.
    // Brought back once only, the lake would lie beyond the raster.
    ShorelineFile file;
    file.Polygon(4, 2, 30000)
        .Point(600'000'000, 10'000'000)
        .Point(602'000'000, 10'000'000)
        .Point(602'000'000, 8'000'000)
        .Point(600'000'000, 8'000'000);
    Draw(file);
    EXPECT_TRUE(IsWaterRectangle(900, 1200, 930, 1230));
}

TEST_F(LargeLakes, MissingOrDamagedFileKeepsTheLakesReadBeforeTheFailure) {
    DrawLargeLakes(dir / "absent.b", heightBitmap, maskBitmap);
    EXPECT_EQ(WaterPixels(), 0);

    ShorelineFile file;
    file.Box(2, 30000, Pixel(100, 100), Pixel(130, 120))
        .Box(2, 30000, Pixel(200, 100), Pixel(230, 120));
    // Cut inside the second lake's third point: its first two points enclose nothing.
    Draw(file, 36 + 4 * 8 + 36 + 2 * 8 + 3);
    EXPECT_TRUE(IsWaterRectangle(100, 100, 130, 120));
    EXPECT_EQ(WaterPixels(), 30 * 20);
    LakesAhead cut(path, kWorldImageWidth, kWorldImageHeight);
    cut.Spans();
    EXPECT_TRUE(cut.End().cut);
    EXPECT_EQ(cut.End().wholePolygons, 1u);
}

TEST_F(LargeLakes, NonShorelineFileIsAnErrorNotAWorldWithoutLakes) {
    const std::string text = "Some text that is certainly no polygon header at all.";
    const std::string notes = dir.Write("notes.txt", {text.begin(), text.end()});
    EXPECT_THROW(DrawLargeLakes(notes, heightBitmap, maskBitmap), ENotShorelineFile);
    EXPECT_EQ(WaterPixels(), 0);
    LakesAhead lakes(notes, kWorldImageWidth, kWorldImageHeight);
    EXPECT_THROW(lakes.Spans(), ENotShorelineFile);
}

TEST_F(LargeLakes, CutLakeIsFilledThroughThePointsReadBeforeTheCut) {
    ShorelineFile file;
    file.Box(2, 30000, Pixel(100, 100), Pixel(160, 160));
    Draw(file, 36 + 3 * 8 + 5);
    // The triangle (100,100) (160,100) (160,160): the upper right half of the square.
    EXPECT_EQ(heightBitmap.Row(101)[158], 0);
    EXPECT_EQ(maskBitmap.Row(101)[158], 0);
    EXPECT_EQ(heightBitmap.Row(158)[101], 200);
    EXPECT_GT(WaterPixels(), 0);
}
