#include "LineRaster.h"

#include <algorithm>

#include "WideDivision.h"

ClippedLine::ClippedLine(Point from, Point to, int width, int height) {
    const std::int64_t dx = std::int64_t(to.x) - from.x;
    const std::int64_t dy = std::int64_t(to.y) - from.y;
    const std::int64_t absDx = dx < 0 ? -dx : dx;
    const std::int64_t absDy = dy < 0 ? -dy : dy;
    xMajor_ = absDx >= absDy;
    const std::int64_t majorExtent = xMajor_ ? absDx : absDy;
    const std::int64_t minorExtent = xMajor_ ? absDy : absDx;
    length_ = majorExtent;
    if (majorExtent == 0 || width <= 0 || height <= 0) return;

    majorStep_ = (xMajor_ ? dx : dy) < 0 ? -1 : 1;
    minorStep_ = (xMajor_ ? dy : dx) < 0 ? -1 : 1;
    if (IsNarrow(from.x) && IsNarrow(from.y) && IsNarrow(to.x) && IsNarrow(to.y) &&
        IsNarrow(width) && IsNarrow(height))
        Clip<std::int64_t>(from, width, height, majorExtent, minorExtent);
    else
        Clip<Wide>(from, width, height, majorExtent, minorExtent);
}

template <class Int>
void ClippedLine::Clip(Point from, int width, int height, std::int64_t majorExtent,
                       std::int64_t minorExtent) {
    const Int major0 = xMajor_ ? from.x : from.y;
    const Int minor0 = xMajor_ ? from.y : from.x;
    const Int majorSize = xMajor_ ? width : height;
    const Int minorSize = xMajor_ ? height : width;

    // Steps whose major coordinate lies on the bitmap.
    Int first = 0;
    Int last = majorExtent - 1;
    if (majorStep_ > 0) {
        first = std::max(first, -major0);
        last = std::min(last, majorSize - 1 - major0);
    } else {
        first = std::max(first, major0 - (majorSize - 1));
        last = std::min(last, major0);
    }

    // Minor offsets (counted from minor0 in the minor direction) that lie on the bitmap.
    Int offsetLow = minorStep_ > 0 ? -minor0 : minor0 - (minorSize - 1);
    Int offsetHigh = minorStep_ > 0 ? minorSize - 1 - minor0 : minor0;
    offsetLow = std::max(offsetLow, Int(0));
    if (offsetHigh < offsetLow) return;

    // The offset at step i is floor((2 i minorSpan + majorSpan) / 2 majorSpan), non-decreasing
    // in i, so the steps with an offset in [low, high] form one interval. The products outgrow
    // 64 bits unless every coordinate is narrow.
    const Int majorSpan = majorExtent;
    const Int minorSpan = minorExtent;
    if (minorSpan == 0) {
        if (offsetLow > 0) return;
    } else {
        if (offsetLow > 0)
            first =
                std::max(first, CeilDiv<Int>(2 * majorSpan * offsetLow - majorSpan, 2 * minorSpan));
        last = std::min(
            last, CeilDiv<Int>(2 * majorSpan * (offsetHigh + 1) - majorSpan, 2 * minorSpan) - 1);
    }
    if (first > last) return;

    const Int numerator = 2 * first * minorSpan + majorSpan;
    firstStep_ = std::int64_t(first);
    lastStep_ = std::int64_t(last);
    major_ = int(major0 + majorStep_ * first);
    minor_ = int(minor0 + minorStep_ * (numerator / (2 * majorSpan)));
    remainder_ = std::int64_t(numerator % (2 * majorSpan));
    twoMinorExtent_ = std::int64_t(2 * minorSpan);
    twoMajorExtent_ = std::int64_t(2 * majorSpan);
}
