#include "DemImport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "ByteOrder.h"
#include "Gtopo30Layout.h"
#include "ReplacingFileSet.h"
#include "TerrainFiles.h"

namespace {

// 43200 × 300 floats is 52 MB; GDAL's cache and warp memory come on top.
constexpr int kTileStripRows = 300;
constexpr int kGridStripRows = 180;
constexpr std::size_t kTileBuffer = 1 << 20;
constexpr std::int16_t kOcean = gtopo30::kOcean;

// Runs `use(firstRow, rows, heights, anyData)` over the grid strip by strip and counts the empty
// cells.
template <typename Use>
ImportCounts ForEachStrip(const DemSource& source, const GeoGrid& grid, int stripRows,
                          Resampling resampling, const ImportProgress& progress, Use use) {
    ImportCounts counts;
    std::vector<float> heights(static_cast<std::size_t>(grid.columns) * stripRows);
    for (int first = 0; first < grid.rows; first += stripRows) {
        int rows = std::min(stripRows, grid.rows - first);
        const long long withoutDataBefore = counts.cellsWithoutData;
        source.Warp(grid, first, rows, resampling, heights.data());
        std::size_t cells = static_cast<std::size_t>(grid.columns) * rows;
        counts.cells += static_cast<long long>(cells);
        counts.cellsWithoutData +=
            std::count_if(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(cells),
                          [](float h) { return std::isnan(h); });
        const auto withoutData =
            static_cast<std::size_t>(counts.cellsWithoutData - withoutDataBefore);
        use(first, rows, heights.data(), withoutData < cells);
        if (progress) progress(static_cast<double>(first + rows) / grid.rows);
    }
    return counts;
}

std::vector<std::uint8_t> OceanRow(std::size_t cells) {
    std::vector<std::uint8_t> row(2 * cells);
    for (std::size_t c = 0; c < cells; ++c) {
        StoreBigEndian16(&row[2 * c], static_cast<std::uint16_t>(kOcean));
    }
    return row;
}

}  // namespace

std::int16_t TileSample(float metres, const ShorelineLandMask* landMask, bool land) {
    if (std::isnan(metres)) metres = 0;
    if (landMask) {
        return land ? std::max<std::int16_t>(HeightSample(metres), kOcean + 1) : kOcean;
    }
    return metres > 0 ? HeightSample(metres) : kOcean;
}

ImportCounts ImportTiles(const DemSource& source, const std::string& folder, Resampling resampling,
                         const ShorelineLandMask* landMask, const ImportProgress& progress) {
    const std::vector<Gtopo30Tile> tiles = Gtopo30Tiles();
    // The tiles stay hidden temporaries until all are written and then replace the folder's
    // previous set together.
    ReplacingFileSet set(folder);
    std::vector<ReplacingFile*> files;
    for (const Gtopo30Tile& tile : tiles)
        files.push_back(&set.Add(tile.name + ".dem", kTileBuffer));
    const GeoGrid grid{-180, 90, 360.0 / gtopo30::kGridColumns, gtopo30::kGridColumns,
                       gtopo30::kGridRows};
    std::vector<std::uint8_t> land;
    if (landMask) land.resize(static_cast<std::size_t>(grid.columns) * kTileStripRows);
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> oceanRow;

    // A strip without data (most of the world, for a regional input) is ocean wherever no
    // shoreline makes land: there is no sample to convert.
    const std::vector<std::uint8_t> noLand(static_cast<std::size_t>(gtopo30::kGridColumns));
    auto writeStrip = [&](int firstRow, int rows, const float* heights, bool anyData) {
        if (landMask) landMask->FillRows(firstRow, rows, land.data());
        for (int r = 0; r < rows; ++r) {
            const int row = firstRow + r;
            const std::size_t rowStart = static_cast<std::size_t>(r) * grid.columns;
            for (std::size_t t = 0; t < tiles.size(); ++t) {
                const Gtopo30Tile& tile = tiles[t];
                if (row < tile.firstRow || row >= tile.firstRow + tile.rows) continue;
                const std::size_t first = rowStart + tile.firstColumn;
                const std::size_t columns = static_cast<std::size_t>(tile.columns);
                if (!anyData &&
                    (!landMask || std::memcmp(&land[first], noLand.data(), columns) == 0)) {
                    if (oceanRow.size() < 2 * columns) oceanRow = OceanRow(columns);
                    files[t]->Write(oceanRow.data(), 2 * columns);
                    continue;
                }
                bytes.resize(2 * columns);
                for (std::size_t c = 0; c < columns; ++c) {
                    bool isLand = landMask && land[first + c] != 0;
                    StoreBigEndian16(&bytes[2 * c], static_cast<std::uint16_t>(TileSample(
                                                        heights[first + c], landMask, isLand)));
                }
                files[t]->Write(bytes.data(), bytes.size());
            }
        }
    };
    ImportCounts counts =
        ForEachStrip(source, grid, kTileStripRows, resampling, progress, writeStrip);
    for (const Gtopo30Tile& tile : tiles)
        set.Add(tile.name + ".HDR", 4096).Write(Gtopo30Header(tile));
    set.Commit();
    return counts;
}

ImportCounts ImportEtopoGrid(const DemSource& source, const std::string& path,
                             Resampling resampling, const ImportProgress& progress) {
    const EtopoLayout layout = EtopoLayoutOf(1);
    const int columns = layout.columns - 1;  // the last repeats the first, at 360°
    // Samples sit on the 5-minute nodes from 180° W and 90° N: cells centred on them.
    const double cell = 360.0 / columns;
    const GeoGrid grid{-180 - cell / 2, 90 + cell / 2, cell, columns, layout.rows};
    ReplacingFile file(path, 1 << 20);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(layout.columns));
    std::vector<std::uint8_t> bytes(2 * samples.size());

    auto writeStrip = [&](int firstRow, int rows, const float* heights, bool) {
        for (int r = 0; r < rows; ++r) {
            const float* fromDateline = heights + static_cast<std::size_t>(r) * columns;
            for (int c = 0; c < layout.columns; ++c) {
                float h = fromDateline[(c + columns / 2) % columns];
                samples[c] = HeightSample(std::isnan(h) ? 0.0f : h);
            }
            MarkEtopoProbes(layout, firstRow + r, samples.data());
            EncodeEtopoRow(layout, samples.data(), bytes.data());
            file.Write(bytes.data(), bytes.size());
        }
    };
    ImportCounts counts =
        ForEachStrip(source, grid, kGridStripRows, resampling, progress, writeStrip);
    file.Commit();
    return counts;
}
