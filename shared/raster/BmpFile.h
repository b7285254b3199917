#pragma once
// Writing a bitmap as an uncompressed Windows BMP file.
//
// A file header and a 40-byte information header, then (for 8-bit bitmaps) a colour table of 256
// entries, then the rows bottom-up, each padded with zeros to a multiple of four bytes.
// Bgr24 bitmaps become 24-bit files; Indexed8 bitmaps 8-bit files whose table holds the palette
// followed, where it has fewer than 256 entries, by the greys that such pixels show as
// (Bitmap::PixelColour). Pixel16 bitmaps and empty bitmaps cannot be written.
//
// The file is written under a temporary name in the same folder and renamed over the target
// only when complete, so a failed save leaves any earlier file of that name as it was and never
// a truncated one in its place.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AlignedBytes.h"
#include "Bitmap.h"
#include "ReplacingFile.h"

// Throws EInvalidGraphicOperation for a bitmap that has no BMP form, and EInOutError naming the
// file and the reason when the file cannot be created or written.
void SaveBitmapToBmp(const Bitmap& bitmap, const std::string& path);

// The same file for an image too large to hold, written a band of rows at a time in any order,
// each in its place; format gives the pixel format and palette, width x height the size. The
// file takes the target's place on Commit; destroyed before, it leaves the target as it was.
class BmpBandWriter {
public:
    BmpBandWriter(const std::string& path, const Bitmap& format, int width, int height);
    ~BmpBandWriter();
    BmpBandWriter(const BmpBandWriter&) = delete;
    BmpBandWriter& operator=(const BmpBandWriter&) = delete;

    // Rows 0..rows-1 of band become rows firstRow.. of the image.
    void WriteBand(int firstRow, const Bitmap& band, int rows);
    void Commit();

private:
    ReplacingFile file_;
    int width_;
    int height_;
    std::size_t rowBytes_ = 0;
    std::size_t paddedRowBytes_ = 0;
    std::uint64_t pixelOffset_ = 0;
    AlignedBytes buffer_;
};
// A 24-bit file whatever the bitmap's format: 8-bit pixels are written as their colours (as
// Bitmap::PixelColour gives them), a row at a time, so no 24-bit copy of the bitmap is made.
void SaveBitmapToColourBmp(const Bitmap& bitmap, const std::string& path);
