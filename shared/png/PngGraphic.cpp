// TPngGraphic: a TPngImage seen as a Graphic, shared between copies by reference.
#include "Errors.h"
#include "PngImage.h"

TPngGraphic::TPngGraphic() : image_(TPngImage::Create()) { SetTransparent(true); }

void TPngGraphic::Assign(const Graphic& source) {
    if (const auto* png = dynamic_cast<const TPngGraphic*>(&source)) {
        if (png == this) return;
        image_ = png->image_;
        Changed();
        return;
    }
    Graphic::Assign(source);
}

void TPngGraphic::Draw(Canvas& canvas, const Rect&) {
    if (image_) image_->Draw(canvas);
}

// An image without pixels counts as empty as well, so that nothing is drawn for it.
bool TPngGraphic::GetEmpty() const { return !image_ || image_->Width == 0 || image_->Height == 0; }

int TPngGraphic::GetHeight() const { return image_ ? int(image_->Height) : 0; }

int TPngGraphic::GetWidth() const { return image_ ? int(image_->Width) : 0; }

void TPngGraphic::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot set height on a TPngGraphic");
}

void TPngGraphic::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot set width on a TPngGraphic");
}

void TPngGraphic::LoadFromFile(const std::string& fileName) {
    if (!image_) image_ = TPngImage::Create();
    image_->LoadFromFile(fileName);
}

void TPngGraphic::SaveToFile(const std::string& fileName) {
    if (image_) image_->SaveToFile(fileName);
}

void TPngGraphic::LoadFromStream(Stream& stream) {
    if (image_) image_->LoadFromStream(stream);
}

void TPngGraphic::SaveToStream(Stream& stream) {
    if (image_) image_->SaveToStream(stream);
}

void TPngGraphic::LoadFromClipboardFormat() {
    throw EInvalidGraphicOperation("Cannot load a TPngGraphic from the Clipboard");
}

void TPngGraphic::SaveToClipboardFormat() {
    throw EInvalidGraphicOperation("Cannot save a TPngGraphic to the Clipboard");
}
