#include "PNG_IO.h"

#include <exception>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

#include "Stream.h"

namespace {

TPngImageRef ImageToSave(const Bitmap& bitmap, const std::string& author,
                         const std::string& description, const std::string& software,
                         const std::string& title) {
    TPngImageRef image = TPngImage::Create();
    image->BorrowBitmapRows(bitmap);
    image->CompressionLevel = 4;
    image->FilterFlags = 0x98;  // None, Sub, Paeth
    image->Author = author;
    image->Description = description;
    image->Software = software;
    image->Title = title;
    return image;
}

// A file written whole but not yet in place, or what stopped it.
struct PendingFile {
    std::unique_ptr<ReplacingFileStream> file;
    std::exception_ptr failure;
};

void WritePending(const PngFileJob& job, PendingFile& pending) noexcept {
    try {
        auto file = std::make_unique<ReplacingFileStream>(job.fileName);
        ImageToSave(*job.bitmap, job.author, job.description, job.software, job.title)
            ->SaveToStream(*file);
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

void SaveBitmapsToPng(const std::vector<PngFileJob>& jobs) {
    std::vector<PendingFile> pending(jobs.size());
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < jobs.size(); ++i) {
            try {
                helpers.emplace_back(WritePending, std::cref(jobs[i]), std::ref(pending[i]));
            } catch (const std::system_error&) {
                // No thread to be had: the file is written here instead.
                WritePending(jobs[i], pending[i]);
            }
        }
        if (!jobs.empty()) WritePending(jobs[0], pending[0]);
    }
    for (PendingFile& file : pending) {
        if (file.failure) std::rethrow_exception(file.failure);
        file.file->Commit();
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
