// Tile look-ups over a folder of 33 sparse tiles whose lengths come from the input: mostly the
// exact grid, often a byte or three longer, sometimes short (empty, a byte short, a row short,
// half, less than a row). Heights the input chooses are written at cells it chooses, or at the
// ends of their rows where the bad-data check looks, and then read back. A set with a short
// tile must refuse to open; an opened set must return what was written and report bad rows.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Errors.h"
#include "FileLookup.h"
#include "FuzzFiles.h"
#include "Gtopo30Layout.h"
#include "ReplacingFile.h"
#include "TileData.h"

namespace {

using namespace gtopo30;

constexpr int kMostHeights = 48;  // written into one set

std::uint64_t GridBytes(const TileLayout& tile) {
    return std::uint64_t(tile.columns) * tile.rows * 2;
}

std::string Upper(std::string name) {
    for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

struct CellPlace {
    int slot;
    std::uint64_t rowStart;  // byte offset of the cell's row in its tile
    std::uint64_t offset;    // byte offset of the cell
};

CellPlace Locate(int column, int row) {
    const int slot = SlotOf(column, row);
    const TileLayout& tile = kTiles[slot];
    const std::uint64_t rowStart = std::uint64_t(row - tile.firstRow) * tile.columns * 2;
    return {slot, rowStart, rowStart + std::uint64_t(column - tile.firstColumn) * 2};
}

std::uint64_t TileLength(std::uint8_t code, const TileLayout& tile) {
    const std::uint64_t grid = GridBytes(tile);
    const std::uint64_t rowBytes = std::uint64_t(tile.columns) * 2;
    if (code < 0xC0) return grid + code % 4;
    switch (code & 7) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return grid - 1;
        case 3:
            return grid - 2;
        case 4:
            return grid - rowBytes;
        case 5:
            return grid / 2 + 1;
        case 6:
            return rowBytes - 1;
    }
    return 3;
}

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_tiles: %s\n", what);
    std::abort();
}

struct TileSet {
    std::array<std::string, kTileCount> paths;
    std::array<bool, kTileCount> capitals{};
    std::array<std::uint64_t, kTileCount> lengths{};
    bool anyShort = false;

    // The tile's name in the other case.
    std::string OtherPath(int slot) const {
        const std::string name = kTiles[slot].Name() + ".dem";
        return FolderPart(paths[slot]) + (capitals[slot] ? name : Upper(name));
    }
};

// Lengths and the capitals of the names, one input byte per tile.
TileSet ChooseTiles(FuzzedDataProvider& input, const std::string& folder) {
    TileSet set;
    for (int slot = 0; slot < kTileCount; ++slot) {
        const std::uint8_t code = input.ConsumeIntegral<std::uint8_t>();
        const TileLayout& tile = kTiles[slot];
        set.lengths[slot] = TileLength(code, tile);
        set.anyShort = set.anyShort || set.lengths[slot] < GridBytes(tile);
        // Downloads carry the names in capitals; the set must find them either way.
        const std::string name = tile.Name() + ".dem";
        set.capitals[slot] = (code & 0x20) != 0;
        set.paths[slot] = folder + (set.capitals[slot] ? Upper(name) : name);
    }
    return set;
}

struct Probe {
    int column;
    int row;
};

// Heights written by (slot, byte offset), at cells, row starts or row ends the input chooses.
using Heights = std::map<std::pair<int, std::uint64_t>, std::int16_t>;

Heights ChooseHeights(FuzzedDataProvider& input, const TileSet& set, std::vector<Probe>& probes) {
    Heights written;
    const int patches = input.ConsumeIntegralInRange(0, kMostHeights);
    for (int i = 0; i < patches && input.remaining_bytes() > 0; ++i) {
        Probe probe{input.ConsumeIntegralInRange(0, kGridColumns - 1),
                    input.ConsumeIntegralInRange(0, kGridRows - 1)};
        const auto height = input.ConsumeIntegral<std::int16_t>();
        const CellPlace place = Locate(probe.column, probe.row);
        const std::uint64_t rowBytes = std::uint64_t(kTiles[place.slot].columns) * 2;
        std::uint64_t at = place.offset;
        switch (input.ConsumeIntegralInRange(0, 2)) {
            case 1:
                at = place.rowStart;
                break;
            case 2:
                at = place.rowStart + rowBytes - 2;
                break;
        }
        probes.push_back(probe);
        if (at + 2 <= set.lengths[place.slot]) written[{place.slot, at}] = height;
    }
    return written;
}

// What a tile file holds: the case of its name, its length and the heights written into it.
// Kept without the heap: libFuzzer looks for leaks whenever an input frees less than it took.
struct TileContent {
    bool capitals = false;
    std::uint64_t length = 0;
    int heightCount = 0;
    std::array<std::pair<std::uint64_t, std::int16_t>, kMostHeights> heights{};

    bool operator==(const TileContent&) const = default;
};

// Sparse tiles: zeros except where heights were written. A mutated input changes few tiles, and
// writing all 33 for each one would cost more than the reading: a tile whose content is what
// the folder holds already stays as it is.
void WriteTiles(const TileSet& set, const Heights& written) {
    static std::array<std::optional<TileContent>, kTileCount> inFolder;
    try {
        for (int slot = 0; slot < kTileCount; ++slot) {
            TileContent wanted{set.capitals[slot], set.lengths[slot]};
            for (auto at = written.lower_bound({slot, 0});
                 at != written.end() && at->first.first == slot; ++at)
                wanted.heights[wanted.heightCount++] = {at->first.second, at->second};
            std::optional<TileContent>& held = inFolder[slot];
            if (held == wanted) continue;
            // The same tile under the other case of its name would make the set ambiguous.
            if (held && held->capitals != wanted.capitals)
                std::filesystem::remove(set.OtherPath(slot));
            held.reset();
            ReplacingFile tile(set.paths[slot], Durability::Scratch);
            for (int i = 0; i < wanted.heightCount; ++i) {
                const auto [offset, height] = wanted.heights[i];
                tile.ExtendTo(offset);
                const std::uint16_t bits = std::uint16_t(height);
                const std::uint8_t bytes[2] = {std::uint8_t(bits >> 8), std::uint8_t(bits)};
                tile.Write(bytes, 2);
            }
            tile.ExtendTo(wanted.length);
            tile.Commit();
            held = wanted;
        }
    } catch (const std::exception&) {
        Fail("cannot make a tile");
    }
}

// Every probed cell reads what was written there, and each bad row it lies in is reported.
void CheckProbes(const TTileArray& tiles, const std::vector<Probe>& probes, const Heights& written,
                 const int& messages) {
    auto heightAt = [&](int slot, std::uint64_t offset) -> std::int32_t {
        auto found = written.find({slot, offset});
        return found == written.end() ? 0 : found->second;
    };
    int expectedMessages = 0;
    for (const Probe& probe : probes) {
        const CellPlace place = Locate(probe.column, probe.row);
        const std::uint64_t rowBytes = std::uint64_t(kTiles[place.slot].columns) * 2;
        if (heightAt(place.slot, place.rowStart) < kOcean ||
            heightAt(place.slot, place.rowStart + rowBytes - 2) < kOcean)
            ++expectedMessages;
        if (tiles.CellHeight(probe.column, probe.row) != heightAt(place.slot, place.offset))
            Fail("a cell reads other than written");
    }
    if (messages != expectedMessages) Fail("bad rows reported wrongly");
}

// Cells anywhere, the grid's edges and beyond them included.
void CheckEdges(FuzzedDataProvider& input, const TTileArray& tiles) {
    while (input.remaining_bytes() >= 8) {
        const int column = input.ConsumeIntegralInRange(-2, kGridColumns + 1);
        const int row = input.ConsumeIntegralInRange(-2, kGridRows + 1);
        const bool inside = column >= 0 && column < kGridColumns && row >= 0 && row < kGridRows;
        try {
            tiles.CellHeight(column, row);
            if (!inside) Fail("a cell outside the grid was read");
        } catch (const std::out_of_range&) {
            if (inside) Fail("a cell inside the grid was refused");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFolder folder;
    FuzzedDataProvider input(data, size);
    const TileSet set = ChooseTiles(input, folder.Folder());
    std::vector<Probe> probes;
    const Heights written = ChooseHeights(input, set, probes);
    WriteTiles(set, written);

    int messages = 0;
    const std::string where =
        input.ConsumeBool() ? folder.Folder() : folder.Folder() + "E020N40.dem";
    try {
        TTileArray tiles(where, [&](const std::string& text) {
            if (text != "Bad Data") Fail("unexpected message");
            ++messages;
        });
        if (set.anyShort) Fail("a set with a short tile opened");
        CheckProbes(tiles, probes, written, messages);
        CheckEdges(input, tiles);
    } catch (const EFOpenError&) {
        if (!set.anyShort) Fail("a set of whole tiles did not open");
    }
    return 0;
}
