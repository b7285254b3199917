#include "HeightColouring.h"

#include <cmath>
#include <cstring>

#include "Tick.h"

namespace {

int FeetToMetres(int feet) { return int(std::rint(feet * 304.8L / 1000)); }

bool IsWater(const std::uint8_t* bgr) {
    // Blue sea, aqua lakes, and the white background and lakes of the monochrome map.
    const bool fullBlue = bgr[0] == 0xFF && bgr[2] == 0x00;
    if (fullBlue && (bgr[1] == 0x00 || bgr[1] == 0xFF)) return true;
    return bgr[0] == 0xFF && bgr[1] == 0xFF && bgr[2] == 0xFF;
}

void PutColour(std::uint8_t* bgr, Colour colour) {
    bgr[0] = BlueOf(colour);
    bgr[1] = GreenOf(colour);
    bgr[2] = RedOf(colour);
}

void CopyRows(Bitmap& target, const Bitmap& source, int first, int end) {
    for (int row = first; row < end; ++row)
        std::memcpy(target.Row(row), source.Row(row), source.Stride());
}

}  // namespace

void THeightColouring::BuildColourTable() {
    std::array<int, 11> metres{};
    for (std::size_t i = 0; i < metres.size(); ++i) metres[i] = FeetToMetres(HeightAnchorsFeet[i]);
    FillElevationRamp(ColourTable, metres, AnchorColours);
}

bool THeightColouring::AddTopography(Bitmap& picture, TTopography& topography, const TMapView& view,
                                     const TColouringProgress& progress) {
    if (topography.TopoLayout == 0) return false;
    if (picture.IsEmpty() || picture.Format() != PixelFormat::Bgr24) return false;
    Bitmap working = picture;
    if (!topography.Map()) return false;
    BuildColourTable();

    const int width = working.Width();
    const int height = working.Height();
    const TickClock& tick = progress.clock;
    if (progress.started) progress.started(height - 1);

    // Longitudes depend on the column only.
    std::vector<int> columnLongitude(static_cast<std::size_t>(width));
    for (int column = 0; column < width; ++column)
        columnLongitude[std::size_t(column)] = view.XToLon(column);

    int bandStart = 0;
    int rowsDone = 0;
    std::uint32_t lastTick = tick();
    for (int row = 0; row < height; ++row) {
        rowsDone = row + 1;
        if (const auto rowStart = topography.TopoRow(view.YToLat(row))) {
            std::uint8_t* pixel = working.Row(row);
            for (int column = 0; column < width; ++column, pixel += 3) {
                if (IsWater(pixel)) {
                    PutColour(pixel, WaterColour);
                } else if (const auto metres = topography.TopoSample(
                               *rowStart, columnLongitude[std::size_t(column)])) {
                    PutColour(pixel, HeightColour(*metres));
                }
            }
        }
        const std::uint32_t now = tick();
        if (std::uint32_t(now - lastTick) > 200) {
            lastTick = now;
            if (progress.position) progress.position(row);
            CopyRows(picture, working, bandStart, rowsDone);
            if (progress.bandCopied) progress.bandCopied(bandStart, rowsDone);
            bandStart = rowsDone;
        }
    }
    CopyRows(picture, working, bandStart, height);
    if (progress.bandCopied) progress.bandCopied(bandStart, height);
    if (progress.finished) progress.finished();
    return true;
}
