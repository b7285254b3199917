#pragma once
// A bitmap as a QImage for painting. The rows are read in place (no copy), so the image is
// valid only while the bitmap keeps its size and format and must not be painted into:
// 8-bit as Format_Indexed8 with the palette (entries it lacks show as grey, as the bitmap's own
// colour reading does), 24-bit as Format_BGR888, 16-bit as 16-bit grey. A transparent bitmap is
// copied with its bottom-left pixel's colour made see-through.
// Used by the image widget; programs never need it.
#include <QImage>

#include "Bitmap.h"

namespace qtui {

QImage DisplayImage(const Bitmap& bitmap);

// The bitmap scaled to the given size (proportions not kept), as a copy. A line drawing keeps
// the darkest pixel of each area (DarkestShrink.h). Otherwise a reduction to half or less in
// both directions averages each target pixel's block of source pixels, so a large picture
// scales in one pass; other sizes use Qt's smooth scaling.
QImage ScaledImage(const Bitmap& bitmap, QSize size, bool lineDrawing = false);

// A 24-bit bitmap of the given size, at most half the source's in both directions, each pixel
// the rounded mean of its block of source pixels (blocks as DarkestShrink.h places them).
Bitmap ShrinkAveraging(const Bitmap& bitmap, QSize size);

}  // namespace qtui
