#include "ReliefShading.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "ElevationColours.h"
#include "Errors.h"

namespace {

int RowPercent(int row, int height) { return int(std::int64_t(row) * 100 / height); }

void Report(const PercentCallback& showPercent, int row, int height) {
    if (showPercent) showPercent(RowPercent(row, height));
}

// A bitmap of the given format and size; its old pixels are dropped rather than converted.
void Prepare(Bitmap& bitmap, PixelFormat format, int width, int height) {
    if (bitmap.Format() != format) {
        bitmap.SetSize(0, 0);
        bitmap.SetFormat(format);
    }
    bitmap.SetSize(width, height);
}

void RequireHeightImage(const Bitmap& source) {
    if (source.Format() != PixelFormat::Indexed8)
        throw EInvalidGraphicOperation("The height image must have one byte per cell");
}

// Blue, green, red of each of the 256 codes, so the colour pass is one look-up per cell.
std::array<std::array<std::uint8_t, 3>, 256> CodeColours() {
    std::array<std::array<std::uint8_t, 3>, 256> table{};
    table[0] = {BlueOf(SeaColour), GreenOf(SeaColour), RedOf(SeaColour)};
    for (int code = 1; code < 256; ++code) {
        Colour c = ElevationColour[HeightOfCode(code)];
        table[code] = {BlueOf(c), GreenOf(c), RedOf(c)};
    }
    return table;
}

}  // namespace

void MakeColourImage(const Bitmap& source, Bitmap& colour, const PercentCallback& showPercent) {
    RequireHeightImage(source);
    const int width = source.Width();
    const int height = source.Height();
    Prepare(colour, PixelFormat::Bgr24, width, height);
    const auto codeColours = CodeColours();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* codes = source.Row(y);
        std::uint8_t* out = colour.Row(y);
        for (int x = 0; x < width; ++x, out += 3) std::memcpy(out, codeColours[codes[x]].data(), 3);
        Report(showPercent, y, height);
    }
    colour.MarkModified();
}

CellCounts MakeReliefImage(const Bitmap& source, Bitmap& relief,
                           const PercentCallback& showPercent) {
    RequireHeightImage(source);
    const int width = source.Width();
    const int height = source.Height();
    Prepare(relief, PixelFormat::Indexed8, width, height);
    SetGreyPalette(relief);
    for (int y = 0; y < height; ++y) std::memset(relief.Row(y), NeutralRelief, std::size_t(width));

    CellCounts counts;
    if (source.IsEmpty()) return counts;
    const std::uint8_t referenceLevel = source.Row(0)[0];

    // Indexed by the code difference capped at 6; slot 0 of the tallies also collects the
    // pairs that are not counted (sea, equal codes, 6 or more), which keeps the loop branch-free.
    constexpr std::array<int, 7> stepOfDifference = {0,
                                                     ReliefStep[0],
                                                     ReliefStep[1],
                                                     ReliefStep[2],
                                                     ReliefStep[3],
                                                     ReliefStep[4],
                                                     ReliefStep[4]};
    std::array<std::int64_t, 7> tallies{};
    for (int y = 0; y + 1 < height; ++y) {
        const std::uint8_t* here = source.Row(y);
        const std::uint8_t* below = source.Row(y + 1);
        std::uint8_t* out = relief.Row(y);
        for (int x = 0; x + 1 < width; ++x) {
            const int a = here[x];
            const int b = below[x + 1];
            const bool sea = a == referenceLevel || b == referenceLevel;
            const int difference = std::min(b > a ? b - a : a - b, 6);
            const int step = sea ? 0 : stepOfDifference[difference];
            out[x] = std::uint8_t(NeutralRelief + (b < a ? -step : step));
            ++tallies[sea || difference == 6 ? 0 : difference];
        }
        Report(showPercent, y, height);
    }
    for (int difference = 1; difference <= 5; ++difference)
        counts[difference] = tallies[difference];
    relief.MarkModified();
    return counts;
}

void MakeCombinedImage(const Bitmap& colour, const Bitmap& relief, Bitmap& combined,
                       const PercentCallback& showPercent) {
    const int width = colour.Width();
    const int height = colour.Height();
    if (colour.Format() != PixelFormat::Bgr24 || relief.Format() != PixelFormat::Indexed8 ||
        relief.Width() != width || relief.Height() != height)
        throw EInvalidGraphicOperation("The colour and relief images do not match");
    Prepare(combined, PixelFormat::Bgr24, width, height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = colour.Row(y);
        const std::uint8_t* shade = relief.Row(y);
        std::uint8_t* out = combined.Row(y);
        for (int x = 0; x < width; ++x) {
            const int offset = int(shade[x]) - NeutralRelief;
            for (int channel = 0; channel < 3; ++channel) {
                const int index = 3 * x + channel;
                out[index] = std::uint8_t(std::clamp(int(in[index]) + offset, 0, 255));
            }
        }
        Report(showPercent, y, height);
    }
    combined.MarkModified();
}
