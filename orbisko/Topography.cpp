#include "Topography.h"

#include <cmath>
#include <optional>

#include "ByteOrder.h"
#include "Errors.h"
#include "ReadOnlyFile.h"
#include "SearchFolders.h"
#include "TopographyLayout.h"

namespace {

using namespace topography;

const std::uint64_t kLayout1Samples = kLayouts[0].Samples();
const std::uint64_t kLayout23Samples = kLayouts[1].Samples();
const std::uint64_t kLayout4Samples = kLayouts[3].Samples();

std::uint64_t GridSamples(std::uint8_t layout) {
    return layout >= 1 && layout <= 4 ? kLayouts[layout - 1].Samples() : 0;
}

}  // namespace

int MercatorMinutes(int latitudeMinutes) {
    constexpr long double kPiOver360 = 0.008726646259971647737L;
    constexpr long double kPiOver4 = 0.7853981633974483096L;
    constexpr long double kDegreesPerRadian = 57.29577951308232088L;
    // The degrees pass through single precision, and so does the ordinate: the grid's rows were
    // laid out with these roundings.
    const long double degrees = float(latitudeMinutes / 60.0L);
    long double ordinate = 0;
    if (degrees > 0)
        ordinate = std::log(std::tan(kPiOver4 + degrees * kPiOver360)) * kDegreesPerRadian;
    else if (degrees < 0)
        ordinate = -std::log(std::tan(kPiOver4 - degrees * kPiOver360)) * kDegreesPerRadian;
    const long double minutes = std::rint((long double)float(ordinate) * 60);
    // The poles lie far off every grid; keep their ordinate finite and within an int.
    if (!(minutes < 1e9L)) return 1'000'000'000;
    if (!(minutes > -1e9L)) return -1'000'000'000;
    return int(minutes);
}

std::uint8_t RecogniseTopoLayout(const std::string& path) {
    std::optional<ReadOnlyFile> file;
    try {
        file.emplace(path);
    } catch (const EInOutError&) {
        return 0;
    }
    const std::uint64_t samples = file->Size() / 2;
    if (samples == kLayout4Samples) return 4;
    if (samples != kLayout1Samples && samples != kLayout23Samples) return 0;

    std::uint8_t first[2] = {0, 0};
    std::uint8_t secondRow[2] = {0, 0};
    try {
        if (!file->ReadExactAt(0, first, 2) ||
            !file->ReadExactAt(kSecondRowProbeSample * 2, secondRow, 2))
            return 0;
    } catch (const EInOutError&) {
        return 0;
    }

    if (samples == kLayout1Samples) return LoadLittleEndianInt16(first) == kPoleDepth ? 1 : 0;
    if (LoadBigEndianInt16(first) != kPoleDepth) return 0;
    if (LoadBigEndianInt16(secondRow) == kLayout3Probe) return 3;
    if (LoadBigEndianInt16(secondRow) == kLayout2Probe) return 2;
    return 0;
}

bool TTopography::Find(const std::vector<std::string>& searchFolders) {
    for (const std::string& name : TopoFiles) {
        for (const std::string& folder : searchFolders) {
            if (auto path = FindDataFile(folder, name)) {
                TopoFileName = *path;
                TopoLayout = RecogniseTopoLayout(TopoFileName);
                return true;
            }
        }
    }
    return false;
}

bool TTopography::Map() {
    view_.reset();
    try {
        view_.emplace(TopoFileName);
    } catch (...) {
        return false;
    }
    // The file may have been replaced since it was recognised.
    if (view_->Size() / 2 < GridSamples(TopoLayout) || GridSamples(TopoLayout) == 0) {
        view_.reset();
        return false;
    }
    return true;
}

std::optional<std::size_t> TTopography::TopoRow(int latitudeMinutes) const {
    if (latitudeMinutes <= -5400 || latitudeMinutes > 5400) return 0;
    const auto row5 = std::size_t((5400 - latitudeMinutes) / 5);
    switch (TopoLayout) {
        case 1:
            return row5 * 4321;
        case 2:
        case 3:
            return row5 * 4320;
        case 4: {
            // Truncation toward zero is intended: an ordinate one minute above the top row's
            // still reads that row.
            const int row = (6336 - MercatorMinutes(latitudeMinutes)) / 2;
            if (row < 0 || row > 6335) return std::nullopt;
            return std::size_t(row) * 10800;
        }
        default:
            return std::nullopt;
    }
}

std::optional<std::int16_t> TTopography::TopoSample(std::size_t rowStart,
                                                    int longitudeMinutes) const {
    if (longitudeMinutes <= -10800 || longitudeMinutes > 10800) return std::nullopt;
    std::size_t column = 0;
    switch (TopoLayout) {
        case 1:
        case 3:
            column = std::size_t((longitudeMinutes + 21600) / 5 % 4320);
            break;
        case 2:
            column = std::size_t((longitudeMinutes + 10800) / 5 % 4320);
            break;
        case 4:
            column = std::size_t((longitudeMinutes + 21600) / 2 % 10800);
            break;
        default:
            return std::nullopt;
    }
    if (!view_) return std::nullopt;
    const std::size_t offset = (rowStart + column) * 2;
    if (offset + 2 > view_->Size()) return std::nullopt;
    const std::uint8_t* sample = view_->Data() + offset;
    return TopoLayout == 1 ? LoadLittleEndianInt16(sample) : LoadBigEndianInt16(sample);
}
