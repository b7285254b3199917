#include <gtest/gtest.h>

#include <vector>

#include "HeightCodeBands.h"

// Rows of two whole bands and a part of a third, each code telling its place.
TEST(HeightCodeBands, EveryPixelReadsBackFromPackedAndUnpackedRows) {
    const int width = 37, height = 2 * HeightCodeBands::kRowsPerBand + 5;
    auto codeAt = [](int x, int y) { return std::uint8_t(y < 20 ? 0 : (x * 7 + y * 3) % 251); };
    HeightCodeBands bands(width);
    std::vector<std::uint8_t> row(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row[std::size_t(x)] = codeAt(x, y);
        bands.AddRow(row.data());
    }
    EXPECT_EQ(bands.Height(), height);
    // Out of order, so that bands are inflated again after others.
    for (int y : {height - 1, 0, 17, 3, 36, 16, 15, 31, 32})
        for (int x = 0; x < width; ++x) ASSERT_EQ(bands.Code(x, y), codeAt(x, y)) << x << "," << y;
    EXPECT_LT(bands.PackedBytes(), std::size_t(width * height));

    for (auto [x, y] : {std::pair{-1, 0}, {width, 0}, {0, -1}, {0, height}})
        EXPECT_FALSE(bands.Code(x, y)) << x << "," << y;
    EXPECT_FALSE(HeightCodeBands().Code(0, 0));
}
