// Topography probing and look-ups: a grid file in a scratch folder whose length is one of the
// recognised sizes, one byte or two off, too short to probe or anything small, with the probe
// samples and other bytes chosen by the input. The layout found must follow the recognition
// table; the grid is then mapped (sometimes after the file was cut short behind its back) and
// read at input-chosen latitudes and longitudes, which must never reach past the mapping.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "Errors.h"
#include "FuzzFiles.h"
#include "ReplacingFile.h"
#include "Topography.h"

namespace {

constexpr std::uint64_t kLayout1Bytes = 18'666'720;
constexpr std::uint64_t kLayout23Bytes = 18'662'400;
constexpr std::uint64_t kLayout4Bytes = 136'857'600;
constexpr std::uint64_t kSecondRowProbe = 8640;

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_topography: %s\n", what);
    std::abort();
}

std::uint64_t GridLength(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 11)) {
        case 0:
            return kLayout1Bytes;
        case 1:
            return kLayout1Bytes + 1;  // an odd byte is ignored
        case 2:
            return kLayout23Bytes;
        case 3:
            return kLayout23Bytes + 1;
        case 4:
            return kLayout4Bytes;
        case 5:
            return kLayout4Bytes + 1;
        case 6:
            return kLayout1Bytes - 2;
        case 7:
            return kLayout23Bytes - 2;
        case 8:
            return kSecondRowProbe + 2;
        case 9:
            return kSecondRowProbe + 1;
        case 10:
            return 0;
    }
    return input.ConsumeIntegralInRange<std::uint64_t>(0, 20000);
}

// The two bytes of a probe sample: one of the values recognition looks for, in either order,
// or anything.
std::uint16_t ProbeBytes(FuzzedDataProvider& input) {
    const std::uint16_t known[] = {0x3EEF, 0xEF3E, 0xEF40, 0xEF4A, 0x40EF, 0x4AEF};
    const int pick = input.ConsumeIntegralInRange(0, 6);
    return pick < 6 ? known[pick] : input.ConsumeIntegral<std::uint16_t>();
}

std::uint8_t ExpectedLayout(std::uint64_t length, std::uint16_t first, std::uint16_t secondRow) {
    const std::uint64_t samples = length / 2;
    if (samples == kLayout4Bytes / 2) return 4;
    if (samples == kLayout1Bytes / 2) return first == 0x3EEF ? 1 : 0;
    if (samples != kLayout23Bytes / 2 || first != 0xEF3E) return 0;
    if (secondRow == 0xEF40) return 3;
    if (secondRow == 0xEF4A) return 2;
    return 0;
}

// A sparse grid of length bytes: holes, and the two bytes of each patch that fits written in
// place, a later patch over an earlier one.
class Grid {
public:
    Grid(const std::string& path, std::uint64_t length)
        : file_(path, Durability::Scratch), length_(length) {
        file_.ExtendTo(length);
    }
    void Patch(std::uint64_t at, std::uint16_t bytesInOrder) {
        if (at + 2 > length_) return;
        const std::uint8_t bytes[2] = {std::uint8_t(bytesInOrder >> 8), std::uint8_t(bytesInOrder)};
        file_.WriteAt(at, bytes, 2);
    }
    void Close() { file_.Commit(); }

private:
    ReplacingFile file_;
    std::uint64_t length_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFolder folder;
    static const std::string path = folder.Folder() + "etopo5";
    FuzzedDataProvider input(data, size);

    const std::uint64_t length = GridLength(input);
    const std::uint16_t first = ProbeBytes(input);
    const std::uint16_t secondRow = ProbeBytes(input);
    try {
        Grid grid(path, length);
        for (int count = input.ConsumeIntegralInRange(0, 16); count > 0; --count) {
            const auto at = input.ConsumeIntegralInRange<std::uint64_t>(0, kLayout4Bytes);
            grid.Patch(at, input.ConsumeIntegral<std::uint16_t>());
        }
        grid.Patch(0, first);
        grid.Patch(kSecondRowProbe, secondRow);
        grid.Close();
    } catch (const VarnholtError&) {
        Fail("cannot make the grid");
    }

    const std::uint8_t layout = RecogniseTopoLayout(path);
    const bool probed = length >= kSecondRowProbe + 2;
    if (probed ? layout != ExpectedLayout(length, first, secondRow) : layout != 0)
        Fail("layout other than the recognition table says");

    TTopography topography;
    topography.TopoFileName = path;
    // The form only ever holds a recognised layout; any other value must still be harmless.
    topography.TopoLayout = input.ConsumeIntegralInRange(0, 15) == 0
                                ? input.ConsumeIntegralInRange<std::uint8_t>(0, 6)
                                : layout;
    const bool cut = input.ConsumeIntegralInRange(0, 7) == 0;
    std::error_code cutError;
    if (cut) std::filesystem::resize_file(path, length / 2, cutError);
    if (cutError) Fail("cannot cut the grid");

    // A grid is mapped exactly when the file, as it is now, holds every sample of its layout.
    const std::uint64_t needed[] = {0, kLayout1Bytes, kLayout23Bytes, kLayout23Bytes,
                                    kLayout4Bytes};
    const std::uint64_t lengthNow = cut ? length / 2 : length;
    const bool holdsGrid = topography.TopoLayout >= 1 && topography.TopoLayout <= 4 &&
                           lengthNow / 2 * 2 >= needed[topography.TopoLayout];
    const bool mapped = topography.Map();
    if (mapped != holdsGrid) Fail("mapped other than the file holds its grid");

    while (input.remaining_bytes() > 0) {
        const bool anywhere = input.ConsumeBool();
        const int latitude =
            anywhere ? input.ConsumeIntegral<int>() : input.ConsumeIntegralInRange(-5401, 5401);
        const int longitude =
            anywhere ? input.ConsumeIntegral<int>() : input.ConsumeIntegralInRange(-10801, 10801);
        const std::optional<std::size_t> row = topography.TopoRow(latitude);
        if (!row) continue;
        const std::optional<std::int16_t> height = topography.TopoSample(*row, longitude);
        const bool world = longitude > -10800 && longitude <= 10800;
        if (height && (!mapped || !world)) Fail("a height without a grid or off the world");
        if (!height && mapped && world) Fail("no height inside a mapped grid");
    }
    return 0;
}
