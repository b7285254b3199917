#pragma once
// An in-memory device-independent bitmap.
//
// Rows are stored top-down (row 0 is the top), each padded to a multiple of four bytes, so a
// row can be handed to a display toolkit without copying. Pixels are one palette index
// (Indexed8), two raw bytes (Pixel16) or three bytes blue, green, red (Bgr24).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Colour.h"
#include "ZeroedBytes.h"

enum class PixelFormat { Indexed8, Pixel16, Bgr24 };

// The bytes a colour becomes in one pixel of a particular bitmap: the first `size` are used.
struct DevicePixel {
    std::uint8_t bytes[3] = {0, 0, 0};
    int size = 3;
};

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format);

    int Width() const { return width_; }
    int Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    int BytesPerPixel() const;
    std::size_t Stride() const { return stride_; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }

    // Resizing keeps the pixels of the overlapping area; new pixels are zero.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    // Changing the format converts the pixels (8-bit to 24-bit through the palette,
    // 24-bit to 8-bit by the nearest palette entry).
    void SetFormat(PixelFormat format);

    std::uint8_t* Row(int y) { return data_.data() + std::size_t(y) * stride_; }
    const std::uint8_t* Row(int y) const { return data_.data() + std::size_t(y) * stride_; }
    std::uint8_t* Bits() { return data_.data(); }
    const std::uint8_t* Bits() const { return data_.data(); }

    const std::vector<PaletteEntry>& Palette() const { return palette_; }
    void SetPalette(std::vector<PaletteEntry> palette);  // at most 256 entries are kept
    // The palette index whose colour is closest to the given colour (0 without a palette).
    std::uint8_t NearestIndex(Colour colour) const;

    // The colour of a pixel (through the palette for 8-bit), and a colour written to a pixel
    // (as the nearest palette entry for 8-bit). Pixel16 stores the low 16 bits of the colour.
    Colour PixelColour(int x, int y) const;
    void SetPixelColour(int x, int y, Colour colour);
    // The one pixel encoder: whatever writes a colour into this bitmap goes through it.
    DevicePixel Encode(Colour colour) const;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }

    // Views repaint a bitmap when it was marked modified since they last showed it.
    void MarkModified() { ++modificationCount_; }
    std::uint64_t ModificationCount() const { return modificationCount_; }
    // For a bitmap that replaces `earlier` in a view: the new one may reuse its address, and
    // must not pass for it unchanged.
    void CountModificationsOn(const Bitmap& earlier) {
        modificationCount_ = std::max(modificationCount_, earlier.modificationCount_);
    }

private:
    static std::size_t StrideFor(int width, PixelFormat format);

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Bgr24;
    std::size_t stride_ = 0;
    ZeroedBytes data_;
    std::vector<PaletteEntry> palette_;
    bool transparent_ = false;
    std::uint64_t modificationCount_ = 0;
};

// Identity grey palette: entry i is (i, i, i), so pixel values pass through PNG files unchanged.
void SetGreyPalette(Bitmap& bitmap);
