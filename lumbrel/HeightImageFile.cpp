#include "HeightImageFile.h"

#include <array>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "ByteOrder.h"
#include "Errors.h"
#include "PNG_IO.h"
#include "PngImage.h"
#include "ReadOnlyFile.h"
#include "RowGate.h"

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
struct ReaderStopped {};
}  // namespace

// Rows decoded on a thread of their own into a ring while the caller uses the rows before them:
// inflating and unfiltering are half the work of shading a large image. Two gates pass the ring
// between them: rows decoded, and rows used (whose slots may be filled again).
void ReadHeightRows(const std::string& fileName,
                    const std::function<void(int y, const std::uint8_t* codes)>& rowRead) {
    RefuseOtherKindsOfPng(fileName);
    constexpr std::uint32_t kSlots = 64;
    std::vector<std::uint8_t> ring;  // made by the decoder before it opens the first row
    std::size_t rowBytes = 0;
    RowGate decoded, used;
    std::exception_ptr failure;  // set before decoded is abandoned
    std::jthread decoder([&] {
        try {
            TPngImageRef image = TPngImage::Create();
            image->ConvertToRGB = false;
            image->OnRowDecoded = [&](std::uint32_t y, const std::uint8_t* samples) {
                // A grey image with a transparent shade arrives with an alpha channel.
                if (image->Channels != 1) RefuseKind(fileName);
                if (y >= kSlots && !used.WaitFor(y + 1 - kSlots)) throw ReaderStopped{};
                if (ring.empty()) {
                    rowBytes = image->Width;
                    ring.resize(kSlots * rowBytes);
                }
                std::memcpy(ring.data() + (y % kSlots) * rowBytes, samples, rowBytes);
                decoded.Open(y + 1);
            };
            image->LoadFromFile(fileName);
        } catch (const ReaderStopped&) {
        } catch (...) {
            failure = std::current_exception();
        }
        decoded.Abandon();
    });
    // A reader that fails stops the decoder before the ring goes.
    struct StopOnExit {
        RowGate& used;
        ~StopOnExit() { used.Abandon(); }
    } stopOnExit{used};
    for (std::uint32_t y = 0; decoded.WaitFor(y + 1); ++y) {
        rowRead(int(y), ring.data() + (y % kSlots) * rowBytes);
        used.Open(y + 1);
    }
    decoder.join();
    if (failure) std::rethrow_exception(failure);
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
