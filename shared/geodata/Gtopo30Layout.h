#pragma once
// The GTOPO30 tile layout, shared by the tile reader, the sample-data generator and the fuzz
// target: 43200 x 21600 cells of 30 arc-seconds, column 0 at 180 W, row 0 at 90 N, in 33 tiles
// of big-endian signed 16-bit heights (-9999 is ocean). Bands 0-2 (90 N to 60 S) hold nine
// tiles of 4800 x 6000 cells, band 3 (60 S to 90 S) six of 7200 x 3600.
#include <array>
#include <cstdint>
#include <string>

#include "ByteOrder.h"

namespace gtopo30 {

inline constexpr int kGridColumns = 43200;
inline constexpr int kGridRows = 21600;
inline constexpr int kTileCount = 33;
inline constexpr int kBandRows = 6000;
inline constexpr int kNarrowColumns = 4800;
inline constexpr int kWideColumns = 7200;
inline constexpr int kPolarRows = 3600;
inline constexpr std::int32_t kOcean = -9999;

struct TileLayout {
    const char* west;  // "W180"
    const char* band;  // "N90"
    int firstColumn;
    int firstRow;
    int columns;
    int rows;
    std::string Name() const { return std::string(west) + band; }  // "W180N90"
};

// In slot order: 9 x band + tile column for bands 0-2, 27 + tile column for band 3.
inline constexpr std::array<TileLayout, kTileCount> kTiles = [] {
    const char* const narrow[9] = {"W180", "W140", "W100", "W060", "W020",
                                   "E020", "E060", "E100", "E140"};
    const char* const wide[6] = {"W180", "W120", "W060", "W000", "E060", "E120"};
    const char* const bands[4] = {"N90", "N40", "S10", "S60"};
    std::array<TileLayout, kTileCount> tiles{};
    for (int band = 0; band < 3; ++band)
        for (int t = 0; t < 9; ++t)
            tiles[9 * band + t] = {narrow[t],        bands[band],    t * kNarrowColumns,
                                   band * kBandRows, kNarrowColumns, kBandRows};
    for (int t = 0; t < 6; ++t)
        tiles[27 + t] = {wide[t],       bands[3],     t * kWideColumns,
                         3 * kBandRows, kWideColumns, kPolarRows};
    return tiles;
}();

inline constexpr int SlotOf(int column, int row) {
    const int band = row / kBandRows;
    return band == 3 ? 27 + column / kWideColumns : 9 * band + column / kNarrowColumns;
}

// Whether a row of a tile is damaged: its first or last sample lies below the ocean value.
inline bool IsBadRow(const std::uint8_t* row, int columns) {
    return LoadBigEndianInt16(row) < kOcean || LoadBigEndianInt16(row + 2 * (columns - 1)) < kOcean;
}

}  // namespace gtopo30
