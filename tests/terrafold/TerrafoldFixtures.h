#pragma once
// Inputs for the height-image builder's tests: a full tile set, shoreline files with outlines on
// the pixels of its 5400 x 2700 raster, and the chunks of the images it writes.
#include <cstdint>

#include "GtopoTiles.h"
#include "PngFiles.h"
#include "ShorelineFile.h"

namespace terrafold_test {

// The corner at pixel (x, y) of the raster, 15 pixels a degree, in whole micro-degrees.
inline ShorelinePoint Pixel(int x, int y) {
    return {std::int32_t((std::int64_t(x) * 1'000'000) / 15 - 180'000'000),
            std::int32_t(90'000'000 - (std::int64_t(y) * 1'000'000) / 15)};
}

}  // namespace terrafold_test
