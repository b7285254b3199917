#pragma once
// The world height image and land/sea mask sampled from the GTOPO30 grid: 5400 x 2700 pixels,
// one per 8 x 8 block of 30-arc-second cells (4 arc-minutes), column 0 at 180 W, row 0 at 90 N.
// A pixel takes the north-west cell of its block; there is no averaging. The other widths take
// blocks of k x k cells the same way, down to the grid's own 43200 x 21600 at k = 1.
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
// 43200 / k for k = 1, 2, 3, 4, 5, 6, 8: whole cells a pixel and whole pixels a tile.
inline constexpr std::array<int, 7> kWorldImageWidths = {43200, 21600, 14400, 10800,
                                                         8640,  7200,  5400};
bool IsWorldImageWidth(int width);

// Entry h + 32768 holds the height code of every signed 16-bit height h.
using HeightCodeTable = std::array<std::uint8_t, 65536>;

void FillHeightCodeTable(HeightCodeTable& table);

// Registered on the samples: the centre of pixel (x, y) is the centre of the cell (8x, 8y) its
// value comes from, so the image spans 1/240 degree less to the east and south than the world.
GeoTransform WorldImageTransform(int width = kWorldImageWidth);

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

// Rows firstRow..lastRow-1 of both images at a width of kWorldImageWidths (height width / 2),
// into rows 0.. of the band bitmaps (8-bit, that width), by the same rules as SampleTiles, for
// images too large to hold. Bad rows report as SampleTiles has them report.
void SampleRows(const TTileArray& tiles, const HeightCodeTable& codes, int width, int firstRow,
                int lastRow, Bitmap& heightBand, Bitmap& maskBand);
