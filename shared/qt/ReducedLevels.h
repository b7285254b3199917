#pragma once
// A picture at half, a quarter, an eighth ... of its size, made once, so that a large picture
// shown small is drawn from a level near the size on screen instead of being scaled down whole
// at every repaint. Each level halves the one before it (its width and height rounded down):
// a line drawing keeps the darkest pixel of each block (DarkestShrink.h), so its one-pixel
// lines survive; continuous tones take the block's mean. Levels stop once they are small.
// Used by the image widget.
#include <QImage>
#include <vector>

#include "Bitmap.h"

namespace qtui {

class ReducedLevels {
public:
    // Below this width or height a picture is small enough to scale whole.
    static constexpr int kSmallest = 128;

    ReducedLevels() = default;
    ReducedLevels(const Bitmap& picture, bool lineDrawing);

    // The levels beyond the picture itself; level i (from 1) is Level(i).
    int Count() const { return int(levels_.size()); }
    const Bitmap& Level(int index) const { return levels_[std::size_t(index - 1)]; }
    const QImage& LevelImage(int index) const { return images_[std::size_t(index - 1)]; }
    // The most reduced level still at least as large as the picture drawn at this many screen
    // pixels a picture pixel; 0 for the picture itself.
    int Choose(double screenPixelsPerPicturePixel) const;
    // A level's width over the picture's.
    double Factor(int index) const;

private:
    int pictureWidth_ = 0;
    std::vector<Bitmap> levels_;
    std::vector<QImage> images_;
};

}  // namespace qtui
