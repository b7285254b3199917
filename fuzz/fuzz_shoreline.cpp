// Shoreline reading: the input's last byte picks a caller (what it selects, its raster, how it
// draws), the other bytes are the shoreline file. The polygons are drawn as the viewer (outline
// point by point) or the builder (filled lakes) would, so that damaged coordinates reach the
// drawing code as they would in the programs.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Bitmap.h"
#include "Canvas.h"
#include "Errors.h"
#include "FuzzFiles.h"
#include "GSHHSdata.h"

namespace {

struct Raster {
    int width;
    int height;
    LongitudeWrap wrap;
};

constexpr Raster kRasters[] = {
    {3600, 1800, LongitudeWrap::Once},
    {5400, 2700, LongitudeWrap::Repeat},
    {36, 18, LongitudeWrap::Once},
    {1, 1, LongitudeWrap::Repeat},
};

bool Wanted(int rule, const TGSHHSHeader& header) {
    const bool largeLake = header.Level == 2 && header.Area > 10000;
    switch (rule) {
        case 1:
            return header.Level == 1 || largeLake;
        case 2:
            return header.Level == 1;
        case 3:
            return largeLake;
        case 4:
            return header.Level == 2 && header.Area > 20000;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile file;
    FuzzedDataProvider input(data, size);
    const std::uint8_t caller = input.ConsumeIntegral<std::uint8_t>();
    const std::vector<std::uint8_t> bytes = input.ConsumeRemainingBytes<std::uint8_t>();
    file.Replace(bytes.data(), bytes.size());

    const int rule = caller % 5;
    const Raster raster = kRasters[(caller / 5) % 4];
    const bool fill = (caller / 20) % 2 != 0;
    // One bitmap a raster for the whole process: making a world map for every input would
    // cost more than reading it.
    static std::vector<Bitmap> maps = [] {
        std::vector<Bitmap> made;
        for (const Raster& each : kRasters) {
            made.emplace_back(each.width, each.height, PixelFormat::Indexed8);
            SetGreyPalette(made.back());
        }
        return made;
    }();
    Canvas canvas(maps[(caller / 5) % 4]);

    std::size_t pointsSeen = 0;
    std::int32_t lastIndex = 0;
    std::vector<Point> outline;
    ShorelineCallbacks callbacks;
    callbacks.Select = [&](const TGSHHSHeader& header) { return Wanted(rule, header); };
    callbacks.OnPoint = [&](const TGSHHSHeader& header, std::int32_t index, Point pixel, PointF) {
        // Indices start at 1 with each polygon, rise, and never pass the header's count.
        if ((outline.empty() ? index != 1 : index <= lastIndex) || index > header.NumPoints)
            std::abort();
        lastIndex = index;
        outline.push_back(pixel);
        ++pointsSeen;
        if (!fill) {
            if (index == 1)
                canvas.MoveTo(pixel.x, pixel.y);
            else
                canvas.LineTo(pixel.x, pixel.y);
        }
    };
    callbacks.OnPolygon = [&](const TGSHHSHeader&, const std::vector<Point>& pixels) {
        if (pixels != outline) std::abort();
        if (fill && pixels.size() > 2) canvas.Polygon(pixels);
        outline.clear();
        lastIndex = 0;
    };
    try {
        ReadShorelines(file.Path(), raster.width, raster.height, raster.wrap, callbacks);
    } catch (const ENotShorelineFile&) {
        if (pointsSeen != 0) std::abort();  // refused before anything was handed over
        return 0;
    } catch (const VarnholtError&) {
        std::abort();  // an in-memory file never fails to read
    }
    if (pointsSeen > bytes.size() / sizeof(TGSHHSPoint)) std::abort();
    return 0;
}
