#include "PngFilterChoice.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace pngcodec {

namespace {

// A filtered byte read as signed, by its magnitude.
[[gnu::always_inline]] inline unsigned Magnitude(unsigned byte) {
    return byte < 128 ? byte : 256 - byte;
}

[[gnu::always_inline]] inline unsigned PaethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(b - c + a - c);
    return unsigned(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Each sum in its own loop without early exits, so that the compiler vectorises it; an exit
// once a sum is beaten cannot change which one is smallest.
[[gnu::always_inline]] inline std::size_t SumNone(const std::uint8_t* row, std::size_t bytes) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += Magnitude(row[i]);
    return sum;
}

[[gnu::always_inline]] inline std::size_t SumSub(const std::uint8_t* row, std::size_t bytes,
                                                 std::size_t bpp) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bpp && i < bytes; ++i) sum += Magnitude(row[i]);
    for (std::size_t i = bpp; i < bytes; ++i) sum += Magnitude((row[i] - row[i - bpp]) & 0xFFu);
    return sum;
}

[[gnu::always_inline]] inline std::size_t SumUp(const std::uint8_t* row, const std::uint8_t* above,
                                                std::size_t bytes) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += Magnitude((row[i] - above[i]) & 0xFFu);
    return sum;
}

[[gnu::always_inline]] inline std::size_t SumAverage(const std::uint8_t* row,
                                                     const std::uint8_t* above, std::size_t bytes,
                                                     std::size_t bpp) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bpp && i < bytes; ++i)
        sum += Magnitude((row[i] - (above[i] >> 1)) & 0xFFu);
    for (std::size_t i = bpp; i < bytes; ++i)
        sum += Magnitude((row[i] - ((row[i - bpp] + above[i]) >> 1)) & 0xFFu);
    return sum;
}

[[gnu::always_inline]] inline std::size_t SumPaeth(const std::uint8_t* row,
                                                   const std::uint8_t* above, std::size_t bytes,
                                                   std::size_t bpp) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bpp && i < bytes; ++i)
        sum += Magnitude((row[i] - above[i]) & 0xFFu);
    for (std::size_t i = bpp; i < bytes; ++i)
        sum += Magnitude((row[i] - PaethPredictor(row[i - bpp], above[i], above[i - bpp])) & 0xFFu);
    return sum;
}

int OnlyFilter(int filters) {
    for (int flag :
         {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH})
        if (filters == flag) return flag;
    return 0;
}

}  // namespace

int UsableFilters(int filterFlags, std::uint32_t width, std::uint32_t height) {
    int filters = filterFlags & PNG_ALL_FILTERS;
    if (height == 1) filters &= ~(PNG_FILTER_UP | PNG_FILTER_AVG | PNG_FILTER_PAETH);
    if (width == 1) filters &= ~(PNG_FILTER_SUB | PNG_FILTER_AVG | PNG_FILTER_PAETH);
    return filters == 0 ? PNG_FILTER_NONE : filters;
}

// The sums are most of a PNG write's own work; machines with AVX2 take them twice as wide.
[[gnu::target_clones("avx2", "default")]] std::uint8_t ChooseRowFilter(const std::uint8_t* row,
                                                                       const std::uint8_t* above,
                                                                       std::size_t rowBytes,
                                                                       int bytesPerPixel,
                                                                       int usableFilters) {
    if (const int only = OnlyFilter(usableFilters)) return std::uint8_t(only);
    const std::size_t bpp = std::size_t(bytesPerPixel);
    int best = PNG_FILTER_NONE;
    std::size_t least = std::numeric_limits<std::size_t>::max() - 256;
    if (usableFilters & PNG_FILTER_NONE) least = SumNone(row, rowBytes);
    auto consider = [&](int flag, std::size_t sum) {
        if (sum < least) {
            least = sum;
            best = flag;
        }
    };
    if (usableFilters & PNG_FILTER_SUB) consider(PNG_FILTER_SUB, SumSub(row, rowBytes, bpp));
    if (usableFilters & PNG_FILTER_UP) consider(PNG_FILTER_UP, SumUp(row, above, rowBytes));
    if (usableFilters & PNG_FILTER_AVG)
        consider(PNG_FILTER_AVG, SumAverage(row, above, rowBytes, bpp));
    if (usableFilters & PNG_FILTER_PAETH)
        consider(PNG_FILTER_PAETH, SumPaeth(row, above, rowBytes, bpp));
    return std::uint8_t(best);
}

std::vector<std::uint8_t> ChooseRowFilters(const png_bytep* rows, std::uint32_t height,
                                           std::size_t rowBytes, int bytesPerPixel,
                                           int usableFilters) {
    std::vector<std::uint8_t> chosen(height);
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    for (std::uint32_t y = 0; y < height; ++y)
        chosen[y] = ChooseRowFilter(rows[y], y == 0 ? zeros.data() : rows[y - 1], rowBytes,
                                    bytesPerPixel, usableFilters);
    return chosen;
}

}  // namespace pngcodec
