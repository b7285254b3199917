#pragma once
// Exact rounding division on 128-bit integers: pixel coordinates of far-off points reach 2^32,
// and the rasterisers multiply two such differences before dividing. The tools floor longitudes
// into turns with it too.

using Wide = __int128;

inline Wide CeilDiv(Wide numerator, Wide positiveDivisor) {
    Wide quotient = numerator / positiveDivisor;
    if (numerator % positiveDivisor != 0 && numerator > 0) ++quotient;
    return quotient;
}

inline Wide FloorDiv(Wide numerator, Wide positiveDivisor) {
    Wide quotient = numerator / positiveDivisor;
    if (numerator % positiveDivisor != 0 && numerator < 0) --quotient;
    return quotient;
}
