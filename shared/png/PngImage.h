#pragma once
// TPngImage: one PNG image in memory (header values, palette, text, time and the rows) with the
// libpng call sequences that read and write it; TPngGraphic: the same image as a Graphic.
//
// Reading expands every PNG that libpng accepts to rows of 1 to 4 channels of 8-bit samples:
// 16-bit samples are scaled to 8 bits, samples of 1, 2 or 4 bits are stored one per byte, grey
// and palette images become RGB when ConvertToRGB is set, tRNS becomes an alpha channel, and
// alpha is stored inverted (0 opaque, 255 transparent). Colours are gamma-corrected for a screen
// gamma of 2.2 when the file has a gAMA chunk; a palette kept as a palette stays as stored.
//
// Writing produces IHDR, PLTE (palette images only), tEXt for the non-blank texts, IDAT, tIME
// (local wall-clock time) and IEND, in this order.
//
// Only one read or write runs at a time on each thread: the stream and image being worked on
// are module-wide for the thread, because libpng's transfer callbacks reach them from there.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Canvas.h"
#include "Colour.h"
#include "Geometry.h"
#include "Graphic.h"
#include "RowGate.h"
#include "Stream.h"

enum class ProgressStage { Starting = 0, Running = 1, Ending = 2 };

class TPngImage;

using TPngProgressEvent =
    std::function<void(TPngImage& sender, ProgressStage stage, std::uint8_t percentDone,
                       bool redrawNow, const Rect& rect, const std::string& message)>;

// A counted reference to a TPngImage: copying adds a holder, destruction releases one.
class TPngImageRef {
public:
    TPngImageRef() = default;
    TPngImageRef(const TPngImageRef& other);
    TPngImageRef(TPngImageRef&& other) noexcept : image_(other.image_) { other.image_ = nullptr; }
    TPngImageRef& operator=(TPngImageRef other) noexcept {
        std::swap(image_, other.image_);
        return *this;
    }
    ~TPngImageRef();

    // Takes over one count the caller already holds.
    static TPngImageRef Adopt(TPngImage* image) { return TPngImageRef(image); }
    // Adds a count of its own.
    static TPngImageRef Share(TPngImage* image);

    TPngImage* Get() const { return image_; }
    TPngImage* operator->() const { return image_; }
    TPngImage& operator*() const { return *image_; }
    explicit operator bool() const { return image_ != nullptr; }
    void Reset() { *this = TPngImageRef(); }

private:
    explicit TPngImageRef(TPngImage* image) : image_(image) {}
    TPngImage* image_ = nullptr;
};

class TPngImage {
public:
    // Images live on the heap and go away with their last holder.
    static TPngImageRef Create();
    TPngImage(const TPngImage&) = delete;
    TPngImage& operator=(const TPngImage&) = delete;

    TPngImage* AddRef();
    // Destroys the image when the count falls to zero or below.
    void Release();
    int RefCount() const { return refCount_; }

    void LoadFromStream(Stream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(Stream& stream);
    // The file is replaced only once the whole image has been written.
    void SaveToFile(const std::string& fileName);

    // An 8-bit bitmap becomes grey when it has no palette or its palette is the identity grey,
    // otherwise a palette image; a 24-bit bitmap becomes RGB. Other formats:
    // EInvalidGraphicOperation "Unsupported bitmap format".
    void CopyFromBitmap(const Bitmap& bitmap);
    // The same image for the next write, its rows read from the bitmap itself instead of a copy:
    // the bitmap must stay as it is until then. 24-bit pixels become RGB as libpng writes them.
    void BorrowBitmapRows(const Bitmap& bitmap);
    // The same for an image of width x height made a few rows at a time: row y is read from
    // rows[y], which the caller sets before RowsArriving opens the row and may point elsewhere
    // once RowsWritten is past y + 1. The bitmap gives only the format and palette.
    void BorrowRowTable(const Bitmap& layout, std::uint32_t width, std::uint32_t height,
                        std::uint8_t* const* rows);
    // The same for an RGB image whatever the bitmap's format: 8-bit pixels become their palette
    // colours (grey where the palette ends) a row at a time as the write reaches them, so that
    // no RGB copy of a large image is ever held.
    void BorrowBitmapRowsAsRgb(const Bitmap& bitmap);
    // Puts the image at (x, y), growing the bitmap as needed. Pixels with partial alpha blend
    // over what the bitmap holds; fully transparent ones take BackgroundColour. Parts that
    // fall left of or above the bitmap are clipped.
    void CopyToBitmap(Bitmap& bitmap, int x, int y) const;
    // CopyToBitmap at (0, 0) for rows first..last-1 alone; a first of 0 also gives the bitmap
    // its size, format and palette. Copying every row in turn makes the same bitmap.
    void CopyRowsToBitmap(Bitmap& bitmap, std::uint32_t first, std::uint32_t last) const;
    // Draws the image unscaled at the canvas origin.
    void Draw(Canvas& canvas) const;

    void Progress(TPngImage& sender, ProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                  const Rect& rect, const std::string& message);

    // The rows: Height x RowBytes bytes, top row first; null when the image has none.
    const std::uint8_t* PixelData() const { return pixelData_.get(); }
    std::uint8_t* PixelData() { return pixelData_.get(); }
    std::size_t PixelDataSize() const { return pixelDataSize_; }
    const std::vector<std::uint8_t*>& RowPointers() const { return rowPointers_; }

    std::int32_t BitDepth = 0;
    std::int32_t Channels = 0;
    std::int32_t ColourType = 2;
    std::uint32_t Height = 0;
    std::uint32_t Width = 0;
    std::int32_t InterlaceType = 0;
    std::int32_t CompressionType = 0;
    std::int32_t FilterType = 0;
    std::int32_t FilterFlags = 0x38;  // None, Sub, Up
    // Each row's filter is chosen before the write, as libpng would choose it, so that libpng
    // applies only that one: the same file, sooner. False leaves the choice to libpng.
    bool FiltersChosenAhead = true;
    Colour BackgroundColour = 0;
    bool Transparent = false;  // the file read had a bKGD chunk
    std::int32_t RowBytes = 0;
    double FileGamma = 0;
    double ScreenGamma = 0;
    std::int32_t Passes = 0;
    std::int32_t CompressionLevel = 3;
    // Images of at least this many bytes of rows, more than any the programs write at their
    // default sizes, are compressed a range of rows at a time on every core: the same rows and
    // row filters in other compressed bytes. Interlaced and 16-bit images go row by row.
    std::uint64_t RangesFromBytes = std::uint64_t(48) << 20;
    std::uint32_t RangeRows = 0;  // rows a range; 0 lets the writer choose
    std::string Author;
    std::string Description;
    std::string Software;
    std::string Title;
    // Every text chunk before the image data of the last file read, as "key=text".
    std::vector<std::string> TextList;
    std::chrono::local_seconds Time{};
    TPngProgressEvent OnProgress;
    // While a non-interlaced image is read, after each row: rows 0..rowsDone-1 then hold their
    // final samples. An interlaced image reports all its rows once they are all read.
    std::function<void(std::uint32_t rowsDone)> OnRowsRead;
    // For a write that starts while the rows are still being made: each row is read once the
    // gate has opened it, and a gate abandoned first fails the write. Not owned.
    RowGate* RowsArriving = nullptr;
    // Opened as each row has gone to libpng, which keeps what it still needs of it. Not owned.
    RowGate* RowsWritten = nullptr;
    // When set, the rows of a non-interlaced image are handed to it one at a time as they are
    // decoded and not kept, so that an image of any size is read in the memory of one row.
    std::function<void(std::uint32_t row, const std::uint8_t* samples)> OnRowDecoded;
    // Rows made as the write reaches them instead of held: fills row y with RowBytes bytes.
    // Called from several threads at once, in any order. Only for non-interlaced writes.
    std::function<void(std::uint32_t y, std::uint8_t* row)> MakeRow;
    bool ConvertToRGB = true;
    std::array<PaletteEntry, 256> Palette{};
    std::int32_t PaletteCount = 0;

private:
    TPngImage() = default;
    ~TPngImage();

    void AllocateRows();
    void FreeRows();
    void TakeBitmapLayout(const Bitmap& bitmap);
    void CopyRows(Bitmap& bitmap, int x, int y, std::uint32_t first, std::uint32_t last) const;

    std::unique_ptr<std::uint8_t[]> pixelData_;
    std::size_t pixelDataSize_ = 0;
    std::vector<std::uint8_t*> rowPointers_;
    std::vector<std::uint8_t*> borrowedRows_;  // a bitmap's rows, blue first when borrowedBgr_
    bool borrowedBgr_ = false;
    std::int64_t borrowedRowBytes_ = 0;
    std::uint8_t* const* tableRows_ = nullptr;  // BorrowRowTable's
    int refCount_ = 1;
};

class TPngGraphic : public Graphic {
public:
    TPngGraphic();

    const char* ClassName() const override { return "TPngGraphic"; }
    void Assign(const Graphic& source) override;
    void Draw(Canvas& canvas, const Rect& rect) override;
    bool GetEmpty() const override;
    int GetHeight() const override;
    int GetWidth() const override;
    void SetHeight(int height) override;
    void SetWidth(int width) override;
    void LoadFromFile(const std::string& fileName) override;
    void SaveToFile(const std::string& fileName) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    void LoadFromClipboardFormat() override;
    void SaveToClipboardFormat() override;

    TPngImage* Image() const { return image_.Get(); }

private:
    TPngImageRef image_;
};
