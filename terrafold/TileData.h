#pragma once
// The GTOPO30 global elevation grid: 43200 columns x 21600 rows of 30-arc-second cells, column 0
// at 180 W, row 0 at 90 N, read from the 33 tile files of one folder. A cell is a big-endian
// signed 16-bit height in metres; -9999 marks ocean. Bands 0-2 (90 N to 60 S) are nine tiles of
// 4800 x 6000 cells, band 3 (60 S to 90 S) six tiles of 7200 x 3600.
//
// Tiles stay open read-only for the life of the set, and a lookup reads only the row it needs:
// the conversion samples one row in eight, and mapping whole tiles made the kernel map and unmap
// most of their pages for it. A tile shorter than its grid fails when the set opens; one that
// shrinks later fails the lookup with EInOutError rather than the process. A row whose first or
// last sample lies below -9999 is reported as "Bad Data" at every lookup in it; its values are
// returned anyway.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Gtopo30Layout.h"
#include "ReadOnlyFile.h"

// Shows a message to the user (a message box in the window, a line in batch mode).
using TileMessageHandler = std::function<void(const std::string& text)>;

class TTile {
public:
    // Throws EFOpenError "Cannot open file: " + path when the file cannot be opened as a file,
    // and with " (file is shorter than its grid)" added when it is too short.
    TTile(const std::string& path, TileMessageHandler onMessage = {});
    ~TTile();
    TTile(const TTile&) = delete;
    TTile& operator=(const TTile&) = delete;

    // First sample of a row within the tile (0 at its north edge), after the bad-data check,
    // which reports a bad row once for each of the cell lookups the call stands for. Valid until
    // the next call on this tile; the same row again is not read again. Throws EInOutError
    // "Cannot read file: " + path when the row can no longer be read whole.
    const std::uint8_t* RowPointer(int row, int lookups = 1) const;
    // RowPointer without the report, for a thread that must not show messages: bad tells
    // whether the row fails the check, and ReportBadRow later says what RowPointer would have.
    const std::uint8_t* ReadRow(int row, bool& bad) const;
    void ReportBadRow(int lookups) const;

    const int Columns;   // 7200 for the tiles of band 3, else 4800
    const int RowBytes;  // 2 x Columns
    const int Rows;      // 3600 for the tiles of band 3, else 6000

private:
    ReadOnlyFile file_;
    TileMessageHandler onMessage_;
    mutable std::vector<std::uint8_t> row_;
    mutable int rowNumber_ = -1;
};

class TTileArray {
public:
    static constexpr int kTileCount = gtopo30::kTileCount;
    static constexpr int kGridColumns = gtopo30::kGridColumns;
    static constexpr int kGridRows = gtopo30::kGridRows;

    // path is the tile folder ending in "/" or any file inside it. Throws EFOpenError naming the
    // first tile, in opening order, that cannot be opened; the tiles opened before it are
    // released again. A folder whose tiles a killed run left half replaced is refused the same
    // way, naming the first tile and the journal of the renames still to do.
    explicit TTileArray(const std::string& path, TileMessageHandler onMessage = {});
    ~TTileArray();
    TTileArray(const TTileArray&) = delete;
    TTileArray& operator=(const TTileArray&) = delete;

    // The GTOPO30 value of a global cell, sign-extended. Throws std::out_of_range outside
    // 0..43199 x 0..21599.
    std::int32_t CellHeight(int column, int row) const;

    std::string Folder;
    // Slot 9 x band + tile column for bands 0-2, 27 + tile column for band 3.
    std::array<std::unique_ptr<TTile>, kTileCount> Tiles;

private:
    void ReleaseTiles() noexcept;
};
