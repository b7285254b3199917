#include "HeightImageFile.h"

#include <array>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "ByteOrder.h"
#include "Errors.h"
#include "HandOver.h"
#include "PNG_IO.h"
#include "PngImage.h"
#include "ReadOnlyFile.h"

namespace {

[[noreturn]] void RefuseKind(const std::string& fileName) {
    throw EPngError(fileName +
                    " is not an 8-bit greyscale PNG image, so it cannot be read as heights.");
}

// The IHDR values follow the signature directly. A file too short or not a PNG at all is left
// to the codec, whose own message says so. The size, when the header gives one.
std::optional<HeightImageSize> RefuseOtherKindsOfPng(const std::string& fileName) {
    constexpr std::array<unsigned char, 8> signature = {0x89, 'P',  'N',  'G',
                                                        '\r', '\n', 0x1A, '\n'};
    std::array<unsigned char, 26> start{};
    try {
        if (!ReadOnlyFile(fileName).ReadExactAt(0, start.data(), start.size())) return {};
    } catch (const EInOutError&) {
        return {};
    }
    if (std::memcmp(start.data(), signature.data(), signature.size()) != 0) return {};
    if (std::memcmp(start.data() + 12, "IHDR", 4) != 0) return {};
    const int bitDepth = start[24];
    const int colourType = start[25];
    if (bitDepth != 8 || colourType != 0) RefuseKind(fileName);
    const std::uint32_t width = LoadBigEndian32(start.data() + 16);
    const std::uint32_t height = LoadBigEndian32(start.data() + 20);
    // Larger sizes are not PNG sizes; the codec says so when it reads the file.
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return {};
    return HeightImageSize{int(width), int(height)};
}

}  // namespace

std::optional<HeightImageSize> PeekHeightImageSize(const std::string& fileName) {
    return RefuseOtherKindsOfPng(fileName);
}

namespace {

// Rows decoded on a thread of their own into a ring while the caller uses the rows before them:
// inflating and unfiltering are half the work of shading a large image.
class RowsAhead {
public:
    static constexpr std::size_t kSlots = 64;

    // The decoder's side: waits for a free slot; false once the reader has stopped.
    bool Put(const std::uint8_t* row, std::size_t bytes) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || decoded_ - used_ < kSlots; });
        if (stopped_) return false;
        if (ring_.empty()) {
            rowBytes_ = bytes;
            ring_.resize(kSlots * bytes);
        }
        // The slot is the decoder's alone until decoded_ counts it.
        lock.unlock();
        std::memcpy(ring_.data() + (decoded_ % kSlots) * rowBytes_, row, rowBytes_);
        lock.lock();
        ++decoded_;
        lock.unlock();
        changed_.notify_all();
        handover::At(handover::Side::Given);
        return true;
    }
    void Finish(std::exception_ptr error) {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
            error_ = error;
        }
        changed_.notify_all();
    }

    // The reader's side: the next row, or null after the last; rethrows the decoder's error.
    const std::uint8_t* Take() {
        const std::uint8_t* row = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return finished_ || used_ < decoded_; });
            if (used_ < decoded_)
                row = ring_.data() + (used_ % kSlots) * rowBytes_;
            else if (error_)
                std::rethrow_exception(error_);
        }
        if (row) handover::At(handover::Side::Taken);
        return row;
    }
    // The row Take gave may be overwritten from now on.
    void Used() {
        {
            std::lock_guard lock(mutex_);
            ++used_;
        }
        changed_.notify_all();
    }
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> ring_;
    std::size_t rowBytes_ = 0;
    std::uint64_t decoded_ = 0;
    std::uint64_t used_ = 0;
    bool finished_ = false;
    bool stopped_ = false;
    std::exception_ptr error_;
};

struct ReaderStopped {};

}  // namespace

void ReadHeightRows(const std::string& fileName,
                    const std::function<void(int y, const std::uint8_t* codes)>& rowRead) {
    RefuseOtherKindsOfPng(fileName);
    RowsAhead ahead;
    std::jthread decoder([&] {
        try {
            TPngImageRef image = TPngImage::Create();
            image->ConvertToRGB = false;
            image->OnRowDecoded = [&](std::uint32_t, const std::uint8_t* samples) {
                // A grey image with a transparent shade arrives with an alpha channel.
                if (image->Channels != 1) RefuseKind(fileName);
                if (!ahead.Put(samples, std::size_t(image->Width))) throw ReaderStopped{};
            };
            image->LoadFromFile(fileName);
            ahead.Finish(nullptr);
        } catch (const ReaderStopped&) {
            ahead.Finish(nullptr);
        } catch (...) {
            ahead.Finish(std::current_exception());
        }
    });
    // A reader that fails stops the decoder before the ring goes.
    struct StopOnExit {
        RowsAhead& ahead;
        ~StopOnExit() { ahead.Stop(); }
    } stopOnExit{ahead};
    for (int y = 0;; ++y) {
        const std::uint8_t* codes = ahead.Take();
        if (!codes) break;
        rowRead(y, codes);
        ahead.Used();
    }
}

void LoadHeightImage(Bitmap& bitmap, const std::string& fileName,
                     const std::function<void(int rows)>& rowsReady) {
    RefuseOtherKindsOfPng(fileName);
    LoadPngToBitmap(bitmap, fileName, false, rowsReady);
    // A grey image with a transparent shade arrives with an alpha channel.
    if (bitmap.Format() != PixelFormat::Indexed8) {
        bitmap.SetSize(0, 0);
        bitmap.SetFormat(PixelFormat::Indexed8);
        SetGreyPalette(bitmap);
        RefuseKind(fileName);
    }
}
