#include "BmpFile.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "Errors.h"
#include "ReplacingFile.h"

namespace {
constexpr std::size_t FileHeaderBytes = 14;
constexpr std::size_t InfoHeaderBytes = 40;
constexpr std::size_t PaletteEntries = 256;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// File header, information header and, for 8-bit bitmaps, the colour table.
std::vector<std::uint8_t> BmpHeader(const Bitmap& bitmap, bool indexed, int width, int height,
                                    std::size_t pixelOffset, std::size_t pixelBytes) {
    std::vector<std::uint8_t> header;
    header.reserve(pixelOffset);
    header.push_back('B');
    header.push_back('M');
    Put32(header, std::uint32_t(pixelOffset + pixelBytes));
    Put32(header, 0);  // two reserved words
    Put32(header, std::uint32_t(pixelOffset));
    Put32(header, InfoHeaderBytes);
    Put32(header, std::uint32_t(width));
    Put32(header, std::uint32_t(height));  // positive: rows stored bottom-up
    Put16(header, 1);                      // planes
    Put16(header, indexed ? 8 : 24);
    Put32(header, 0);  // uncompressed
    Put32(header, std::uint32_t(pixelBytes));
    Put32(header, 0);  // no resolution stated
    Put32(header, 0);
    Put32(header, indexed ? PaletteEntries : 0);
    Put32(header, 0);  // all colours important
    if (!indexed) return header;
    const auto& palette = bitmap.Palette();
    for (std::size_t i = 0; i < PaletteEntries; ++i) {
        const PaletteEntry entry =
            i < palette.size() ? palette[i]
                               : PaletteEntry{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
        header.push_back(entry.blue);
        header.push_back(entry.green);
        header.push_back(entry.red);
        header.push_back(0);
    }
    return header;
}

// Where the parts of a file of 8-bit (indexed) or 24-bit pixels and the given size lie.
struct BmpLayout {
    BmpLayout(bool indexed, int width, int height) {
        rowBytes = std::size_t(width) * (indexed ? 1 : 3);
        paddedRowBytes = (rowBytes + 3) & ~std::size_t(3);
        pixelOffset = FileHeaderBytes + InfoHeaderBytes + (indexed ? PaletteEntries * 4 : 0);
        pixelBytes = paddedRowBytes * std::size_t(height);
        if (pixelBytes > std::numeric_limits<std::uint32_t>::max() - pixelOffset)
            throw EInvalidGraphicOperation("Bitmap too large for a BMP file");
    }
    std::size_t rowBytes;
    std::size_t paddedRowBytes;
    std::size_t pixelOffset;
    std::size_t pixelBytes;
};

// Rows bottom-up, each padded with zeros whatever the bitmap holds there.
void WriteRows(const Bitmap& bitmap, std::size_t rowBytes, std::size_t paddedRowBytes,
               ReplacingFile& file) {
    static constexpr std::uint8_t padding[3] = {};
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        file.Write(bitmap.Row(y), rowBytes);
        file.Write(padding, paddedRowBytes - rowBytes);
    }
}

// The same for 8-bit pixels written as their colours, a padded row at a time.
void WriteColourRows(const Bitmap& bitmap, std::size_t paddedRowBytes, ReplacingFile& file) {
    const std::vector<PaletteEntry>& palette = bitmap.Palette();
    std::uint8_t colours[256][3];
    for (std::size_t i = 0; i < 256; ++i) {
        const PaletteEntry entry =
            i < palette.size() ? palette[i]
                               : PaletteEntry{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
        colours[i][0] = entry.blue;
        colours[i][1] = entry.green;
        colours[i][2] = entry.red;
    }
    std::vector<std::uint8_t> row(paddedRowBytes, 0);
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        const std::uint8_t* indices = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            std::memcpy(&row[std::size_t(x) * 3], colours[indices[x]], 3);
        file.Write(row.data(), row.size());
    }
}

void SaveBmp(const Bitmap& bitmap, const std::string& path, bool colours) {
    if (bitmap.Format() == PixelFormat::Pixel16)
        throw EInvalidGraphicOperation("Cannot save a 16-bit bitmap as a BMP file");
    if (bitmap.IsEmpty()) throw EInvalidGraphicOperation("Cannot save an empty bitmap");

    const bool expand = colours && bitmap.Format() == PixelFormat::Indexed8;
    const bool indexed = bitmap.Format() == PixelFormat::Indexed8 && !expand;
    const BmpLayout layout(indexed, bitmap.Width(), bitmap.Height());

    ReplacingFile file(path);
    file.Write(BmpHeader(bitmap, indexed, bitmap.Width(), bitmap.Height(), layout.pixelOffset,
                         layout.pixelBytes)
                   .data(),
               layout.pixelOffset);
    if (expand)
        WriteColourRows(bitmap, layout.paddedRowBytes, file);
    else
        WriteRows(bitmap, layout.rowBytes, layout.paddedRowBytes, file);
    file.Commit();
}

}  // namespace

void SaveBitmapToBmp(const Bitmap& bitmap, const std::string& path) {
    SaveBmp(bitmap, path, false);
}

void SaveBitmapToColourBmp(const Bitmap& bitmap, const std::string& path) {
    SaveBmp(bitmap, path, true);
}

BmpBandWriter::BmpBandWriter(const std::string& path, const Bitmap& format, int width, int height)
    : file_(path), width_(width), height_(height) {
    if (format.Format() == PixelFormat::Pixel16)
        throw EInvalidGraphicOperation("Cannot save a 16-bit bitmap as a BMP file");
    if (width <= 0 || height <= 0) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
    const bool indexed = format.Format() == PixelFormat::Indexed8;
    const BmpLayout layout(indexed, width, height);
    rowBytes_ = layout.rowBytes;
    paddedRowBytes_ = layout.paddedRowBytes;
    pixelOffset_ = layout.pixelOffset;
    file_.Write(BmpHeader(format, indexed, width, height, pixelOffset_, layout.pixelBytes).data(),
                pixelOffset_);
    file_.ExtendTo(pixelOffset_ + layout.pixelBytes);
}

BmpBandWriter::~BmpBandWriter() = default;

void BmpBandWriter::WriteBand(int firstRow, const Bitmap& band, int rows) {
    if (firstRow < 0 || rows < 0 || rows > band.Height() || rows > height_ - firstRow ||
        band.Width() != width_)
        throw EInvalidGraphicOperation("Rows outside the BMP file");
    // The band lies in the file bottom row first, so it goes out in one piece, placed in memory
    // as in the file's blocks so that it goes to the disk without another copy.
    const std::uint64_t start =
        pixelOffset_ + std::uint64_t(height_ - firstRow - rows) * paddedRowBytes_;
    const std::size_t bytes = paddedRowBytes_ * std::size_t(rows);
    const std::size_t lead = std::size_t(start % ReplacingFile::kBlockBytes);
    if (buffer_.size() < lead + bytes)  // room for any lead, made once
        buffer_ = AlignedBytes(bytes + ReplacingFile::kBlockBytes, ReplacingFile::kBlockBytes);
    std::uint8_t* out = buffer_.data() + lead;
    for (int i = 0; i < rows; ++i) {
        std::uint8_t* row = out + std::size_t(rows - 1 - i) * paddedRowBytes_;
        std::memcpy(row, band.Row(i), rowBytes_);
        std::memset(row + rowBytes_, 0, paddedRowBytes_ - rowBytes_);
    }
    file_.WriteAt(start, out, bytes);
}

void BmpBandWriter::Commit() { file_.Commit(); }
