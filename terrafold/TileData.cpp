#include "TileData.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "Errors.h"
#include "FileLookup.h"

namespace {

constexpr int kBandRows = 6000;
constexpr int kNarrowColumns = 4800;
constexpr int kWideColumns = 7200;
constexpr int kPolarRows = 3600;
constexpr std::int32_t kOcean = -9999;

const char* const kNarrowPrefixes[9] = {"W180", "W140", "W100", "W060", "W020",
                                        "E020", "E060", "E100", "E140"};
const char* const kWidePrefixes[6] = {"W180", "W120", "W060", "W000", "E060", "E120"};
const char* const kBandSuffixes[4] = {"N90.dem", "N40.dem", "S10.dem", "S60.dem"};

std::int32_t BigEndianSample(const std::uint8_t* at) {
    return std::int16_t(std::uint16_t((at[0] << 8) | at[1]));
}

// Only the name decides: a folder called ...0S60 must not turn every tile into a polar one.
bool IsPolarTile(const std::string& path) {
    std::string name = path.substr(FolderPart(path).size());
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return name.find("0S60") != std::string::npos;
}

}  // namespace

TTile::TTile(const std::string& path, TileMessageHandler onMessage)
    : Columns(IsPolarTile(path) ? kWideColumns : kNarrowColumns),
      RowBytes(2 * Columns),
      Rows(Columns == kWideColumns ? kPolarRows : kBandRows),
      file_(path),
      onMessage_(std::move(onMessage)) {
    if (file_.Size() < std::size_t(Rows) * std::size_t(RowBytes)) {
        throw EFOpenError("Cannot open file: " + path + " (file is shorter than its grid)");
    }
}

const std::uint8_t* TTile::RowPointer(int row) const {
    if (row < 0 || row >= Rows) throw std::out_of_range("Tile row outside the tile");
    const std::uint8_t* rowStart = file_.Data() + std::size_t(row) * std::size_t(RowBytes);
    if (BigEndianSample(rowStart) < kOcean || BigEndianSample(rowStart + RowBytes - 2) < kOcean) {
        if (onMessage_) onMessage_("Bad Data");
    }
    return rowStart;
}

TTileArray::TTileArray(const std::string& path, TileMessageHandler onMessage)
    : Folder(FolderPart(path)) {
    auto open = [&](int slot, const std::string& name) {
        // A missing tile resolves to the name as written, so the message names what was asked.
        const std::string tilePath = ResolveFileName(Folder, name);
        try {
            Tiles[slot] = std::make_unique<TTile>(tilePath, onMessage);
        } catch (const EFOpenError&) {
            throw;
        } catch (const std::exception&) {
            throw EFOpenError("Cannot open file: " + tilePath);
        }
    };
    try {
        for (int t = 0; t < 9; ++t) {
            for (int band = 0; band < 3; ++band) {
                open(9 * band + t, std::string(kNarrowPrefixes[t]) + kBandSuffixes[band]);
            }
        }
        for (int t = 0; t < 6; ++t) {
            open(27 + t, std::string(kWidePrefixes[t]) + kBandSuffixes[3]);
        }
    } catch (...) {
        ReleaseTiles();
        throw;
    }
}

TTileArray::~TTileArray() { ReleaseTiles(); }

void TTileArray::ReleaseTiles() noexcept {
    for (int t = 0; t < 9; ++t) {
        for (int band = 0; band < 3; ++band) Tiles[9 * band + t].reset();
    }
    for (int t = 0; t < 6; ++t) Tiles[27 + t].reset();
}

std::int32_t TTileArray::CellHeight(int column, int row) const {
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
        throw std::out_of_range("Cell outside the GTOPO30 grid");
    }
    const int band = row / kBandRows;
    const int tileColumns = band == 3 ? kWideColumns : kNarrowColumns;
    const int slot = band == 3 ? 27 + column / tileColumns : 9 * band + column / tileColumns;
    const std::uint8_t* rowStart = Tiles[slot]->RowPointer(row % kBandRows);
    return BigEndianSample(rowStart + 2 * (column % tileColumns));
}
