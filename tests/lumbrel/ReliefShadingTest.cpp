#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Errors.h"
#include "HandOverPauses.h"
#include "ReliefShading.h"
#include "ShaderTestSupport.h"

namespace {

using Rgb = std::array<int, 3>;

Rgb RgbAt(const Bitmap& image, int x, int y) {
    const std::uint8_t* p = image.Row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

Bitmap ColourOf(const Bitmap& source) {
    Bitmap colour;
    MakeColourImage(source, colour, {});
    return colour;
}

struct Relief {
    Bitmap image;
    CellCounts counts;
};

Relief ReliefOf(const Bitmap& source) {
    Relief relief;
    relief.counts = MakeReliefImage(source, relief.image, {});
    return relief;
}

Codes RandomCodes(int width, int height, unsigned seed) {
    Codes codes(static_cast<std::size_t>(height),
                std::vector<int>(static_cast<std::size_t>(width)));
    for (auto& row : codes)
        for (int& code : row) {
            seed = seed * 1103515245u + 12345u;
            // Runs of sea and close codes, so every step and the sea rule occur.
            code = (seed >> 12) % 4 == 0 ? 0 : int(100 + (seed >> 16) % 7);
        }
    return codes;
}

bool SameRows(const Bitmap& a, const Bitmap& b) {
    if (a.Format() != b.Format() || a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.Width() * a.BytesPerPixel())) != 0)
            return false;
    return true;
}

void ExpectCounts(const CellCounts& counts, std::array<std::int64_t, 5> expected) {
    for (int difference = 1; difference <= 5; ++difference)
        EXPECT_EQ(counts[difference], expected[difference - 1]) << "difference " << difference;
}

}  // namespace

TEST(HeightCodes, DecodeToTheNearestMetre) {
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(HeightOfCode(code), int(std::nearbyint(code * code / 9.0L))) << code;
    EXPECT_EQ(HeightOfCode(3), 1);
    EXPECT_EQ(HeightOfCode(255), 7225);
}

TEST(ColourImage, CodesTakeSeaOrTheColourOfTheirHeight) {
    // 1 and 2 decode to 0 m, 3 to 1 m, 30 to 100 m, 150 to 2500 m, 255 to 7225 m.
    Bitmap colour = ColourOf(HeightImage({{0, 1, 2, 3}, {30, 150, 255, 0}}));
    ASSERT_EQ(colour.Format(), PixelFormat::Bgr24);
    ASSERT_EQ(colour.Width(), 4);
    ASSERT_EQ(colour.Height(), 2);
    EXPECT_EQ(colour.Row(0)[0], 198);  // blue first in the row
    EXPECT_EQ(RgbAt(colour, 0, 0), (Rgb{135, 180, 198}));
    EXPECT_EQ(RgbAt(colour, 1, 0), (Rgb{141, 225, 57}));
    EXPECT_EQ(RgbAt(colour, 2, 0), (Rgb{141, 225, 57}));
    EXPECT_EQ(RgbAt(colour, 3, 0), (Rgb{141, 225, 57}));
    EXPECT_EQ(RgbAt(colour, 0, 1), (Rgb{187, 237, 137}));
    EXPECT_EQ(RgbAt(colour, 1, 1), (Rgb{176, 149, 132}));
    EXPECT_EQ(RgbAt(colour, 2, 1), (Rgb{255, 255, 255}));
    EXPECT_EQ(RgbAt(colour, 3, 1), (Rgb{135, 180, 198}));
}

TEST(ReliefImage, DifferenceToTheSouthEastSetsStepAndSign) {
    // Top-left 0 is the sea level; each pair sits on its own diagonal so they do not interact.
    Relief up = ReliefOf(HeightImage({{0, 0, 0}, {0, 10, 0}, {0, 0, 12}}));
    EXPECT_EQ(up.image.Row(1)[1], 128 + 7);
    ExpectCounts(up.counts, {0, 1, 0, 0, 0});

    Relief down = ReliefOf(HeightImage({{0, 0, 0}, {0, 12, 0}, {0, 0, 10}}));
    EXPECT_EQ(down.image.Row(1)[1], 128 - 7);
    ExpectCounts(down.counts, {0, 1, 0, 0, 0});
}

TEST(ReliefImage, StepsGrowToFiveCodesThenStay) {
    const std::array<int, 7> steps = {0, 5, 7, 10, 15, 20, 20};
    for (int difference = 0; difference <= 6; ++difference) {
        Relief relief = ReliefOf(HeightImage({{0, 0, 0}, {0, 50, 0}, {0, 0, 50 + difference}}));
        EXPECT_EQ(relief.image.Row(1)[1], 128 + steps[difference]) << difference;
        std::array<std::int64_t, 5> expected{};
        if (difference >= 1 && difference <= 5) expected[difference - 1] = 1;
        ExpectCounts(relief.counts, expected);
    }
    Relief steep = ReliefOf(HeightImage({{0, 0, 0}, {0, 100, 0}, {0, 0, 60}}));
    EXPECT_EQ(steep.image.Row(1)[1], 108);
    ExpectCounts(steep.counts, {0, 0, 0, 0, 0});
}

TEST(ReliefImage, PairsTouchingTheTopLeftLevelStayFlat) {
    // The top-left code 7 marks sea even though 7 is a land code.
    Relief relief = ReliefOf(HeightImage({{7, 9, 1}, {5, 3, 7}, {1, 1, 1}}));
    EXPECT_EQ(relief.image.Row(0)[0], 128);       // 7 against 3
    EXPECT_EQ(relief.image.Row(0)[1], 128);       // 9 against 7
    EXPECT_EQ(relief.image.Row(1)[0], 128 - 15);  // 5 against 1
    EXPECT_EQ(relief.image.Row(1)[1], 128 - 7);   // 3 against 1
    ExpectCounts(relief.counts, {0, 1, 0, 1, 0});
}

TEST(ReliefImage, SingleRowOrColumnIsFlatAndCountsNothing) {
    for (const auto& codes :
         std::vector<Codes>{{{0, 5, 6, 8, 20}}, {{0}, {5}, {6}, {8}, {20}}, {{9}}}) {
        Bitmap source = HeightImage(codes);
        Relief relief = ReliefOf(source);
        for (int y = 0; y < source.Height(); ++y)
            for (int x = 0; x < source.Width(); ++x) EXPECT_EQ(relief.image.Row(y)[x], 128);
        ExpectCounts(relief.counts, {0, 0, 0, 0, 0});

        Bitmap colour = ColourOf(source);
        Bitmap combined;
        MakeCombinedImage(colour, relief.image, combined, {});
        for (int y = 0; y < source.Height(); ++y)
            for (int x = 0; x < source.Width(); ++x)
                EXPECT_EQ(RgbAt(combined, x, y), RgbAt(colour, x, y));
    }
}

TEST(ReliefImage, EmptyImageGivesEmptyRelief) {
    Relief relief = ReliefOf(Bitmap(0, 0, PixelFormat::Indexed8));
    EXPECT_TRUE(relief.image.IsEmpty());
    ExpectCounts(relief.counts, {0, 0, 0, 0, 0});
}

TEST(CombinedImage, ReliefMovesEachByteAndClamps) {
    Bitmap colour(3, 1, PixelFormat::Bgr24);
    const std::uint8_t bytes[] = {250, 10, 128, 250, 10, 128, 250, 10, 128};
    std::copy(std::begin(bytes), std::end(bytes), colour.Row(0));
    Bitmap relief(3, 1, PixelFormat::Indexed8);
    relief.Row(0)[0] = 148;
    relief.Row(0)[1] = 108;
    relief.Row(0)[2] = 128;
    Bitmap combined;
    MakeCombinedImage(colour, relief, combined, {});
    const std::uint8_t* out = combined.Row(0);
    EXPECT_EQ(std::vector<int>(out, out + 9),
              (std::vector<int>{255, 30, 148, 230, 0, 108, 250, 10, 128}));
}

TEST(CombinedImage, RefusesImagesOfDifferentSizes) {
    Bitmap colour(3, 2, PixelFormat::Bgr24);
    Bitmap relief(3, 1, PixelFormat::Indexed8);
    Bitmap combined;
    EXPECT_THROW(MakeCombinedImage(colour, relief, combined, {}), EInvalidGraphicOperation);
}

TEST(ShadingPasses, RefuseAHeightImageOfMoreThanOneBytePerCell) {
    Bitmap rgb(2, 2, PixelFormat::Bgr24);
    Bitmap target;
    EXPECT_THROW(MakeColourImage(rgb, target, {}), EInvalidGraphicOperation);
    EXPECT_THROW(MakeReliefImage(rgb, target, {}), EInvalidGraphicOperation);
}

TEST(ShadingPasses, ReportThePercentageOfRowsDoneAfterEachRow) {
    Bitmap source = HeightImage({{0, 1}, {2, 3}, {4, 5}});
    std::vector<int> colourReports, reliefReports, combinedReports;
    Bitmap colour, relief, combined;
    MakeColourImage(source, colour, [&](int p) { colourReports.push_back(p); });
    MakeReliefImage(source, relief, [&](int p) { reliefReports.push_back(p); });
    MakeCombinedImage(colour, relief, combined, [&](int p) { combinedReports.push_back(p); });
    EXPECT_EQ(colourReports, (std::vector<int>{0, 33, 66}));
    EXPECT_EQ(reliefReports, (std::vector<int>{0, 33}));  // the last row is not computed
    EXPECT_EQ(combinedReports, (std::vector<int>{0, 33, 66}));
}

TEST(ReliefImage, WideRowsFollowTheRulesUpToTheFlatLastRowAndColumn) {
    // Wide enough for whole vector blocks plus a remainder, with codes close together so that
    // every step occurs, and some cells at the top-left level.
    const int width = 71, height = 6;
    Codes codes(height, std::vector<int>(width));
    unsigned seed = 7;
    for (auto& row : codes)
        for (int& code : row) {
            seed = seed * 1103515245u + 12345u;
            code = 40 + int((seed >> 16) % 9) + ((seed >> 8) % 5 == 0 ? 60 : 0);
        }
    codes[0][0] = 44;
    Relief relief = ReliefOf(HeightImage(codes));
    ASSERT_EQ(relief.image.Palette().size(), 256u);
    EXPECT_EQ(relief.image.Palette()[128], (PaletteEntry{128, 128, 128}));

    std::array<std::int64_t, 5> expectedCounts{};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int expected = 128;
            if (y + 1 < height && x + 1 < width) {
                int a = codes[y][x], b = codes[y + 1][x + 1];
                int difference = std::abs(b - a);
                if (a != 44 && b != 44 && difference > 0) {
                    int step = difference > 5 ? 20 : ReliefStep[difference - 1];
                    expected += b > a ? step : -step;
                    if (difference <= 5) ++expectedCounts[difference - 1];
                }
            }
            EXPECT_EQ(relief.image.Row(y)[x], expected) << "at " << x << ", " << y;
        }
    ExpectCounts(relief.counts, expectedCounts);
}

TEST(ShadedImage, OnePassGivesTheBytesAndCountsOfTheThreePasses) {
    const auto codesOf = RandomCodes;
    // One cell, one row, one column, an odd and an even number of rows for the split, a
    // top-left cell of a land code, and extremes that clamp.
    std::vector<Codes> cases = {{{9}},
                                codesOf(33, 1, 1),
                                codesOf(1, 40, 2),
                                codesOf(71, 7, 3),
                                codesOf(64, 10, 4),
                                {{255, 0, 255}, {0, 255, 1}, {1, 0, 255}}};
    cases.push_back(codesOf(17, 9, 5));
    cases.back()[0][0] = 103;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Bitmap source = HeightImage(cases[i]);
        Bitmap colour, relief, threePasses, onePass;
        MakeColourImage(source, colour, {});
        const CellCounts counts = MakeReliefImage(source, relief, {});
        MakeCombinedImage(colour, relief, threePasses, {});
        const CellCounts fused = MakeShadedImage(source, onePass, {});
        ASSERT_EQ(onePass.Format(), PixelFormat::Bgr24) << i;
        ASSERT_EQ(onePass.Width(), threePasses.Width()) << i;
        ASSERT_EQ(onePass.Height(), threePasses.Height()) << i;
        for (int y = 0; y < onePass.Height(); ++y)
            EXPECT_EQ(
                std::memcmp(onePass.Row(y), threePasses.Row(y), 3 * std::size_t(onePass.Width())),
                0)
                << "case " << i << " row " << y;
        for (int d = 1; d <= 5; ++d)
            EXPECT_EQ(fused[d], counts[d]) << "case " << i << " step " << d;
    }
}

TEST(ShadedImage, ReportsTheRowsOfItsOwnHalfAndRefusesOtherImages) {
    Bitmap combined;
    std::vector<int> reports;
    MakeShadedImage(HeightImage({{0, 1}, {2, 3}, {4, 5}, {6, 7}}), combined,
                    [&](int p) { reports.push_back(p); });
    EXPECT_EQ(reports, (std::vector<int>{0, 50}));
    Bitmap rgb(2, 2, PixelFormat::Bgr24);
    EXPECT_THROW(MakeShadedImage(rgb, combined, {}), EInvalidGraphicOperation);
}

TEST(ShadedImage, ShadingAheadOfArrivingRowsGivesTheOnePassImage) {
    // Heights ending inside a band, on its edge and past several; rows arriving one at a time,
    // in uneven runs and all at once.
    for (int height : {1, 2, 31, 32, 33, 100}) {
        const Bitmap source = HeightImage(RandomCodes(9, height, unsigned(height)));
        Bitmap expected;
        const CellCounts expectedCounts = MakeShadedImage(source, expected, {});
        for (int run : {1, 7, 1000}) {
            SCOPED_TRACE("height " + std::to_string(height) + ", runs of " + std::to_string(run));
            Bitmap arriving(source.Width(), source.Height(), PixelFormat::Indexed8);
            Bitmap combined;
            ShadingAhead shading(arriving, combined);
            for (int rows = 0; rows < height;) {
                const int next = std::min(height, rows + run);
                for (int y = rows; y < next; ++y)
                    std::memcpy(arriving.Row(y), source.Row(y), std::size_t(source.Width()));
                shading.Publish(next);
                rows = next;
            }
            std::vector<int> reports;
            const CellCounts counts = shading.Finish([&](int p) { reports.push_back(p); });
            EXPECT_TRUE(SameRows(combined, expected));
            for (int d = 1; d <= 5; ++d) EXPECT_EQ(counts[d], expectedCounts[d]) << d;
            EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
        }
    }
}

TEST(ShadedImage, ShadingAheadNeverReadsARowBeforeItIsPublished) {
    // Rows not yet published hold codes of another image, and each comes late enough that a
    // helper reading ahead of its gate would shade with them.
    const Bitmap source = HeightImage(RandomCodes(16, 70, 11));
    Bitmap expected;
    const CellCounts expectedCounts = MakeShadedImage(source, expected, {});
    Bitmap arriving = HeightImage(RandomCodes(16, 70, 12));
    Bitmap combined;
    ShadingAhead shading(arriving, combined);
    for (int y = 0; y < source.Height(); ++y) {
        std::memcpy(arriving.Row(y), source.Row(y), std::size_t(source.Width()));
        shading.Publish(y + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const CellCounts counts = shading.Finish({});
    EXPECT_TRUE(SameRows(combined, expected));
    for (int d = 1; d <= 5; ++d) EXPECT_EQ(counts[d], expectedCounts[d]) << d;
}

TEST(ShadedImage, ShadingAheadUnderRandomPausesGivesTheOnePassImage) {
    const Bitmap source = HeightImage(RandomCodes(40, 150, 21));
    Bitmap expected;
    const CellCounts expectedCounts = MakeShadedImage(source, expected, {});
    RandomHandOverPauses pauses;
    for (int run = 0, runs = StressRuns(15, 0.5); run < runs; ++run) {
        Bitmap arriving = HeightImage(RandomCodes(40, 150, 22));
        Bitmap combined;
        ShadingAhead shading(arriving, combined);
        for (int y = 0; y < source.Height();) {
            const int next = std::min(source.Height(), y + 1 + (y * 5 + run) % 40);
            for (; y < next; ++y)
                std::memcpy(arriving.Row(y), source.Row(y), std::size_t(source.Width()));
            shading.Publish(next);
        }
        const CellCounts counts = shading.Finish({});
        ASSERT_TRUE(SameRows(combined, expected)) << "run " << run;
        for (int d = 1; d <= 5; ++d) ASSERT_EQ(counts[d], expectedCounts[d]) << d;
    }
}

TEST(ShadedImage, ShadingAheadStopsForRowsThatNeverComeAndDeclinesOtherImages) {
    const Bitmap source = HeightImage(RandomCodes(5, 80, 3));
    {
        Bitmap combined;
        ShadingAhead shading(source, combined);
        shading.Publish(40);
        EXPECT_THROW(shading.Finish({}), std::logic_error);
    }  // the helper waiting for row 64 must let go here
    {
        Bitmap combined;
        ShadingAhead abandoned(source, combined);
        abandoned.Publish(3);
    }
    Bitmap rgb(2, 2, PixelFormat::Bgr24), combined;
    ShadingAhead shading(rgb, combined);
    shading.Publish(2);
    EXPECT_THROW(shading.Finish({}), EInvalidGraphicOperation);
}
