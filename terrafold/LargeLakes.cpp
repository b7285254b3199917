#include "LargeLakes.h"

#include <exception>

namespace {

constexpr std::int32_t kLakeLevel = 2;
constexpr std::uint32_t kLargeLakeArea = 20000;  // tenths of km2

void UseLakeTools(Canvas& canvas) {
    canvas.SetPen(Pen{Colours::White, PenStyle::Clear, PenMode::Copy});
    canvas.SetBrush(Brush{Colours::Black, BrushStyle::Solid});
}

}  // namespace

bool IsLargeLake(const TGSHHSHeader& header) {
    return header.Level == kLakeLevel && header.Area > kLargeLakeArea;
}

void FillLakePolygon(Canvas& height, Canvas& mask, std::span<const Point> pixels) {
    height.Polygon(pixels);
    mask.Polygon(pixels);
}

void DrawLargeLakes(const std::string& gshhsFile, Bitmap& heightBitmap, Bitmap& maskBitmap) {
    Canvas height(heightBitmap);
    Canvas mask(maskBitmap);
    UseLakeTools(height);
    UseLakeTools(mask);
    ShorelineCallbacks callbacks;
    callbacks.Select = IsLargeLake;
    callbacks.OnPolygon = [&](const TGSHHSHeader&, const std::vector<Point>& pixels) {
        FillLakePolygon(height, mask, pixels);
    };
    try {
        ReadShorelines(gshhsFile, heightBitmap.Width(), heightBitmap.Height(),
                       LongitudeWrap::Repeat, callbacks);
    } catch (const std::exception&) {
        // A missing or damaged shoreline file costs only the lakes not yet filled; the images
        // are still worth writing.
    }
}
