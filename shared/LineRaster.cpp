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

    const Wide major0 = xMajor_ ? from.x : from.y;
    const Wide minor0 = xMajor_ ? from.y : from.x;
    majorStep_ = (xMajor_ ? dx : dy) < 0 ? -1 : 1;
    minorStep_ = (xMajor_ ? dy : dx) < 0 ? -1 : 1;
    const Wide majorSize = xMajor_ ? width : height;
    const Wide minorSize = xMajor_ ? height : width;

    // Steps whose major coordinate lies on the bitmap.
    Wide first = 0;
    Wide last = majorExtent - 1;
    if (majorStep_ > 0) {
        first = std::max(first, -major0);
        last = std::min(last, majorSize - 1 - major0);
    } else {
        first = std::max(first, major0 - (majorSize - 1));
        last = std::min(last, major0);
    }

    // Minor offsets (counted from minor0 in the minor direction) that lie on the bitmap.
    Wide offsetLow = minorStep_ > 0 ? -minor0 : minor0 - (minorSize - 1);
    Wide offsetHigh = minorStep_ > 0 ? minorSize - 1 - minor0 : minor0;
    offsetLow = std::max(offsetLow, Wide(0));
    if (offsetHigh < offsetLow) return;

    // The offset at step i is floor((2 i minorSpan + majorSpan) / 2 majorSpan), non-decreasing
    // in i, so the steps with an offset in [low, high] form one interval. Wide: the products
    // outgrow 64 bits.
    const Wide majorSpan = majorExtent;
    const Wide minorSpan = minorExtent;
    if (minorSpan == 0) {
        if (offsetLow > 0) return;
    } else {
        if (offsetLow > 0)
            first = std::max(first, CeilDiv(2 * majorSpan * offsetLow - majorSpan, 2 * minorSpan));
        last = std::min(last,
                        CeilDiv(2 * majorSpan * (offsetHigh + 1) - majorSpan, 2 * minorSpan) - 1);
    }
    if (first > last) return;

    const Wide numerator = 2 * first * minorSpan + majorSpan;
    firstStep_ = std::int64_t(first);
    lastStep_ = std::int64_t(last);
    major_ = int(major0 + majorStep_ * first);
    minor_ = int(minor0 + minorStep_ * (numerator / (2 * majorSpan)));
    remainder_ = std::int64_t(numerator % (2 * majorSpan));
    twoMinorExtent_ = std::int64_t(2 * minorSpan);
    twoMajorExtent_ = std::int64_t(2 * majorSpan);
}
