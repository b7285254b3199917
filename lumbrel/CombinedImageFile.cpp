#include "CombinedImageFile.h"

#include <algorithm>
#include <string_view>

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
    } else {
        bmp_ = std::make_unique<BmpBandWriter>(fileName, Bgr24Format(), width, height);
        band_ = Bitmap(width, std::min(kBandRows, height), PixelFormat::Bgr24);
    }
}

CombinedImageBands::~CombinedImageBands() = default;

bool CombinedImageBands::StartBand() {
    if (png_) return png_->StartBand();
    if (started_) firstRow_ += rows_;
    started_ = true;
    rows_ = std::min(kBandRows, height_ - firstRow_);
    return rows_ > 0;
}

int CombinedImageBands::FirstRow() const { return png_ ? png_->FirstRow() : firstRow_; }

int CombinedImageBands::Rows() const { return png_ ? png_->Rows() : rows_; }

Bitmap& CombinedImageBands::Band() { return png_ ? png_->Band(0) : band_; }

void CombinedImageBands::FinishBand() {
    if (png_)
        png_->FinishBand();
    else
        bmp_->WriteBand(firstRow_, band_, rows_);
}

void CombinedImageBands::Commit() {
    if (png_)
        png_->Commit();
    else
        bmp_->Commit();
}
