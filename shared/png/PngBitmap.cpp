// Between a TPngImage's rows and a Bitmap: PNG rows are red-green-blue, bitmap rows
// blue-green-red, and alpha (stored inverted, 0 opaque) blends over what the bitmap holds.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "Errors.h"
#include "PngDef.h"
#include "PngImage.h"

namespace {

void CheckFitsBitmap(const TPngImage& image, int x, int y, bool hasRows) {
    constexpr std::int64_t kMaxInt = std::numeric_limits<std::int32_t>::max();
    if (image.Height > kMaxInt || std::int64_t(y) + image.Height > kMaxInt)
        throw EInvalidGraphicOperation("Image too high");
    if (image.Width > kMaxInt || std::int64_t(x) + image.Width > kMaxInt)
        throw EInvalidGraphicOperation("Image too wide");
    if (hasRows && (image.Channels < 1 || image.Channels > 4 ||
                    image.RowPointers().size() != image.Height || image.RowBytes < 0 ||
                    std::uint64_t(image.RowBytes) < std::uint64_t(image.Width) * image.Channels))
        throw EInvalidGraphicOperation("Image data does not match its size");
}

void PrepareBitmap(const TPngImage& image, Bitmap& bitmap, int x, int y) {
    int bottom = y + int(image.Height);
    int right = x + int(image.Width);
    if (bitmap.Height() < bottom) bitmap.SetHeight(bottom);
    if (bitmap.Width() < right) bitmap.SetWidth(right);
    if (image.Channels == 1) {
        bitmap.SetFormat(PixelFormat::Indexed8);
        if (image.PaletteCount != 0)
            bitmap.SetPalette(std::vector<PaletteEntry>(
                image.Palette.begin(),
                image.Palette.begin() + std::clamp(image.PaletteCount, 0, 256)));
    } else if (image.Channels == 2) {
        bitmap.SetFormat(PixelFormat::Pixel16);
    } else {
        bitmap.SetFormat(PixelFormat::Bgr24);
    }
    bitmap.SetTransparent(image.Transparent);
}

// One RGB or RGBA sample group onto one BGR pixel.
void PaintPixel(const std::uint8_t* in, int channels, Colour background, std::uint8_t* out) {
    unsigned transparency = channels == 4 ? in[3] : 0;
    if (transparency == 0) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    } else if (transparency == 255) {
        out[0] = BlueOf(background);
        out[1] = GreenOf(background);
        out[2] = RedOf(background);
    } else {
        for (int i = 0; i < 3; ++i)
            out[i] = std::uint8_t((out[i] * transparency + (255 - transparency) * in[2 - i]) / 255);
    }
}

}  // namespace

void TPngImage::TakeBitmapLayout(const Bitmap& bitmap) {
    PaletteCount = 0;
    switch (bitmap.Format()) {
        case PixelFormat::Indexed8: {
            ColourType = PNG_COLOR_TYPE_GRAY;
            Channels = 1;
            const std::vector<PaletteEntry>& entries = bitmap.Palette();
            PaletteCount = std::int32_t(std::min<std::size_t>(entries.size(), 256));
            for (int i = 0; i < PaletteCount; ++i) {
                Palette[i] = entries[i];
                if (entries[i] != PaletteEntry{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)})
                    ColourType = PNG_COLOR_TYPE_PALETTE;
            }
            break;
        }
        case PixelFormat::Bgr24:
            ColourType = PNG_COLOR_TYPE_RGB;
            Channels = 3;
            break;
        default:
            throw EInvalidGraphicOperation("Unsupported bitmap format");
    }
    std::uint64_t rowBytes = std::uint64_t(bitmap.Width()) * std::uint64_t(Channels);
    if (rowBytes > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        throw EInvalidGraphicOperation("Bitmap too large");
    Width = std::uint32_t(bitmap.Width());
    Height = std::uint32_t(bitmap.Height());
    BitDepth = 8;
    RowBytes = std::int32_t(rowBytes);
}

void TPngImage::CopyFromBitmap(const Bitmap& bitmap) {
    TakeBitmapLayout(bitmap);
    AllocateRows();
    if (!pixelData_) return;
    for (std::uint32_t row = 0; row < Height; ++row) {
        const std::uint8_t* source = bitmap.Row(int(row));
        std::uint8_t* target = rowPointers_[row];
        if (Channels == 1) {
            std::memcpy(target, source, Width);
        } else {
            for (std::uint32_t column = 0; column < Width; ++column, source += 3, target += 3) {
                target[0] = source[2];
                target[1] = source[1];
                target[2] = source[0];
            }
        }
    }
}

void TPngImage::BorrowBitmapRows(const Bitmap& bitmap) {
    TakeBitmapLayout(bitmap);
    FreeRows();
    if (Height == 0 || RowBytes == 0) return;
    borrowedRows_.resize(Height);
    // libpng reads rows handed to it for writing and never writes to them.
    for (std::uint32_t row = 0; row < Height; ++row)
        borrowedRows_[row] = const_cast<std::uint8_t*>(bitmap.Row(int(row)));
    borrowedBgr_ = bitmap.Format() == PixelFormat::Bgr24;
    borrowedRowBytes_ = std::int64_t(bitmap.Width()) * bitmap.BytesPerPixel();
}

void TPngImage::BorrowRowTable(const Bitmap& layout, std::uint32_t width, std::uint32_t height,
                               std::uint8_t* const* rows) {
    TakeBitmapLayout(layout);
    FreeRows();
    const std::uint64_t rowBytes = std::uint64_t(width) * std::uint64_t(Channels);
    if (rowBytes > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        throw EInvalidGraphicOperation("Bitmap too large");
    Width = width;
    Height = height;
    RowBytes = std::int32_t(rowBytes);
    if (Height == 0 || RowBytes == 0) return;
    tableRows_ = rows;
    borrowedBgr_ = layout.Format() == PixelFormat::Bgr24;
    borrowedRowBytes_ = std::int64_t(rowBytes);
}

void TPngImage::BorrowBitmapRowsAsRgb(const Bitmap& bitmap) {
    if (bitmap.Format() != PixelFormat::Indexed8) {
        BorrowBitmapRows(bitmap);
        return;
    }
    TakeBitmapLayout(bitmap);
    FreeRows();
    ColourType = PNG_COLOR_TYPE_RGB;
    Channels = 3;
    PaletteCount = 0;
    const std::uint64_t rowBytes = std::uint64_t(Width) * 3;
    if (rowBytes > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        throw EInvalidGraphicOperation("Bitmap too large");
    RowBytes = std::int32_t(rowBytes);
    if (Height == 0 || RowBytes == 0) return;
    const std::vector<PaletteEntry>& palette = bitmap.Palette();
    std::array<std::array<std::uint8_t, 3>, 256> colours;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const PaletteEntry entry =
            i < palette.size() ? palette[i]
                               : PaletteEntry{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
        colours[i] = {entry.red, entry.green, entry.blue};
    }
    MakeRow = [&bitmap, colours, width = Width](std::uint32_t y, std::uint8_t* row) {
        const std::uint8_t* indices = bitmap.Row(int(y));
        for (std::uint32_t x = 0; x < width; ++x, row += 3)
            std::memcpy(row, colours[indices[x]].data(), 3);
    };
}

void TPngImage::CopyToBitmap(Bitmap& bitmap, int x, int y) const {
    const bool hasRows = pixelData_ && Width != 0 && Height != 0;
    CheckFitsBitmap(*this, x, y, hasRows);
    PrepareBitmap(*this, bitmap, x, y);
    if (!hasRows) return;
    CopyRows(bitmap, x, y, 0, Height);
    bitmap.MarkModified();
}

void TPngImage::CopyRowsToBitmap(Bitmap& bitmap, std::uint32_t first, std::uint32_t last) const {
    const bool hasRows = pixelData_ && Width != 0 && Height != 0;
    if (first == 0) {
        CheckFitsBitmap(*this, 0, 0, hasRows);
        PrepareBitmap(*this, bitmap, 0, 0);
    }
    if (!hasRows) return;
    CopyRows(bitmap, 0, 0, first, std::min(last, Height));
    bitmap.MarkModified();
}

void TPngImage::CopyRows(Bitmap& bitmap, int x, int y, std::uint32_t first,
                         std::uint32_t last) const {
    const int firstColumn = std::max(0, -x);
    const std::size_t channels = std::size_t(Channels);
    const std::size_t bytesPerPixel = std::size_t(bitmap.BytesPerPixel());
    for (std::uint32_t row = first; row < last; ++row) {
        std::int64_t targetRow = std::int64_t(y) + row;
        if (targetRow < 0) continue;
        const std::uint8_t* source = rowPointers_[row];
        std::uint8_t* target = bitmap.Row(int(targetRow));
        if (Channels <= 2) {  // samples are stored as the bitmap holds them: copy whole rows
            if (firstColumn < int(Width))
                std::memcpy(target + std::size_t(x + firstColumn) * bytesPerPixel,
                            source + std::size_t(firstColumn) * channels,
                            std::size_t(int(Width) - firstColumn) * channels);
            continue;
        }
        for (int column = firstColumn; column < int(Width); ++column)
            PaintPixel(source + std::size_t(column) * channels, Channels, BackgroundColour,
                       target + std::size_t(x + column) * bytesPerPixel);
    }
}

void TPngImage::Draw(Canvas& canvas) const {
    Bitmap picture;
    CopyToBitmap(picture, 0, 0);
    canvas.Draw(0, 0, picture);
}
