#include "HeightImageFile.h"

#include <array>
#include <cstring>

#include "ByteOrder.h"
#include "Errors.h"
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

void ReadHeightRows(const std::string& fileName,
                    const std::function<void(int y, const std::uint8_t* codes)>& rowRead) {
    RefuseOtherKindsOfPng(fileName);
    TPngImageRef image = TPngImage::Create();
    image->ConvertToRGB = false;
    image->OnRowDecoded = [&](std::uint32_t y, const std::uint8_t* samples) {
        // A grey image with a transparent shade arrives with an alpha channel.
        if (image->Channels != 1) RefuseKind(fileName);
        rowRead(int(y), samples);
    };
    image->LoadFromFile(fileName);
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
