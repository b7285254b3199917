// PNG reading: any bytes go through LoadFromStream with and without RGB expansion and are then
// put into bitmaps, the way the hill shader and the picture adapter use a file read. Whatever
// was read is also written back and read again, since a read image must stay writable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Bitmap.h"
#include "Errors.h"
#include "PngImage.h"
#include "Stream.h"

namespace {

void ReadAndShow(const std::uint8_t* data, std::size_t size, bool convertToRgb) {
    TPngImageRef image = TPngImage::Create();
    image->ConvertToRGB = convertToRgb;
    image->OnProgress = [](TPngImage&, ProgressStage, std::uint8_t percent, bool, const Rect&,
                           const std::string&) {
        if (percent > 100) std::abort();
    };
    MemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    try {
        image->LoadFromStream(stream);
    } catch (const VarnholtError&) {
        return;
    }
    if (image->PixelData() &&
        image->PixelDataSize() != std::size_t(image->Height) * std::size_t(image->RowBytes))
        std::abort();

    Bitmap fresh;
    try {
        image->CopyToBitmap(fresh, 0, 0);
        if (fresh.Width() < int(image->Width) || fresh.Height() < int(image->Height)) std::abort();
    } catch (const VarnholtError&) {
    }
    // Over a bitmap that already holds pixels, partly off its top-left corner.
    Bitmap backdrop(3, 2, PixelFormat::Bgr24);
    try {
        image->CopyToBitmap(backdrop, -1, 1);
    } catch (const VarnholtError&) {
    }

    MemoryStream written;
    try {
        image->SaveToStream(written);
    } catch (const VarnholtError&) {
        return;
    }
    written.SetPosition(0);
    TPngImageRef again = TPngImage::Create();
    try {
        again->LoadFromStream(written);
    } catch (const VarnholtError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadAndShow(data, size, true);
    ReadAndShow(data, size, false);
    return 0;
}
