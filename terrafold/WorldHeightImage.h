#pragma once
// The world height image and land/sea mask sampled from the GTOPO30 grid: 5400 x 2700 pixels,
// one per 8 x 8 block of 30-arc-second cells (4 arc-minutes), column 0 at 180 W, row 0 at 90 N.
// A pixel takes the north-west cell of its block; there is no averaging.
//
// Height code of a cell height h in metres: 0 for ocean (-9999), 1 for any other h <= 0,
// otherwise 3 x sqrt(h) rounded (halves to even) and capped at 255, so 2 never occurs and
// every h >= 7197 gives 255. Mask: 255 (land) where h >= 1, else 0 (water).
#include <array>
#include <cstdint>
#include <functional>

#include "Bitmap.h"
#include "GeoReference.h"

class TTileArray;

constexpr int kWorldImageWidth = 5400;
constexpr int kWorldImageHeight = 2700;

// Entry h + 32768 holds the height code of every signed 16-bit height h.
using HeightCodeTable = std::array<std::uint8_t, 65536>;

void FillHeightCodeTable(HeightCodeTable& table);

// Registered on the samples: the centre of pixel (x, y) is the centre of the cell (8x, 8y) its
// value comes from, so the image spans 1/240 degree less to the east and south than the world.
GeoTransform WorldImageTransform();

struct TileSamplingEvents {
    std::function<void()> TileStarting;  // before the pixels of each of the 33 tiles
    std::function<void()> TileDone;      // after them, so the display can fill in tile by tile
    // After the last tile of each band: rows 0..rowsDone-1 of both images are sampled.
    std::function<void(int rowsDone)> BandDone;
};

// Overwrites every pixel of both bitmaps (8-bit, kWorldImageWidth x kWorldImageHeight), tile by
// tile, band by band from the north, each tile from its first row to its last, west to east.
// Only the sampled rows of each mapping are touched. A row failing the tiles' bad-data check
// reports once per pixel taken from it, as a lookup per pixel would.
void SampleTiles(const TTileArray& tiles, const HeightCodeTable& codes, Bitmap& heightBitmap,
                 Bitmap& maskBitmap, const TileSamplingEvents& events = {});
