#pragma once
// Writing a TerrainModel as the elevation files the programs read.
//
// GTOPO30: 33 tiles of big-endian int16 at 30 arc-seconds (cell centres at 1/240° from the
// tile edges), ocean -9999, each "<name>.dem" with a "<name>.HDR" that GDAL's EHdr driver
// reads. ETOPO5-type grids in four layouts, identified by the size and probe samples the map
// viewer checks: 1 = 4321 × 2160 little-endian from Greenwich, 2 = 4320 × 2160 big-endian
// from 180° W, 3 = the same from Greenwich, 4 = 10800 × 6336 big-endian 2-minute Mercator
// rows from about 72° N; 5-minute rows and columns are sampled on the 5-minute nodes starting
// at 90° N, and the pole row is one value, as in the real data set.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TerrainModel.h"

struct Gtopo30Tile {
    std::string name;     // e.g. "W180N90"
    int firstColumn = 0;  // in the 43200 × 21600 global grid
    int firstRow = 0;
    int columns = 0;
    int rows = 0;
};

// The 33 tiles, band by band from the north, west to east within a band.
std::vector<Gtopo30Tile> Gtopo30Tiles();
std::string Gtopo30Header(const Gtopo30Tile& tile);
// One tile row as file bytes (2 × columns).
void Gtopo30Row(const TerrainModel& model, const Gtopo30Tile& tile, int row, std::uint8_t* out);

// Metres rounded to the nearest whole metre (halves to even) and clamped to 16 bits.
std::int16_t HeightSample(float metres);

struct EtopoLayout {
    int code = 0;
    int columns = 0;
    int rows = 0;
    bool littleEndian = false;
};

// Throws for codes other than 1..4.
EtopoLayout EtopoLayoutOf(int code);
// One grid row as heights in metres (negative below sea level).
void EtopoRow(const TerrainModel& model, const EtopoLayout& layout, int row, std::int16_t* samples);
// Puts the samples the viewer recognises a layout by into a row of heights: the whole pole row
// (row 0) of the 5-minute layouts and the probe at the start of row 1.
void MarkEtopoProbes(const EtopoLayout& layout, int row, std::int16_t* samples);
// A grid row as file bytes (2 × columns) in the layout's byte order.
void EncodeEtopoRow(const EtopoLayout& layout, const std::int16_t* samples, std::uint8_t* bytes);

// Progress is reported as the fraction done, from one thread at a time.
using ProgressReport = std::function<void(double)>;

// Writes every tile (and header) into `folder`, which must exist; they replace the folder's
// earlier set together.
void WriteGtopo30Tiles(const TerrainModel& model, const std::string& folder, int threads,
                       const ProgressReport& progress);
void WriteEtopoGrid(const TerrainModel& model, int layoutCode, const std::string& path,
                    const ProgressReport& progress);
