#include "ReducedLevels.h"

#include "BitmapImage.h"
#include "DarkestShrink.h"

namespace qtui {

ReducedLevels::ReducedLevels(const Bitmap& picture, bool lineDrawing)
    : pictureWidth_(picture.Width()) {
    // 16-bit pictures have no colours to reduce, and a see-through colour must stay exact.
    if (picture.Format() == PixelFormat::Pixel16 || picture.Transparent()) return;
    const Bitmap* above = &picture;
    while (above->Width() / 2 >= kSmallest && above->Height() / 2 >= kSmallest) {
        const int width = above->Width() / 2, height = above->Height() / 2;
        levels_.push_back(lineDrawing ? ShrinkKeepingDarkest(*above, width, height)
                                      : ShrinkAveraging(*above, QSize(width, height)));
        above = &levels_.back();
    }
    // The rows are read in place: the bitmaps no longer move once all are made.
    for (const Bitmap& level : levels_) images_.push_back(DisplayImage(level));
}

double ReducedLevels::Factor(int index) const {
    if (index == 0 || pictureWidth_ == 0) return 1;
    return double(Level(index).Width()) / pictureWidth_;
}

int ReducedLevels::Choose(double screenPixelsPerPicturePixel) const {
    int chosen = 0;
    for (int index = 1; index <= Count() && Factor(index) >= screenPixelsPerPicturePixel; ++index)
        chosen = index;
    return chosen;
}

}  // namespace qtui
