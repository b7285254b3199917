// PNG in the picture-format registry, so that a ".png" file loads as a TPngGraphic.
#include <memory>

#include "Graphic.h"
#include "PngImage.h"

namespace pngcodec {

namespace {
struct PngFormatRegistration {
    PngFormatRegistration() {
        PictureFormats::Register("PNG", "Portable Network Graphics",
                                 [] { return std::make_unique<TPngGraphic>(); });
    }
    ~PngFormatRegistration() { PictureFormats::Unregister("PNG"); }
} pngFormatRegistration;
}  // namespace

// A static library links only the files something refers to: TPngImage::Create calls this so
// that every program with the codec has the format registered.
void KeepFormatRegistered() {}

}  // namespace pngcodec
