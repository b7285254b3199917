#pragma once
// Colours a drawn map by ground height. Sea and lake pixels (blue, aqua or white) take one
// water colour; every other pixel inside the world takes the colour of the height under it,
// from a 65,536-entry table indexed by metres that ramps through eleven anchors given in feet
// (converted to metres, halves to even). Pixels beyond the world's east or west edge, and rows
// the grid does not cover, keep their colour.
//
// The pass works on a copy of the picture and copies finished rows back in bands, at most one
// band per 200 ms of the tick, so the screen can follow without slowing it.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "Bitmap.h"
#include "ElevationColours.h"
#include "MapView.h"
#include "Tick.h"
#include "Topography.h"

constexpr std::array<int, 11> HeightAnchorsFeet = {-200, -100, 0,    300,   600,  1000,
                                                   1500, 3000, 6000, 10000, 16000};
// The colours of the builder's ramp, at heights given in feet.
constexpr std::array<Colour, 11> AnchorColours = ControlColours;
constexpr Colour WaterColour = 0x00F0F080;

// What the pass reports while it runs; every hook is optional.
struct TColouringProgress {
    std::function<void(int maxRow)> started;
    std::function<void(int row)> position;  // at each throttled update, before the band copy
    // Rows first..end-1 were copied into the picture.
    std::function<void(int first, int end)> bandCopied;
    std::function<void()> finished;
    TickClock clock = GetTickCount;
};

class THeightColouring {
public:
    THeightColouring() : ColourTable(65536) {}

    void BuildColourTable();
    Colour HeightColour(std::int16_t metres) const {
        return ColourTable[std::size_t(metres + 32768)];
    }

    // Colours the picture (24-bit, as the map is drawn) in place. Does nothing without a
    // recognised grid, an empty or non-24-bit picture, or when the grid cannot be mapped.
    // True when the pass ran.
    bool AddTopography(Bitmap& picture, TTopography& topography, const TMapView& view,
                       const TColouringProgress& progress);

    // Indexed by metres + 32768.
    std::vector<Colour> ColourTable;
};
