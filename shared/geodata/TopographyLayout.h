#pragma once
// The ETOPO5-type topography grids the map viewer reads and the sample-data generator writes, in
// four layouts told apart by their size and two probe samples: 1 = 4321 x 2160 little-endian
// from Greenwich, 2 = 4320 x 2160 big-endian from 180 W, 3 = the same from Greenwich, 4 = 10800
// x 6336 big-endian 2-minute Mercator rows. Samples are signed 16-bit metres.
#include <array>
#include <cstdint>

namespace topography {

struct Layout {
    int code;
    int columns;
    int rows;
    bool littleEndian;
    std::uint64_t Samples() const { return std::uint64_t(columns) * std::uint64_t(rows); }
};

// Indexed by code - 1.
inline constexpr std::array<Layout, 4> kLayouts = {{
    {1, 4321, 2160, true},
    {2, 4320, 2160, false},
    {3, 4320, 2160, false},
    {4, 10800, 6336, false},
}};

// The probes are depths the real data set happens to hold: the pole row is all -4290 and the
// second row starts with -4278 (from 180 W) or -4288 (from Greenwich). The viewer has always
// recognised the layouts by them, so the generator writes them too, although they are not
// real measurements.
inline constexpr std::int16_t kPoleDepth = -4290;
inline constexpr std::int16_t kLayout2Probe = -4278;
inline constexpr std::int16_t kLayout3Probe = -4288;
// The sample the second probe is read at: the first of the second row of layouts 2 and 3.
inline constexpr std::uint64_t kSecondRowProbeSample = 4320;

}  // namespace topography
