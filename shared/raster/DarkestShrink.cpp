#include "DarkestShrink.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct Shade {
    std::uint32_t luma = std::numeric_limits<std::uint32_t>::max();
    std::uint8_t blue = 0, green = 0, red = 0;
};

Shade ShadeOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return {77u * red + 150u * green + 29u * blue, blue, green, red};
}

// Where each target cell starts in the source; cell i ends where cell i + 1 starts, but covers
// at least one source pixel.
std::vector<int> CellStarts(int sourceSize, int targetSize) {
    std::vector<int> starts(std::size_t(targetSize) + 1);
    for (int i = 0; i <= targetSize; ++i)
        starts[std::size_t(i)] = int(std::int64_t(i) * sourceSize / targetSize);
    return starts;
}

int CellEnd(const std::vector<int>& starts, int i) {
    return std::max(starts[std::size_t(i) + 1], starts[std::size_t(i)] + 1);
}

// shadeAt(row pointer, column) gives a source pixel's shade; the geometry is the same for all
// formats.
template <class ShadeAt>
void Shrink(const Bitmap& source, Bitmap& target, ShadeAt shadeAt) {
    const std::vector<int> columns = CellStarts(source.Width(), target.Width());
    const std::vector<int> rows = CellStarts(source.Height(), target.Height());
    std::vector<Shade> darkest(std::size_t(target.Width()));
    for (int y = 0; y < target.Height(); ++y) {
        std::fill(darkest.begin(), darkest.end(), Shade{});
        for (int row = rows[std::size_t(y)]; row < CellEnd(rows, y); ++row) {
            const std::uint8_t* pixels = source.Row(row);
            for (int x = 0; x < target.Width(); ++x) {
                Shade& best = darkest[std::size_t(x)];
                for (int column = columns[std::size_t(x)]; column < CellEnd(columns, x); ++column) {
                    Shade shade = shadeAt(pixels, column);
                    if (shade.luma < best.luma) best = shade;
                }
            }
        }
        std::uint8_t* out = target.Row(y);
        for (const Shade& shade : darkest) {
            *out++ = shade.blue;
            *out++ = shade.green;
            *out++ = shade.red;
        }
    }
}

}  // namespace

Bitmap ShrinkKeepingDarkest(const Bitmap& source, int width, int height) {
    if (source.IsEmpty() || width <= 0 || height <= 0 || source.Format() == PixelFormat::Pixel16)
        return Bitmap();
    Bitmap target(width, height, PixelFormat::Bgr24);
    if (source.Format() == PixelFormat::Bgr24) {
        Shrink(source, target, [](const std::uint8_t* pixels, int column) {
            const std::uint8_t* bgr = pixels + std::size_t(column) * 3;
            return ShadeOf(bgr[0], bgr[1], bgr[2]);
        });
        return target;
    }
    Shade shades[256];
    const auto& palette = source.Palette();
    for (std::size_t i = 0; i < 256; ++i) {
        auto level = std::uint8_t(i);
        shades[i] = i < palette.size() ? ShadeOf(palette[i].blue, palette[i].green, palette[i].red)
                                       : ShadeOf(level, level, level);
    }
    Shrink(source, target,
           [&shades](const std::uint8_t* pixels, int column) { return shades[pixels[column]]; });
    return target;
}
