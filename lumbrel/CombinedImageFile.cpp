#include "CombinedImageFile.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "AsciiCase.h"
#include "Errors.h"

namespace {

enum class CombinedFormat { Bmp, Png };

// Rows of a band: some 8 MB of combined image at the full width.
constexpr int kBandRows = 64;

CombinedFormat FormatOf(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t slash = fileName.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        const std::string_view extension = std::string_view(fileName).substr(dot);
        if (EqualsIgnoringCase(extension, ".bmp")) return CombinedFormat::Bmp;
        if (EqualsIgnoringCase(extension, ".png")) return CombinedFormat::Png;
    }
    throw VarnholtError("Cannot write " + fileName +
                        ": the combined image is written as .bmp or .png only");
}

PngFileJob PngJob(const Bitmap& format, const std::string& fileName) {
    return {&format, fileName, "", "Coloured, Shaded World Map", "Lumbrel", "Topographic Data"};
}

const Bitmap& Bgr24Format() {
    static const Bitmap format(0, 0, PixelFormat::Bgr24);
    return format;
}

}  // namespace

void SaveCombinedImage(const Bitmap& combined, const std::string& fileName) {
    if (FormatOf(fileName) == CombinedFormat::Bmp) {
        SaveBitmapToBmp(combined, fileName);
        return;
    }
    const PngFileJob job = PngJob(combined, fileName);
    SaveBitmapToPng(combined, job.fileName, job.author, job.description, job.software, job.title);
}

CombinedImageBands::CombinedImageBands(const std::string& fileName, int width, int height)
    : height_(height) {
    if (FormatOf(fileName) == CombinedFormat::Png) {
        png_ = std::make_unique<PngFilesInBands>(
            std::vector<PngFileJob>{PngJob(Bgr24Format(), fileName)}, width, height, kBandRows);
        return;
    }
    bmp_ = std::make_unique<BmpBandWriter>(fileName, Bgr24Format(), width, height);
    for (Bitmap& band : bands_)
        band = Bitmap(width, std::min(kBandRows, height), PixelFormat::Bgr24);
    try {
        writer_ = std::jthread([this] { WriteBmpBands(); });
    } catch (const std::system_error&) {
        // Without a thread, each band is written as it is finished.
    }
}

CombinedImageBands::~CombinedImageBands() { filled_.Abandon(); }

int CombinedImageBands::BandCount() const { return (height_ + kBandRows - 1) / kBandRows; }

void CombinedImageBands::WriteBmpBand(int index) {
    const int first = index * kBandRows;
    bmp_->WriteBand(first, bands_[index % 2], std::min(kBandRows, height_ - first));
}

void CombinedImageBands::WriteBmpBands() noexcept {
    for (int index = 0; index < BandCount(); ++index) {
        if (!filled_.WaitFor(std::uint32_t(index + 1))) break;
        try {
            WriteBmpBand(index);
        } catch (...) {
            writeFailure_ = std::current_exception();
            break;
        }
        written_.Open(std::uint32_t(index + 1));
    }
    written_.Abandon();
}

bool CombinedImageBands::StartBand() {
    if (png_) return png_->StartBand();
    if (bandIndex_ + 1 >= BandCount()) return false;
    ++bandIndex_;
    firstRow_ = bandIndex_ * kBandRows;
    rows_ = std::min(kBandRows, height_ - firstRow_);
    // The bitmap last held the band before the previous one.
    if (bandIndex_ >= 2 && writer_.joinable() && !written_.WaitFor(std::uint32_t(bandIndex_ - 1)))
        std::rethrow_exception(writeFailure_);
    return true;
}

int CombinedImageBands::FirstRow() const { return png_ ? png_->FirstRow() : firstRow_; }

int CombinedImageBands::Rows() const { return png_ ? png_->Rows() : rows_; }

Bitmap& CombinedImageBands::Band() { return png_ ? png_->Band(0) : bands_[bandIndex_ % 2]; }

void CombinedImageBands::FinishBand() {
    if (png_)
        png_->FinishBand();
    else if (writer_.joinable())
        filled_.Open(std::uint32_t(bandIndex_ + 1));
    else
        WriteBmpBand(bandIndex_);
}

void CombinedImageBands::Commit() {
    if (png_) {
        png_->Commit();
        return;
    }
    if (bandIndex_ + 1 < BandCount()) throw std::logic_error("Bands missing from the image");
    if (writer_.joinable()) {
        writer_.join();
        if (writeFailure_) std::rethrow_exception(writeFailure_);
    }
    bmp_->Commit();
}
