// The image's life: its counted references and the row storage every reader and writer uses.
// Reading, writing, chunks, bitmaps and the Graphic adapter each live in a Png*.cpp of their own.
#include "PngImage.h"

#include <string>

#include "Errors.h"
#include "PngSession.h"

namespace pngcodec {
void KeepFormatRegistered();
}

// ---- TPngImageRef --------------------------------------------------------------------------

TPngImageRef::TPngImageRef(const TPngImageRef& other) : image_(other.image_) {
    if (image_) image_->AddRef();
}

TPngImageRef::~TPngImageRef() {
    if (image_) image_->Release();
}

TPngImageRef TPngImageRef::Share(TPngImage* image) {
    if (image) image->AddRef();
    return TPngImageRef(image);
}

// ---- TPngImage -----------------------------------------------------------------------------

TPngImageRef TPngImage::Create() {
    pngcodec::KeepFormatRegistered();
    return TPngImageRef::Adopt(new TPngImage());
}

TPngImage::~TPngImage() { pngcodec::ForgetImage(this); }

TPngImage* TPngImage::AddRef() {
    ++refCount_;
    return this;
}

void TPngImage::Release() {
    if (--refCount_ <= 0) delete this;
}

void TPngImage::Progress(TPngImage& sender, ProgressStage stage, std::uint8_t percentDone,
                         bool redrawNow, const Rect& rect, const std::string& message) {
    if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

void TPngImage::FreeRows() {
    pixelData_.reset();
    pixelDataSize_ = 0;
    rowPointers_.clear();
    rowPointers_.shrink_to_fit();
    borrowedRows_.clear();
    borrowedRows_.shrink_to_fit();
    borrowedBgr_ = false;
    borrowedRowBytes_ = 0;
    tableRows_ = nullptr;
    MakeRow = nullptr;
}

void TPngImage::AllocateRows() {
    FreeRows();
    if (Height == 0 || RowBytes <= 0) return;
    std::uint64_t size = std::uint64_t(Height) * std::uint64_t(RowBytes);
    if (size > pngcodec::kMaxPixelBytes)
        throw EPngError("Image too large: " + std::to_string(Width) + " x " +
                        std::to_string(Height) + " pixels");
    // Left unset: every reader writes each byte, and a header that only claims a huge image then
    // costs address space, not memory, until its data has really arrived.
    pixelData_ = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(size));
    pixelDataSize_ = std::size_t(size);
    rowPointers_.resize(Height);
    for (std::uint32_t row = 0; row < Height; ++row)
        rowPointers_[row] = pixelData_.get() + std::size_t(row) * std::size_t(RowBytes);
}
