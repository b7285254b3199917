#pragma once
// Height in whole metres (-32768 .. 32767) to display colour 0x00BBGGRR: a piecewise-linear ramp
// through eleven control heights from -60 m (green) to 5000 m (white). Below -60 m every height
// has the colour of -60 m, except -9999, the ocean marker of GTOPO30, which is black; from
// 5000 m up everything is white. The table is computed at compile time and never changes.
#include <array>
#include <cstdint>

#include "Colour.h"

constexpr int kLowestElevation = -32768;
constexpr int kHighestElevation = 32767;
using ElevationColourArray = std::array<Colour, 65536>;

constexpr std::array<int, 11> ControlHeights = {-60, -30,  0,    100,  200, 300,
                                                500, 1000, 2000, 3000, 5000};
constexpr std::array<Colour, 11> ControlColours = {0x0085DB37, 0x005FDE62, 0x0039E18D, 0x0089EDBB,
                                                   0x00C2F5DC, 0x00BCD8E0, 0x009AC4D1, 0x0068B0E6,
                                                   0x004F96AA, 0x00B995B6, 0x00FFFFFF};

// Tables are 65536 colours indexed by metres + 32768: the array here, or the viewer's vector.
template <typename Table>
constexpr Colour& ColourAt(Table& table, int metres) {
    return table[std::size_t(metres - kLowestElevation)];
}

// Fills the heights strictly between low and high by linear interpolation of each channel
// between the colours already stored at low and high (integer division, truncating).
template <typename Table>
constexpr void InterpolateColours(Table& table, int low, int high) {
    const Colour lowColour = ColourAt(table, low);
    const Colour highColour = ColourAt(table, high);
    const int span = high - low;
    auto channel = [&](int h, int shift, Colour mask) {
        const int atLow = int((lowColour >> shift) & mask);
        const int atHigh = int((highColour >> shift) & mask);
        return Colour(((high - h) * atLow + (h - low) * atHigh) / span);
    };
    for (int h = low + 1; h < high; ++h) {
        // Blue is "bits 16 and up", so it takes no mask.
        ColourAt(table, h) =
            channel(h, 0, 0xFF) + channel(h, 8, 0xFF) * 256 + channel(h, 16, 0xFFFFFF) * 65536;
    }
}

// The ramp both map programs colour heights with: the first colour up to the first height (and
// at or below 0 m), linear between the anchors, the last colour from the last height up.
template <typename Table>
constexpr void FillElevationRamp(Table& table, const std::array<int, 11>& heights,
                                 const std::array<Colour, 11>& colours) {
    for (int h = kLowestElevation; h <= 0; ++h) ColourAt(table, h) = colours[0];
    for (std::size_t k = 0; k < heights.size(); ++k) {
        ColourAt(table, heights[k]) = colours[k];
        if (k > 0) InterpolateColours(table, heights[k - 1], heights[k]);
    }
    for (int h = heights.back(); h <= kHighestElevation; ++h) ColourAt(table, h) = colours.back();
}

constexpr ElevationColourArray BuildElevationColours() {
    ElevationColourArray table{};
    FillElevationRamp(table, ControlHeights, ControlColours);
    ColourAt(table, -9999) = 0;
    return table;
}

// The whole table, for loops that index it themselves (index = metres + 32768).
extern const ElevationColourArray ElevationColourTable;

// The colour of a height; heights outside the table take the colour of its nearer end.
inline Colour ElevationColour(int metres) {
    if (metres < kLowestElevation) metres = kLowestElevation;
    if (metres > kHighestElevation) metres = kHighestElevation;
    return ElevationColourTable[std::size_t(metres - kLowestElevation)];
}
