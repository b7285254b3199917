#include "WorldHeightImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <future>
#include <stdexcept>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

#include "ByteOrder.h"
#include "HandOver.h"
#include "TileData.h"

namespace {

using gtopo30::kOcean;

std::int32_t BigEndianSample(const std::uint8_t* at) { return LoadBigEndianInt16(at); }

// The pixels one tile gives: a block of whole tile rows and columns of the image.
struct TileBlock {
    int slot;
    int firstX;
    int firstY;
    int width;
    int height;
};

// The tiles in the order they are sampled: band by band from the north, west to east.
std::vector<TileBlock> TileBlocks(int W, int H) {
    std::vector<TileBlock> blocks;
    const int bandHeightPixels = H * 50 / 180;
    for (int band = 0; band < 4; ++band) {
        const int count = band == 3 ? 6 : 9;
        const int width = band == 3 ? W * 60 / 360 : W * 40 / 360;
        const int height = band == 3 ? H * 30 / 180 : H * 50 / 180;
        for (int t = 0; t < count; ++t)
            blocks.push_back({band == 3 ? 27 + t : 9 * band + t, t * width, band * bandHeightPixels,
                              width, height});
    }
    return blocks;
}

// Where a block's pixels go: its first row in each image and the step between rows.
struct BlockTarget {
    std::uint8_t* heights;
    std::uint8_t* mask;
    std::size_t stride;
};

// Samples rows firstRow..lastRow-1 of the block (counted from its top), cellsPerPixel cells
// apart each way. A bad row is reported through report, once per pixel taken from it, before
// the next row is read.
template <class ReportBadRow>
void SampleBlock(const TTileArray& tiles, const HeightCodeTable& codes, const TileBlock& block,
                 int H, const BlockTarget& target, ReportBadRow&& report, int firstRow = 0,
                 int lastRow = -1) {
    const TTile& tile = *tiles.Tiles[std::size_t(block.slot)];
    if (tile.Columns != gtopo30::kTiles[block.slot].columns)
        throw std::logic_error("Tile of unexpected width");
    const int firstCell = gtopo30::kTiles[block.slot].firstColumn;
    const int cellsPerPixel = TTileArray::kGridRows / H;
    if (lastRow < 0) lastRow = block.height;
    for (int row = firstRow; row < lastRow; ++row) {
        const int y = block.firstY + row;
        const int gridRow = y * TTileArray::kGridRows / H;
        bool bad = false;
        const std::uint8_t* rowStart = tile.ReadRow(gridRow % gtopo30::kBandRows, bad);
        if (bad) report(tile, block.width);
        const std::size_t at = std::size_t(row - firstRow) * target.stride;
        std::uint8_t* heightRow = target.heights + at;
        std::uint8_t* maskRow = target.mask + at;
        // Whole cells a pixel: a step instead of a division per pixel, the same cells.
        const std::uint8_t* cells = rowStart + 2 * (block.firstX * cellsPerPixel - firstCell);
        const std::size_t step = std::size_t(2 * cellsPerPixel);
        for (int i = 0; i < block.width; ++i) {
            const std::int32_t h = BigEndianSample(cells + step * std::size_t(i));
            heightRow[i] = codes[std::size_t(h + 32768)];
            maskRow[i] = h > 0 ? 255 : 0;
        }
    }
}

// A block sampled on the helper thread, with the reports it owes and what stopped it.
struct SampledBlock {
    std::vector<std::uint8_t> heights;
    std::vector<std::uint8_t> mask;
    int badReports = 0;
    std::exception_ptr failure;
    std::promise<void> done;
};

// Samples every other block into buffers of its own; the caller owns the images and the
// messages. Stops at the first failure, or when asked to.
void SampleOddBlocks(std::stop_token stop, const TTileArray& tiles, const HeightCodeTable& codes,
                     const std::vector<TileBlock>& blocks, std::vector<SampledBlock>& results,
                     int H) {
    for (std::size_t i = 1; i < blocks.size() && !stop.stop_requested(); i += 2) {
        SampledBlock& result = results[i];
        try {
            const TileBlock& block = blocks[i];
            const std::size_t pixels = std::size_t(block.width) * std::size_t(block.height);
            result.heights.resize(pixels);
            result.mask.resize(pixels);
            SampleBlock(tiles, codes, block, H,
                        {result.heights.data(), result.mask.data(), std::size_t(block.width)},
                        [&](const TTile&, int lookups) { result.badReports += lookups; });
        } catch (...) {
            result.failure = std::current_exception();
        }
        result.done.set_value();
        handover::At(handover::Side::Given);
        if (result.failure) return;
    }
}

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

bool IsWorldImageWidth(int width) {
    return std::find(kWorldImageWidths.begin(), kWorldImageWidths.end(), width) !=
           kWorldImageWidths.end();
}

GeoTransform WorldImageTransform(int width) {
    constexpr double cellDegrees = 180.0 / gtopo30::kGridRows;
    const double cellsPerPixel = double(gtopo30::kGridColumns / width);
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
    const std::vector<TileBlock> blocks = TileBlocks(W, H);
    // Every other tile is read and sampled on a second core. Events, messages and failures
    // still come here in tile order, and only this thread touches the images, which a window
    // may be drawing from.
    std::vector<SampledBlock> results(blocks.size());
    std::jthread helper;
    try {
        helper = std::jthread(SampleOddBlocks, std::cref(tiles), std::cref(codes),
                              std::cref(blocks), std::ref(results), H);
    } catch (const std::system_error&) {
        // No thread to be had: every tile is sampled here.
    }
    const std::size_t stride = std::size_t(heightBitmap.Row(1) - heightBitmap.Row(0));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (events.TileStarting) events.TileStarting();
        const TileBlock& block = blocks[i];
        const BlockTarget target{heightBitmap.Row(block.firstY) + block.firstX,
                                 maskBitmap.Row(block.firstY) + block.firstX, stride};
        if (i % 2 == 1 && helper.joinable()) {
            SampledBlock& result = results[i];
            result.done.get_future().wait();
            handover::At(handover::Side::Taken);
            tiles.Tiles[std::size_t(block.slot)]->ReportBadRow(result.badReports);
            if (result.failure) std::rethrow_exception(result.failure);
            for (int row = 0; row < block.height; ++row) {
                const std::size_t from = std::size_t(row) * std::size_t(block.width);
                std::memcpy(target.heights + std::size_t(row) * stride, &result.heights[from],
                            std::size_t(block.width));
                std::memcpy(target.mask + std::size_t(row) * stride, &result.mask[from],
                            std::size_t(block.width));
            }
        } else {
            SampleBlock(tiles, codes, block, H, target,
                        [](const TTile& tile, int lookups) { tile.ReportBadRow(lookups); });
        }
        if (events.TileDone) events.TileDone();
        const bool bandEnds = i + 1 == blocks.size() || blocks[i + 1].firstY != block.firstY;
        if (bandEnds && events.BandDone) events.BandDone(block.firstY + block.height);
    }
}

void SampleRows(const TTileArray& tiles, const HeightCodeTable& codes, int width, int firstRow,
                int lastRow, Bitmap& heightBand, Bitmap& maskBand) {
    if (!IsWorldImageWidth(width)) throw std::invalid_argument("Not a width of the world images");
    const int W = width;
    const int H = width / 2;
    for (const Bitmap* band : {&heightBand, &maskBand}) {
        if (band->Width() != W || band->Height() < lastRow - firstRow ||
            band->Format() != PixelFormat::Indexed8)
            throw std::invalid_argument("Band bitmaps must be 8-bit and as wide as the image");
    }
    if (firstRow < 0 || lastRow > H) throw std::out_of_range("Rows outside the world image");
    const std::size_t stride = heightBand.Stride();
    if (maskBand.Stride() != stride) throw std::invalid_argument("Band bitmaps of unlike layout");
    // Only the tiles of the rows' bands, each for its share of the rows.
    for (const TileBlock& block : TileBlocks(W, H)) {
        const int first = std::max(firstRow, block.firstY);
        const int last = std::min(lastRow, block.firstY + block.height);
        if (first >= last) continue;
        const std::size_t at = std::size_t(first - firstRow) * stride + std::size_t(block.firstX);
        SampleBlock(
            tiles, codes, block, H, {heightBand.Bits() + at, maskBand.Bits() + at, stride},
            [](const TTile& tile, int lookups) { tile.ReportBadRow(lookups); },
            first - block.firstY, last - block.firstY);
    }
}
