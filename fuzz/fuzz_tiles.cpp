// Tile look-ups over a folder of 33 sparse tiles whose lengths come from the input: mostly the
// exact grid, often a byte or three longer, sometimes short (empty, a byte short, a row short,
// half, less than a row). Heights the input chooses are written at cells it chooses, or at the
// ends of their rows where the bad-data check looks, and then read back. A set with a short
// tile must refuse to open; an opened set must return what was written and report bad rows.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "Errors.h"
#include "FuzzFiles.h"
#include "TileData.h"

namespace {

constexpr int kBandRows = 6000;
constexpr int kNarrowColumns = 4800;
constexpr int kWideColumns = 7200;
constexpr int kPolarRows = 3600;

struct TileFile {
    std::string name;
    int columns;
    int rows;
    std::uint64_t GridBytes() const { return std::uint64_t(columns) * rows * 2; }
};

std::array<TileFile, TTileArray::kTileCount> TileFiles() {
    const char* const narrow[9] = {"W180", "W140", "W100", "W060", "W020",
                                   "E020", "E060", "E100", "E140"};
    const char* const wide[6] = {"W180", "W120", "W060", "W000", "E060", "E120"};
    const char* const bands[3] = {"N90.dem", "N40.dem", "S10.dem"};
    std::array<TileFile, TTileArray::kTileCount> files;
    for (int band = 0; band < 3; ++band)
        for (int t = 0; t < 9; ++t)
            files[9 * band + t] = {std::string(narrow[t]) + bands[band], kNarrowColumns, kBandRows};
    for (int t = 0; t < 6; ++t)
        files[27 + t] = {std::string(wide[t]) + "S60.dem", kWideColumns, kPolarRows};
    return files;
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
    const int band = row / kBandRows;
    const int tileColumns = band == 3 ? kWideColumns : kNarrowColumns;
    const int slot = band == 3 ? 27 + column / tileColumns : 9 * band + column / tileColumns;
    const std::uint64_t rowStart = std::uint64_t(row % kBandRows) * tileColumns * 2;
    return {slot, rowStart, rowStart + std::uint64_t(column % tileColumns) * 2};
}

std::uint64_t TileLength(std::uint8_t code, const TileFile& tile) {
    const std::uint64_t grid = tile.GridBytes();
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFolder folder;
    static const std::array<TileFile, TTileArray::kTileCount> files = TileFiles();
    FuzzedDataProvider input(data, size);

    std::array<std::uint64_t, TTileArray::kTileCount> lengths{};
    std::array<int, TTileArray::kTileCount> descriptors{};
    bool anyShort = false;
    for (int slot = 0; slot < TTileArray::kTileCount; ++slot) {
        const std::uint8_t code = input.ConsumeIntegral<std::uint8_t>();
        const TileFile& tile = files[slot];
        lengths[slot] = TileLength(code, tile);
        anyShort = anyShort || lengths[slot] < tile.GridBytes();
        // Downloads carry the names in capitals; the set must find them either way.
        const std::string asWritten = folder.Folder() + tile.name;
        const std::string capitals = folder.Folder() + Upper(tile.name);
        ::unlink(asWritten.c_str());
        ::unlink(capitals.c_str());
        const std::string& path = (code & 0x20) ? capitals : asWritten;
        descriptors[slot] = ::open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0644);
        if (descriptors[slot] < 0 || ::ftruncate(descriptors[slot], off_t(lengths[slot])) != 0)
            Fail("cannot make a tile");
    }

    struct Probe {
        int column;
        int row;
    };
    std::map<std::pair<int, std::uint64_t>, std::int16_t> written;
    std::vector<Probe> probes;
    const int patches = input.ConsumeIntegralInRange(0, 48);
    for (int i = 0; i < patches && input.remaining_bytes() > 0; ++i) {
        Probe probe{input.ConsumeIntegralInRange(0, TTileArray::kGridColumns - 1),
                    input.ConsumeIntegralInRange(0, TTileArray::kGridRows - 1)};
        const auto height = input.ConsumeIntegral<std::int16_t>();
        const CellPlace place = Locate(probe.column, probe.row);
        const std::uint64_t rowBytes = std::uint64_t(files[place.slot].columns) * 2;
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
        if (at + 2 > lengths[place.slot]) continue;
        const std::uint8_t bytes[2] = {std::uint8_t(std::uint16_t(height) >> 8),
                                       std::uint8_t(height)};
        if (::pwrite(descriptors[place.slot], bytes, 2, off_t(at)) != 2) Fail("cannot write");
        written[{place.slot, at}] = height;
    }
    for (int fd : descriptors) ::close(fd);

    auto heightAt = [&](int slot, std::uint64_t offset) -> std::int32_t {
        auto found = written.find({slot, offset});
        return found == written.end() ? 0 : found->second;
    };

    int messages = 0;
    const std::string where =
        input.ConsumeBool() ? folder.Folder() : folder.Folder() + "E020N40.dem";
    try {
        TTileArray tiles(where, [&](const std::string& text) {
            if (text != "Bad Data") Fail("unexpected message");
            ++messages;
        });
        if (anyShort) Fail("a set with a short tile opened");

        int expectedMessages = 0;
        for (const Probe& probe : probes) {
            const CellPlace place = Locate(probe.column, probe.row);
            const std::uint64_t rowBytes = std::uint64_t(files[place.slot].columns) * 2;
            if (heightAt(place.slot, place.rowStart) < -9999 ||
                heightAt(place.slot, place.rowStart + rowBytes - 2) < -9999)
                ++expectedMessages;
            if (tiles.CellHeight(probe.column, probe.row) != heightAt(place.slot, place.offset))
                Fail("a cell reads other than written");
        }
        if (messages != expectedMessages) Fail("bad rows reported wrongly");

        // Cells anywhere, the grid's edges and beyond them included.
        while (input.remaining_bytes() >= 8) {
            const int column = input.ConsumeIntegralInRange(-2, TTileArray::kGridColumns + 1);
            const int row = input.ConsumeIntegralInRange(-2, TTileArray::kGridRows + 1);
            const bool inside = column >= 0 && column < TTileArray::kGridColumns && row >= 0 &&
                                row < TTileArray::kGridRows;
            try {
                tiles.CellHeight(column, row);
                if (!inside) Fail("a cell outside the grid was read");
            } catch (const std::out_of_range&) {
                if (inside) Fail("a cell inside the grid was refused");
            }
        }
    } catch (const EFOpenError&) {
        if (!anyShort) Fail("a set of whole tiles did not open");
    }
    return 0;
}
