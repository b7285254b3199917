#include "WorldHeightImage.h"

#include <cmath>
#include <stdexcept>

#include "ByteOrder.h"
#include "TileData.h"

namespace {

using gtopo30::kOcean;

std::int32_t BigEndianSample(const std::uint8_t* at) { return LoadBigEndianInt16(at); }

struct BandLayout {
    int tileCount;
    int tileWidthPixels;
    int tileHeightPixels;
};

}  // namespace

void FillHeightCodeTable(HeightCodeTable& table) {
    for (int h = -32768; h <= 32767; ++h) {
        std::uint8_t code;
        if (h == kOcean) {
            code = 0;
        } else if (h < 1) {
            code = 1;
        } else {
            const long double scaled =
                std::nearbyint(3.0L * std::sqrt(static_cast<long double>(h)));
            code = scaled > 255.0L ? 255 : static_cast<std::uint8_t>(scaled);
        }
        table[std::size_t(h + 32768)] = code;
    }
}

GeoTransform WorldImageTransform() {
    constexpr double cellDegrees = 180.0 / gtopo30::kGridRows;
    constexpr double cellsPerPixel = double(gtopo30::kGridColumns) / kWorldImageWidth;
    return GeoTransform::NorthUp({-180 + cellDegrees / 2, 90 - cellDegrees / 2},
                                 cellsPerPixel * cellDegrees, cellsPerPixel * cellDegrees);
}

void SampleTiles(const TTileArray& tiles, const HeightCodeTable& codes, Bitmap& heightBitmap,
                 Bitmap& maskBitmap, const TileSamplingEvents& events) {
    const int W = heightBitmap.Width();
    const int H = heightBitmap.Height();
    // The tile of a pixel block follows from these sizes alone; any other size would send
    // pixels of one tile's block into its neighbour.
    for (const Bitmap* bitmap : {&heightBitmap, &maskBitmap}) {
        if (bitmap->Width() != kWorldImageWidth || bitmap->Height() != kWorldImageHeight ||
            bitmap->Format() != PixelFormat::Indexed8) {
            throw std::invalid_argument("World images must be 8-bit 5400 x 2700 bitmaps");
        }
    }
    const int bandHeightPixels = H * 50 / 180;
    const int gridRows = TTileArray::kGridRows;
    const int gridColumns = TTileArray::kGridColumns;

    for (int band = 0; band < 4; ++band) {
        const BandLayout layout = band == 3 ? BandLayout{6, W * 60 / 360, H * 30 / 180}
                                            : BandLayout{9, W * 40 / 360, H * 50 / 180};
        for (int t = 0; t < layout.tileCount; ++t) {
            if (events.TileStarting) events.TileStarting();
            const int slot = band == 3 ? 27 + t : 9 * band + t;
            const TTile& tile = *tiles.Tiles[std::size_t(slot)];
            if (tile.Columns != gtopo30::kTiles[slot].columns)
                throw std::logic_error("Tile of unexpected width");
            const int firstX = t * layout.tileWidthPixels;
            const int firstCell = gtopo30::kTiles[slot].firstColumn;
            for (int y = band * bandHeightPixels;
                 y < band * bandHeightPixels + layout.tileHeightPixels; ++y) {
                const int gridRow = y * gridRows / H;
                // One bad-row report per pixel, as one lookup per pixel gives.
                const std::uint8_t* rowStart =
                    tile.RowPointer(gridRow % gtopo30::kBandRows, layout.tileWidthPixels);
                std::uint8_t* heightRow = heightBitmap.Row(y);
                std::uint8_t* maskRow = maskBitmap.Row(y);
                for (int x = firstX; x < firstX + layout.tileWidthPixels; ++x) {
                    const int cellColumn = x * gridColumns / W - firstCell;
                    const std::int32_t h = BigEndianSample(rowStart + 2 * cellColumn);
                    heightRow[x] = codes[std::size_t(h + 32768)];
                    maskRow[x] = h > 0 ? 255 : 0;
                }
            }
            if (events.TileDone) events.TileDone();
        }
    }
}
