#include "PngFilterChoice.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CpuClones.h"

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
    return unsigned((pa <= pb) & (pa <= pc) ? a : pb <= pc ? b : c);
}

// The magnitude sum of a row filtered against predict(left, up, upLeft), the bytes left of the
// first pixel counting as zeros. Each sum is its own loop without early exits, so that the
// compiler vectorises it; an exit once a sum is beaten cannot change which one is smallest.
template <class Predict>
[[gnu::always_inline]] inline std::size_t FilteredSum(const std::uint8_t* row,
                                                      const std::uint8_t* above, std::size_t bytes,
                                                      std::size_t bpp, Predict predict) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bpp && i < bytes; ++i)
        sum += Magnitude((row[i] - predict(0, above[i], 0)) & 0xFFu);
    for (std::size_t i = bpp; i < bytes; ++i)
        sum += Magnitude((row[i] - predict(row[i - bpp], above[i], above[i - bpp])) & 0xFFu);
    return sum;
}

int OnlyFilter(int filters) {
    for (int flag :
         {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH})
        if (filters == flag) return flag;
    return 0;
}

// The filtered bytes of a row against predict(left, up, upLeft); the output never overlaps the
// rows, which lets the compiler vectorise the loop.
template <class Predict>
[[gnu::always_inline]] inline void Filtered(const std::uint8_t* __restrict row,
                                            const std::uint8_t* __restrict above, std::size_t bytes,
                                            std::size_t bpp, std::uint8_t* __restrict out,
                                            Predict predict) {
    for (std::size_t i = 0; i < bpp; ++i) out[i] = std::uint8_t(row[i] - predict(0, above[i], 0));
    for (std::size_t i = bpp; i < bytes; ++i)
        out[i] = std::uint8_t(row[i] - predict(row[i - bpp], above[i], above[i - bpp]));
}

// The magnitude sum of filtered bytes. Shifted by 128, a byte's distance from 128 is its
// magnitude read as signed: a sum of absolute differences, which x86 adds 16 bytes at a time.
std::size_t MagnitudeSum(const std::uint8_t* bytes, std::size_t count) {
    std::size_t sum = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i half = _mm_set1_epi8(char(0x80));
    __m128i sums = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i shifted =
            _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)), half);
        sums = _mm_add_epi64(sums, _mm_sad_epu8(shifted, half));
    }
    sum = std::size_t(_mm_cvtsi128_si64(sums)) +
          std::size_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
    for (; i < count; ++i) sum += Magnitude(bytes[i]);
    return sum;
}

// Apart, since inside the switch below the compiler leaves this loop scalar; in 16-bit
// arithmetic, which holds every value of the predictor, so that a vector takes twice the bytes.
VARNHOLT_AVX2_CLONES void PaethFiltered(const std::uint8_t* __restrict row,
                                        const std::uint8_t* __restrict above, std::size_t rowBytes,
                                        std::size_t bpp, std::uint8_t* __restrict out) {
    for (std::size_t i = 0; i < bpp; ++i)
        out[i] = std::uint8_t(row[i] - PaethPredictor(0, above[i], 0));
    for (std::size_t i = bpp; i < rowBytes; ++i) {
        const std::int16_t left = row[i - bpp], up = above[i], upLeft = above[i - bpp];
        std::int16_t pa = std::int16_t(up - upLeft), pb = std::int16_t(left - upLeft);
        std::int16_t pc = std::int16_t(pa + pb);
        pa = pa < 0 ? std::int16_t(-pa) : pa;
        pb = pb < 0 ? std::int16_t(-pb) : pb;
        pc = pc < 0 ? std::int16_t(-pc) : pc;
        const std::int16_t predicted = (pa <= pb) & (pa <= pc) ? left : pb <= pc ? up : upLeft;
        out[i] = std::uint8_t(row[i] - predicted);
    }
}

VARNHOLT_AVX2_CLONES void FilterRow(int type, const std::uint8_t* row, const std::uint8_t* above,
                                    std::size_t rowBytes, int bytesPerPixel, std::uint8_t* out) {
    const std::size_t bpp = std::min(std::size_t(bytesPerPixel), rowBytes);
    out[0] = std::uint8_t(type);
    switch (type) {
        case 1:
            Filtered(row, above, rowBytes, bpp, out + 1,
                     [](int left, int, int) { return unsigned(left); });
            break;
        case 2:
            Filtered(row, above, rowBytes, bpp, out + 1,
                     [](int, int up, int) { return unsigned(up); });
            break;
        case 3:
            Filtered(row, above, rowBytes, bpp, out + 1,
                     [](int left, int up, int) { return unsigned(left + up) >> 1; });
            break;
        case 4:
            PaethFiltered(row, above, rowBytes, bpp, out + 1);
            break;
        default:
            std::copy(row, row + rowBytes, out + 1);
            break;
    }
}

}  // namespace

int UsableFilters(int filterFlags, std::uint32_t width, std::uint32_t height) {
    int filters = filterFlags & PNG_ALL_FILTERS;
    if (height == 1) filters &= ~(PNG_FILTER_UP | PNG_FILTER_AVG | PNG_FILTER_PAETH);
    if (width == 1) filters &= ~(PNG_FILTER_SUB | PNG_FILTER_AVG | PNG_FILTER_PAETH);
    return filters == 0 ? PNG_FILTER_NONE : filters;
}

// The sums are most of a PNG write's own work; machines with AVX2 take them twice as wide.
VARNHOLT_AVX2_CLONES std::uint8_t ChooseRowFilter(const std::uint8_t* row,
                                                  const std::uint8_t* above, std::size_t rowBytes,
                                                  int bytesPerPixel, int usableFilters) {
    if (const int only = OnlyFilter(usableFilters)) return std::uint8_t(only);
    const std::size_t bpp = std::size_t(bytesPerPixel);
    int best = PNG_FILTER_NONE;
    std::size_t least = std::numeric_limits<std::size_t>::max() - 256;
    auto sum = [&](auto predict) { return FilteredSum(row, above, rowBytes, bpp, predict); };
    if (usableFilters & PNG_FILTER_NONE) least = sum([](int, int, int) { return 0u; });
    auto consider = [&](int flag, std::size_t filtered) {
        if (filtered < least) {
            least = filtered;
            best = flag;
        }
    };
    if (usableFilters & PNG_FILTER_SUB)
        consider(PNG_FILTER_SUB, sum([](int left, int, int) { return unsigned(left); }));
    if (usableFilters & PNG_FILTER_UP)
        consider(PNG_FILTER_UP, sum([](int, int up, int) { return unsigned(up); }));
    if (usableFilters & PNG_FILTER_AVG)
        consider(PNG_FILTER_AVG,
                 sum([](int left, int up, int) { return unsigned(left + up) >> 1; }));
    if (usableFilters & PNG_FILTER_PAETH)
        consider(PNG_FILTER_PAETH, sum([](int left, int up, int upLeft) {
                     return PaethPredictor(left, up, upLeft);
                 }));
    return std::uint8_t(best);
}

const std::uint8_t* FilterRowAsChosen(const std::uint8_t* row, const std::uint8_t* above,
                                      std::size_t rowBytes, int bytesPerPixel, int usableFilters,
                                      std::uint8_t* candidates) {
    constexpr int kFlags[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                               PNG_FILTER_PAETH};
    const std::size_t stride = rowBytes + 1;
    auto make = [&](int type) {
        std::uint8_t* out = candidates + std::size_t(type) * stride;
        FilterRow(type, row, above, rowBytes, bytesPerPixel, out);
        return out;
    };
    if (const int only = OnlyFilter(usableFilters))
        return make(int(std::find(kFlags, kFlags + 5, only) - kFlags));
    // The order and the tie rule of ChooseRowFilter.
    int best = 0;
    std::size_t least = std::numeric_limits<std::size_t>::max() - 256;
    if (usableFilters & PNG_FILTER_NONE) least = MagnitudeSum(row, rowBytes);
    for (int type = 1; type < 5; ++type) {
        if (!(usableFilters & kFlags[type])) continue;
        const std::size_t sum = MagnitudeSum(make(type) + 1, rowBytes);
        if (sum < least) {
            least = sum;
            best = type;
        }
    }
    return best == 0 ? make(0) : candidates + std::size_t(best) * stride;
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
