#pragma once
// A full-size GTOPO30 tile set for tests: the 33 tiles as sparse files of their full length, zero
// everywhere but where a test puts heights.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SparseFile.h"

class GtopoTiles {
public:
    static constexpr std::uint64_t kBandTileBytes = 57'600'000;   // 4800 x 6000
    static constexpr std::uint64_t kPolarTileBytes = 51'840'000;  // 7200 x 3600

    // Creates all 33 tiles in folder (which ends in "/"), their names ending in extension.
    explicit GtopoTiles(std::string folder, const std::string& extension = ".dem")
        : folder_(std::move(folder)) {
        for (const auto& prefix : BandPrefixes())
            for (const char* band : {"N90", "N40", "S10"})
                MakeSparseFile(folder_ + prefix + band + extension, kBandTileBytes);
        for (const auto& prefix : PolarPrefixes())
            MakeSparseFile(folder_ + prefix + "S60" + extension, kPolarTileBytes);
    }

    const std::string& Folder() const { return folder_; }

    // Stores a height at (column, row) of the tile named.
    void Put(const std::string& tile, int column, int row, std::int16_t height) const {
        const std::uint64_t columns = IsPolar(tile) ? 7200 : 4800;
        PutSample(folder_ + tile, std::uint64_t(row) * columns + std::uint64_t(column), height);
    }
    // Stores a height at a cell of the whole 43200 x 21600 grid, in the tile that holds it.
    void PutCell(int column, int row, std::int16_t height) const {
        const int band = row / 6000;
        const int tileColumns = band == 3 ? 7200 : 4800;
        const std::string& prefix =
            band == 3 ? PolarPrefixes()[column / 7200] : BandPrefixes()[column / 4800];
        const char* suffix[] = {"N90.dem", "N40.dem", "S10.dem", "S60.dem"};
        Put(prefix + suffix[band], column % tileColumns, row % 6000, height);
    }

private:
    static const std::vector<std::string>& BandPrefixes() {
        static const std::vector<std::string> prefixes = {"W180", "W140", "W100", "W060", "W020",
                                                          "E020", "E060", "E100", "E140"};
        return prefixes;
    }
    static const std::vector<std::string>& PolarPrefixes() {
        static const std::vector<std::string> prefixes = {"W180", "W120", "W060",
                                                          "W000", "E060", "E120"};
        return prefixes;
    }
    static bool IsPolar(const std::string& tile) { return tile.find("S60") != std::string::npos; }

    std::string folder_;
};
