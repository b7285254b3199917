#pragma once
// Elevation rasters to the files the programs read: the 33 GTOPO30 tiles at 30″ and the
// 5-minute grid in the first ETOPO5 layout, each resampled from the input a strip of rows at a
// time. A cell without data (outside the input or nodata there) counts as sea level, 0 m.
#include <cstdint>
#include <functional>
#include <string>

#include "DemSource.h"
#include "ShorelineLandMask.h"

using ImportProgress = std::function<void(double)>;

struct ImportCounts {
    long long cells = 0;
    long long cellsWithoutData = 0;
};

// A tile sample from a height in metres (NaN for no data). With a land mask the mask alone
// decides land; without one, heights at or below 0 m are ocean. Land is rounded to whole metres
// and kept above the ocean code, which it would otherwise be read as.
std::int16_t TileSample(float metres, const ShorelineLandMask* landMask, bool land);

// Writes the tiles and their headers into `folder`, which must exist; the 33 tiles appear
// together, or none of them when anything fails.
ImportCounts ImportTiles(const DemSource& source, const std::string& folder, Resampling resampling,
                         const ShorelineLandMask* landMask, const ImportProgress& progress);

// Writes a 4321 × 2160 little-endian grid of heights from Greenwich, sea depths kept, whose
// pole row holds the depth the map viewer recognises the layout by.
ImportCounts ImportEtopoGrid(const DemSource& source, const std::string& path,
                             Resampling resampling, const ImportProgress& progress);
