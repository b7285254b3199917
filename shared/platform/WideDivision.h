#pragma once
// Exact rounding division on 128-bit integers: pixel coordinates of far-off points reach 2^32,
// and the rasterisers multiply two such differences before dividing. The tools floor longitudes
// into turns with it too. Rasterisers whose coordinates are all within kNarrowCoordinate run the
// same arithmetic on 64 bits, where a division is several times cheaper.
#include <cstdint>
#include <type_traits>

using Wide = __int128;

// Products of two differences of such coordinates stay below 2^62.
inline constexpr std::int64_t kNarrowCoordinate = std::int64_t(1) << 29;

inline bool IsNarrow(std::int64_t value) {
    return value > -kNarrowCoordinate && value < kNarrowCoordinate;
}

template <class Int = Wide>
Int CeilDiv(std::type_identity_t<Int> numerator, std::type_identity_t<Int> positiveDivisor) {
    Int quotient = numerator / positiveDivisor;
    if (numerator % positiveDivisor != 0 && numerator > 0) ++quotient;
    return quotient;
}

template <class Int = Wide>
Int FloorDiv(std::type_identity_t<Int> numerator, std::type_identity_t<Int> positiveDivisor) {
    Int quotient = numerator / positiveDivisor;
    if (numerator % positiveDivisor != 0 && numerator < 0) --quotient;
    return quotient;
}
