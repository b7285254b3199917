#include "TerrainFiles.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

#include "ByteOrder.h"
#include "Errors.h"
#include "Gtopo30Layout.h"
#include "ReplacingFile.h"
#include "ReplacingFileSet.h"
#include "TopographyLayout.h"

namespace {

constexpr int kCellsPerDegree = 120;
constexpr std::int16_t kOcean = gtopo30::kOcean;
constexpr std::size_t kWriteBuffer = 8 << 20;

using topography::kLayout2Probe;
using topography::kLayout3Probe;
using topography::kPoleDepth;

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace

std::int16_t HeightSample(float metres) {
    return static_cast<std::int16_t>(std::clamp(std::nearbyint(metres), -32768.0f, 32767.0f));
}

std::vector<Gtopo30Tile> Gtopo30Tiles() {
    std::vector<Gtopo30Tile> tiles;
    for (const gtopo30::TileLayout& tile : gtopo30::kTiles)
        tiles.push_back({tile.Name(), tile.firstColumn, tile.firstRow, tile.columns, tile.rows});
    return tiles;
}

std::string Gtopo30Header(const Gtopo30Tile& tile) {
    const double cell = 1.0 / kCellsPerDegree;
    double westEdge = -180 + tile.firstColumn * cell;
    double northEdge = 90 - tile.firstRow * cell;
    std::string rowBytes = std::to_string(2 * tile.columns);
    return "BYTEORDER      M\n"
           "LAYOUT         BIL\n"
           "NROWS          " +
           std::to_string(tile.rows) +
           "\n"
           "NCOLS          " +
           std::to_string(tile.columns) +
           "\n"
           "NBANDS         1\n"
           "NBITS          16\n"
           "BANDROWBYTES   " +
           rowBytes +
           "\n"
           "TOTALROWBYTES  " +
           rowBytes +
           "\n"
           "BANDGAPBYTES   0\n"
           "NODATA         -9999\n"
           "ULXMAP         " +
           Number(westEdge + cell / 2) +
           "\n"
           "ULYMAP         " +
           Number(northEdge - cell / 2) +
           "\n"
           "XDIM           " +
           Number(cell) +
           "\n"
           "YDIM           " +
           Number(cell) + "\n";
}

void Gtopo30Row(const TerrainModel& model, const Gtopo30Tile& tile, int row, std::uint8_t* out) {
    const double cell = 1.0 / kCellsPerDegree;
    std::vector<float> heights(static_cast<std::size_t>(tile.columns));
    std::vector<std::uint8_t> land(static_cast<std::size_t>(tile.columns));
    double lat = 90 - (tile.firstRow + row + 0.5) * cell;
    double firstLon = -180 + (tile.firstColumn + 0.5) * cell;
    model.SampleRow(lat, firstLon, cell, tile.columns, heights.data(), land.data());
    for (int i = 0; i < tile.columns; ++i) {
        std::int16_t sample =
            land[i] ? std::max<std::int16_t>(HeightSample(heights[i]), 0) : kOcean;
        StoreBigEndian16(out + 2 * i, static_cast<std::uint16_t>(sample));
    }
}

EtopoLayout EtopoLayoutOf(int code) {
    if (code < 1 || code > 4)
        throw VarnholtError("Unknown grid layout " + std::to_string(code) +
                            " (layouts are 1 to 4)");
    const topography::Layout& layout = topography::kLayouts[code - 1];
    return {layout.code, layout.columns, layout.rows, layout.littleEndian};
}

void EtopoRow(const TerrainModel& model, const EtopoLayout& layout, int row,
              std::int16_t* samples) {
    std::vector<float> heights(static_cast<std::size_t>(layout.columns));
    std::vector<std::uint8_t> land(static_cast<std::size_t>(layout.columns));
    if (layout.code == 4) {
        constexpr double kPi = 3.14159265358979323846;
        double ordinateDeg = (6336 - 2 * row - 1) / 60.0;
        double lat = std::atan(std::sinh(ordinateDeg * kPi / 180)) * 180 / kPi;
        model.SampleRow(lat, 1 / 60.0, 2 / 60.0, layout.columns, heights.data(), land.data());
    } else if (row == 0) {
        MarkEtopoProbes(layout, row, samples);
        return;
    } else {
        double firstLon = layout.code == 2 ? -180 : 0;
        model.SampleRow(90 - row / 12.0, firstLon, 1 / 12.0, layout.columns, heights.data(),
                        land.data());
    }
    for (int i = 0; i < layout.columns; ++i) samples[i] = HeightSample(heights[i]);
    MarkEtopoProbes(layout, row, samples);
}

void MarkEtopoProbes(const EtopoLayout& layout, int row, std::int16_t* samples) {
    if (layout.code == 4) return;
    if (row == 0) std::fill(samples, samples + layout.columns, kPoleDepth);
    if (row == 1 && layout.code == 2) samples[0] = kLayout2Probe;
    if (row == 1 && layout.code == 3) samples[0] = kLayout3Probe;
}

void EncodeEtopoRow(const EtopoLayout& layout, const std::int16_t* samples, std::uint8_t* bytes) {
    for (int i = 0; i < layout.columns; ++i) {
        auto value = static_cast<std::uint16_t>(samples[i]);
        if (layout.littleEndian) {
            StoreLittleEndian16(&bytes[2 * i], value);
        } else {
            StoreBigEndian16(&bytes[2 * i], value);
        }
    }
}

void WriteGtopo30Tiles(const TerrainModel& model, const std::string& folder, int threads,
                       const ProgressReport& progress) {
    const std::vector<Gtopo30Tile> tiles = Gtopo30Tiles();
    long long totalRows = 0;
    for (const Gtopo30Tile& tile : tiles) totalRows += tile.rows;
    std::atomic<std::size_t> nextTile{0};
    std::atomic<bool> failed{false};
    std::mutex lock;
    std::exception_ptr firstError;
    long long rowsDone = 0;
    // Made here, written by the workers, replacing the folder's previous set together.
    ReplacingFileSet set(folder);
    std::vector<ReplacingFile*> dems;
    for (const Gtopo30Tile& tile : tiles) {
        set.Add(tile.name + ".HDR", 4096).Write(Gtopo30Header(tile));
        dems.push_back(&set.Add(tile.name + ".dem", kWriteBuffer));
    }
    auto work = [&] {
        try {
            std::vector<std::uint8_t> rowBytes;
            for (std::size_t index = nextTile++; index < tiles.size() && !failed;
                 index = nextTile++) {
                const Gtopo30Tile& tile = tiles[index];
                ReplacingFile& dem = *dems[index];
                rowBytes.resize(2 * static_cast<std::size_t>(tile.columns));
                for (int row = 0; row < tile.rows && !failed; ++row) {
                    Gtopo30Row(model, tile, row, rowBytes.data());
                    dem.Write(rowBytes.data(), rowBytes.size());
                }
                if (failed) return;
                // Syncs on the worker and gives its buffer back before the next tile.
                dem.Seal();
                std::lock_guard guard(lock);
                rowsDone += tile.rows;
                if (progress) progress(static_cast<double>(rowsDone) / totalRows);
            }
        } catch (...) {
            std::lock_guard guard(lock);
            if (!firstError) firstError = std::current_exception();
            failed = true;
        }
    };
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < std::clamp(threads, 1, 64); ++t) workers.emplace_back(work);
    }
    if (firstError) std::rethrow_exception(firstError);
    set.Commit();
}

void WriteEtopoGrid(const TerrainModel& model, int layoutCode, const std::string& path,
                    const ProgressReport& progress) {
    const EtopoLayout layout = EtopoLayoutOf(layoutCode);
    ReplacingFile file(path, kWriteBuffer);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(layout.columns));
    std::vector<std::uint8_t> bytes(2 * samples.size());
    for (int row = 0; row < layout.rows; ++row) {
        EtopoRow(model, layout, row, samples.data());
        EncodeEtopoRow(layout, samples.data(), bytes.data());
        file.Write(bytes.data(), bytes.size());
        if (progress && (row + 1) % 64 == 0) progress(static_cast<double>(row + 1) / layout.rows);
    }
    file.Commit();
    if (progress) progress(1.0);
}
