#include "TileData.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "ByteOrder.h"
#include "Errors.h"
#include "FileLookup.h"
#include "Gtopo30Layout.h"
#include "ReplacingFileSet.h"

namespace {

using namespace gtopo30;

std::int32_t BigEndianSample(const std::uint8_t* at) { return LoadBigEndianInt16(at); }

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
      // Only regular files: a folder or a device holds no grid.
      file_(path, {.message = ReadOnlyFile::OpenMessage::PathOnly}),
      onMessage_(std::move(onMessage)),
      row_(std::size_t(RowBytes)) {
    if (file_.Size() < std::uint64_t(Rows) * std::uint64_t(RowBytes))
        throw EFOpenError("Cannot open file: " + path + " (file is shorter than its grid)");
}

TTile::~TTile() = default;

const std::uint8_t* TTile::RowPointer(int row, int lookups) const {
    bool bad = false;
    const std::uint8_t* rowStart = ReadRow(row, bad);
    if (bad) ReportBadRow(lookups);
    return rowStart;
}

const std::uint8_t* TTile::ReadRow(int row, bool& bad) const {
    if (row < 0 || row >= Rows) throw std::out_of_range("Tile row outside the tile");
    if (row != rowNumber_) {
        rowNumber_ = -1;
        if (!file_.ReadExactAt(std::uint64_t(row) * std::uint64_t(RowBytes), row_.data(),
                               row_.size()))
            throw EInOutError("Cannot read file: " + file_.Path());
        rowNumber_ = row;
    }
    bad = IsBadRow(row_.data(), Columns);
    return row_.data();
}

void TTile::ReportBadRow(int lookups) const {
    if (!onMessage_) return;
    for (int i = 0; i < lookups; ++i) onMessage_("Bad Data");
}

TTileArray::TTileArray(const std::string& path, TileMessageHandler onMessage)
    : Folder(FolderPart(path)) {
    // Some tiles would be of the new set and some of the old.
    if (ReplacementPending(Folder))
        throw EFOpenError(FileErrorText(
            "Cannot open file", ResolveFileName(Folder, kTiles[0].Name() + ".dem"),
            "the folder's tiles are half replaced by a run that was stopped; run it again to "
            "finish (" +
                ReplacingFileSet::JournalPath(Folder) + ")"));
    auto openSlot = [&](int slot) {
        // A missing tile resolves to the name as written, so the message names what was asked.
        const std::string tilePath = ResolveFileName(Folder, kTiles[slot].Name() + ".dem");
        try {
            Tiles[slot] = std::make_unique<TTile>(tilePath, onMessage);
        } catch (const EFOpenError&) {
            throw;
        } catch (const std::exception&) {
            throw EFOpenError("Cannot open file: " + tilePath);
        }
    };
    try {
        // Column by column, north to south.
        for (int t = 0; t < 9; ++t) {
            for (int band = 0; band < 3; ++band) openSlot(9 * band + t);
        }
        for (int slot = 27; slot < kTileCount; ++slot) openSlot(slot);
    } catch (...) {
        ReleaseTiles();
        throw;
    }
}

TTileArray::~TTileArray() { ReleaseTiles(); }

void TTileArray::ReleaseTiles() noexcept {
    for (auto& tile : Tiles) tile.reset();
}

std::int32_t TTileArray::CellHeight(int column, int row) const {
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
        throw std::out_of_range("Cell outside the GTOPO30 grid");
    }
    const int slot = SlotOf(column, row);
    const std::uint8_t* rowStart = Tiles[slot]->RowPointer(row - kTiles[slot].firstRow);
    return BigEndianSample(rowStart + 2 * (column - kTiles[slot].firstColumn));
}
