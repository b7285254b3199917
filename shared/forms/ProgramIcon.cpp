#include "ProgramIcon.h"

#include <cstdint>
#include <span>
#include <vector>

#include "PngImage.h"
#include "Stream.h"

namespace {

struct EmbeddedIcon {
    std::string_view program;
    std::span<const std::uint8_t> png;
};

#include "ProgramIconData.inc"

constexpr int kSize = 32;
// Transparent bitmaps have a key colour, not alpha: the key takes the clear pixels, and the
// soft edges are blended over the grey of the dialogs they are mostly shown on.
constexpr Colour kKey = MakeColour(255, 0, 255);
constexpr Colour kEdgeBackground = MakeColour(240, 240, 240);

}  // namespace

Bitmap MakeProgramIcon(std::string_view program) {
    Bitmap icon(kSize, kSize, PixelFormat::Bgr24);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) icon.SetPixelColour(x, y, kEdgeBackground);
    bool drawn = false;
    for (const EmbeddedIcon& embedded : kEmbeddedIcons) {
        if (embedded.program != program) continue;
        MemoryStream stream(std::vector<std::uint8_t>(embedded.png.begin(), embedded.png.end()));
        TPngImageRef image = TPngImage::Create();
        image->LoadFromStream(stream);
        image->BackgroundColour = kKey;
        image->CopyToBitmap(icon, 0, 0);
        drawn = true;
    }
    if (!drawn)
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) icon.SetPixelColour(x, y, kKey);
    icon.SetTransparent(true);
    return icon;
}
