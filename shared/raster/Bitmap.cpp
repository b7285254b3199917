#include "Bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Errors.h"

namespace {
int BytesPerPixelOf(PixelFormat format) {
    switch (format) {
        case PixelFormat::Indexed8:
            return 1;
        case PixelFormat::Pixel16:
            return 2;
        case PixelFormat::Bgr24:
            return 3;
    }
    return 3;
}
}  // namespace

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
    SetSize(width, height);
}

int Bitmap::BytesPerPixel() const { return BytesPerPixelOf(format_); }

std::size_t Bitmap::StrideFor(int width, PixelFormat format) {
    std::size_t rowBytes = std::size_t(width) * std::size_t(BytesPerPixelOf(format));
    return (rowBytes + 3) & ~std::size_t(3);
}

void Bitmap::SetSize(int width, int height) {
    if (width < 0 || height < 0) throw EInvalidGraphicOperation("Invalid bitmap size");
    if (width == width_ && height == height_) return;
    std::size_t newStride = StrideFor(width, format_);
    if (height > 0 && newStride > std::numeric_limits<std::size_t>::max() / std::size_t(height))
        throw EInvalidGraphicOperation("Bitmap too large");
    ZeroedBytes newData(newStride * std::size_t(height));
    int keepRows = std::min(height, height_);
    std::size_t keepBytes = std::min(newStride, stride_);
    for (int y = 0; y < keepRows && keepBytes != 0; ++y)
        std::memcpy(newData.data() + std::size_t(y) * newStride, Row(y), keepBytes);
    data_ = std::move(newData);
    width_ = width;
    height_ = height;
    stride_ = newStride;
}

void Bitmap::SetFormat(PixelFormat format) {
    if (format == format_) return;
    Bitmap converted(width_, height_, format);
    converted.palette_ = palette_;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) converted.SetPixelColour(x, y, PixelColour(x, y));
    data_ = std::move(converted.data_);
    stride_ = converted.stride_;
    format_ = format;
}

void Bitmap::SetPalette(std::vector<PaletteEntry> palette) {
    if (palette.size() > 256) palette.resize(256);
    palette_ = std::move(palette);
}

std::uint8_t Bitmap::NearestIndex(Colour colour) const {
    int best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        long dr = long(palette_[i].red) - RedOf(colour);
        long dg = long(palette_[i].green) - GreenOf(colour);
        long db = long(palette_[i].blue) - BlueOf(colour);
        long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
            if (distance == 0) break;
        }
    }
    return std::uint8_t(best);
}

Colour Bitmap::PixelColour(int x, int y) const {
    const std::uint8_t* p = Row(y) + std::size_t(x) * std::size_t(BytesPerPixel());
    switch (format_) {
        case PixelFormat::Indexed8:
            if (p[0] < palette_.size()) {
                const PaletteEntry& e = palette_[p[0]];
                return MakeColour(e.red, e.green, e.blue);
            }
            return MakeColour(p[0], p[0], p[0]);
        case PixelFormat::Pixel16:
            return Colour(p[0]) | (Colour(p[1]) << 8);
        case PixelFormat::Bgr24:
            return MakeColour(p[2], p[1], p[0]);
    }
    return 0;
}

DevicePixel Bitmap::Encode(Colour colour) const {
    DevicePixel pixel;
    switch (format_) {
        case PixelFormat::Indexed8:
            pixel.bytes[0] = palette_.empty() ? RedOf(colour) : NearestIndex(colour);
            pixel.size = 1;
            break;
        case PixelFormat::Pixel16:
            pixel.bytes[0] = std::uint8_t(colour & 0xFF);
            pixel.bytes[1] = std::uint8_t((colour >> 8) & 0xFF);
            pixel.size = 2;
            break;
        case PixelFormat::Bgr24:
            pixel.bytes[0] = BlueOf(colour);
            pixel.bytes[1] = GreenOf(colour);
            pixel.bytes[2] = RedOf(colour);
            pixel.size = 3;
            break;
    }
    return pixel;
}

void Bitmap::SetPixelColour(int x, int y, Colour colour) {
    const DevicePixel pixel = Encode(colour);
    std::uint8_t* bytes = Row(y) + std::size_t(x) * std::size_t(pixel.size);
    // Sizes known here become plain stores instead of a library call.
    if (pixel.size == 3)
        std::memcpy(bytes, pixel.bytes, 3);
    else
        std::memcpy(bytes, pixel.bytes, std::size_t(pixel.size));
}

void SetGreyPalette(Bitmap& bitmap) {
    std::vector<PaletteEntry> grey(256);
    for (int i = 0; i < 256; ++i) grey[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    bitmap.SetPalette(std::move(grey));
    bitmap.MarkModified();
}
