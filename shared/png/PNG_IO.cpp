#include "PNG_IO.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "Errors.h"
#include "PngDef.h"
#include "Stream.h"

namespace {

TPngImageRef ImageToSave(const Bitmap& bitmap, const std::string& author,
                         const std::string& description, const std::string& software,
                         const std::string& title, bool asRgb = false) {
    TPngImageRef image = TPngImage::Create();
    if (asRgb)
        image->BorrowBitmapRowsAsRgb(bitmap);
    else
        image->BorrowBitmapRows(bitmap);
    image->CompressionLevel = 4;
    image->FilterFlags = 0x98;  // None, Sub, Paeth
    image->Author = author;
    image->Description = description;
    image->Software = software;
    image->Title = title;
    return image;
}

void WritePending(const PngFileJob& job, PendingPngFile& pending, RowGate* gate) noexcept {
    try {
        // A gate abandoned here fails the write below, as it would part-way.
        if (gate && job.afterLastRow) gate->WaitFor(std::uint32_t(job.bitmap->Height()));
        auto file = std::make_unique<ReplacingFileStream>(job.fileName);
        TPngImageRef image =
            ImageToSave(*job.bitmap, job.author, job.description, job.software, job.title);
        image->RowsArriving = gate;
        image->SaveToStream(*file);
        pending.file = std::move(file);
    } catch (...) {
        pending.failure = std::current_exception();
    }
}

}  // namespace

bool SaveBitmapToPng(const Bitmap& bitmap, const std::string& fileName, const std::string& author,
                     const std::string& description, const std::string& software,
                     const std::string& title, const TPngProgressEvent& onProgress) {
    TPngImageRef image = ImageToSave(bitmap, author, description, software, title);
    image->OnProgress = onProgress;
    image->SaveToFile(fileName);
    return true;
}

bool SaveBitmapToRgbPng(const Bitmap& bitmap, const std::string& fileName,
                        const std::string& author, const std::string& description,
                        const std::string& software, const std::string& title) {
    TPngImageRef image = ImageToSave(bitmap, author, description, software, title, true);
    image->SaveToFile(fileName);
    return true;
}

bool SaveBitmapToTwoLevelPng(const Bitmap& bitmap, const std::string& fileName,
                             const std::string& author, const std::string& description,
                             const std::string& software, const std::string& title) {
    if (bitmap.Format() != PixelFormat::Indexed8 && bitmap.Format() != PixelFormat::Bgr24)
        throw EInvalidGraphicOperation("Unsupported bitmap format");
    TPngImageRef image = ImageToSave(bitmap, author, description, software, title);
    image->BitDepth = 1;
    image->ColourType = PNG_COLOR_TYPE_GRAY;
    image->Channels = 1;
    image->PaletteCount = 0;
    image->RowBytes = std::int32_t((std::int64_t(bitmap.Width()) + 7) / 8);
    std::array<bool, 256> white{};
    for (int i = 0; i < 256; ++i) {
        const Colour colour = i < int(bitmap.Palette().size())
                                  ? MakeColour(bitmap.Palette()[std::size_t(i)].red,
                                               bitmap.Palette()[std::size_t(i)].green,
                                               bitmap.Palette()[std::size_t(i)].blue)
                                  : MakeColour(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
        white[std::size_t(i)] = RedOf(colour) + GreenOf(colour) + BlueOf(colour) >= 3 * 128;
    }
    const bool indexed = bitmap.Format() == PixelFormat::Indexed8;
    image->MakeRow = [&bitmap, white, indexed](std::uint32_t y, std::uint8_t* row) {
        const std::uint8_t* pixels = bitmap.Row(int(y));
        const int width = bitmap.Width();
        auto isWhite = [&](int x) -> unsigned {
            if (indexed) return white[pixels[x]];
            const std::uint8_t* bgr = pixels + 3 * std::size_t(x);
            return bgr[0] + bgr[1] + bgr[2] >= 3 * 128;
        };
        // Eight pixels a byte, the first in the high bit; the last byte padded with zeros.
        for (int x = 0; x < width; x += 8) {
            unsigned byte = 0;
            const int end = std::min(x + 8, width);
            for (int column = x; column < end; ++column) byte = byte << 1 | isWhite(column);
            *row++ = std::uint8_t(byte << (8 - (end - x)));
        }
    };
    image->SaveToFile(fileName);
    return true;
}

void SaveBitmapsToPng(const std::vector<PngFileJob>& jobs) {
    PngFilesAsRowsArrive files(jobs);
    files.Commit();
}

PngFilesAsRowsArrive::PngFilesAsRowsArrive(std::vector<PngFileJob> jobs)
    : jobs_(std::move(jobs)), pending_(jobs_.size()), deferred_(jobs_.size(), false) {
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
        try {
            writers_.emplace_back(WritePending, std::cref(jobs_[i]), std::ref(pending_[i]), &gate_);
        } catch (const std::system_error&) {
            // No thread to be had: the file is written by Commit instead.
            deferred_[i] = true;
        }
    }
}

PngFilesAsRowsArrive::~PngFilesAsRowsArrive() {
    gate_.Abandon();
    writers_.clear();
}

void PngFilesAsRowsArrive::RowsReady(int rows) { gate_.Open(std::uint32_t(std::max(rows, 0))); }

void PngFilesAsRowsArrive::Commit() {
    gate_.Open(std::numeric_limits<std::uint32_t>::max());
    writers_.clear();
    for (std::size_t i = 0; i < jobs_.size(); ++i)
        if (deferred_[i]) WritePending(jobs_[i], pending_[i], nullptr);
    for (PendingPngFile& file : pending_) {
        if (file.failure) std::rethrow_exception(file.failure);
        file.file->Commit();
    }
}

struct PngFilesInBands::File {
    Bitmap bands[2];
    std::vector<std::uint8_t*> rows;  // the row table the writer reads
    RowGate written;
    PendingPngFile pending;
};

PngFilesInBands::PngFilesInBands(std::vector<PngFileJob> jobs, int width, int height, int bandRows)
    : jobs_(std::move(jobs)), width_(width), height_(height), bandRows_(std::max(bandRows, 1)) {
    if (width <= 0 || height <= 0) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
    for (const PngFileJob& job : jobs_) {
        auto file = std::make_unique<File>();
        for (Bitmap& band : file->bands) {
            band = Bitmap(0, 0, job.bitmap->Format());
            band.SetPalette(job.bitmap->Palette());
            band.SetSize(width, std::min(bandRows_, height));
        }
        file->rows.assign(std::size_t(height), nullptr);
        files_.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
        File& file = *files_[i];
        const PngFileJob& job = jobs_[i];
        auto write = [this, &file, &job]() noexcept {
            try {
                auto target = std::make_unique<ReplacingFileStream>(job.fileName);
                TPngImageRef image = ImageToSave(file.bands[0], job.author, job.description,
                                                 job.software, job.title);
                image->BorrowRowTable(file.bands[0], std::uint32_t(width_), std::uint32_t(height_),
                                      file.rows.data());
                image->RowsArriving = &gate_;
                image->RowsWritten = &file.written;
                image->SaveToStream(*target);
                file.pending.file = std::move(target);
            } catch (...) {
                file.pending.failure = std::current_exception();
            }
            // Whatever happened, this writer reads no more rows.
            file.written.Abandon();
        };
        try {
            writers_.emplace_back(write);
        } catch (const std::system_error&) {
            file.pending.failure = std::current_exception();
            file.written.Abandon();
        }
    }
}

PngFilesInBands::~PngFilesInBands() {
    gate_.Abandon();
    writers_.clear();
}

bool PngFilesInBands::StartBand() {
    if (bandIndex_ >= 0 && firstRow_ + rows_ >= height_) return false;
    ++bandIndex_;
    firstRow_ = bandIndex_ * bandRows_;
    rows_ = std::min(bandRows_, height_ - firstRow_);
    // The bitmaps last held the band before the previous one; the row after that band is the
    // last one whose writing may still look at it.
    if (bandIndex_ >= 2)
        for (auto& file : files_) file->written.WaitFor(std::uint32_t(firstRow_ - bandRows_ + 1));
    return true;
}

Bitmap& PngFilesInBands::Band(std::size_t job) { return files_.at(job)->bands[bandIndex_ % 2]; }

void PngFilesInBands::FinishBand() {
    for (auto& file : files_) {
        Bitmap& band = file->bands[bandIndex_ % 2];
        for (int r = 0; r < rows_; ++r) file->rows[std::size_t(firstRow_ + r)] = band.Row(r);
    }
    gate_.Open(std::uint32_t(firstRow_ + rows_));
}

void PngFilesInBands::Commit() {
    if (firstRow_ + rows_ < height_) throw std::logic_error("Bands missing from the image");
    writers_.clear();
    for (auto& file : files_) {
        if (file->pending.failure) std::rethrow_exception(file->pending.failure);
        file->pending.file->Commit();
    }
}

bool LoadPngToBitmap(Bitmap& bitmap, const std::string& fileName, bool convertToRgb) {
    return LoadPngToBitmap(bitmap, fileName, convertToRgb, {});
}

bool LoadPngToBitmap(Bitmap& bitmap, const std::string& fileName, bool convertToRgb,
                     const std::function<void(int rows)>& rowsReady) {
    TPngImageRef image = TPngImage::Create();
    image->ConvertToRGB = convertToRgb;
    std::uint32_t copied = 0;
    if (rowsReady) {
        image->OnRowsRead = [&](std::uint32_t rowsDone) {
            if (copied == 0) {
                bitmap.SetHeight(0);
                bitmap.SetWidth(0);
            }
            image->CopyRowsToBitmap(bitmap, copied, rowsDone);
            copied = rowsDone;
            rowsReady(int(rowsDone));
        };
    }
    image->LoadFromFile(fileName);
    if (copied == 0) {
        bitmap.SetHeight(0);
        bitmap.SetWidth(0);
        image->CopyToBitmap(bitmap, 0, 0);
        if (rowsReady) rowsReady(bitmap.Height());
    }
    return true;
}
