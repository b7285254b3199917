#pragma once
// The pixels of a one-pixel line, clipped to a bitmap.
//
// A line from `from` to `to` has one pixel per step along its major axis (the axis with the
// larger extent), the end point excluded: step i (0 <= i < length) lies i pixels from `from`
// along the major axis and round(i * minorExtent / majorExtent) pixels along the minor axis,
// halves rounded away from `from` (Bresenham's choice). A zero-length line has no pixels.
//
// Clipping is done by arithmetic on the step index, not by walking: a line that runs millions of
// pixels outside the bitmap costs the same as a short one, and only visible steps are visited.
// The setup uses 128-bit arithmetic, so any pair of int coordinates is safe.
#include <cstdint>

#include "Geometry.h"

class ClippedLine {
public:
    ClippedLine(Point from, Point to, int width, int height);

    bool IsEmpty() const { return firstStep_ > lastStep_; }
    // Steps from `from` to `to`, end excluded: the length a dash pattern advances by.
    std::int64_t Length() const { return length_; }

    // Calls visit(x, y, step) for every visible pixel, in order of increasing step.
    template <class Visit>
    void ForEachPixel(Visit&& visit) const {
        if (IsEmpty()) return;
        int major = major_;
        int minor = minor_;
        std::int64_t remainder = remainder_;
        for (std::int64_t step = firstStep_; step <= lastStep_; ++step) {
            if (xMajor_)
                visit(major, minor, step);
            else
                visit(minor, major, step);
            major += majorStep_;
            remainder += twoMinorExtent_;
            if (remainder >= twoMajorExtent_) {
                remainder -= twoMajorExtent_;
                minor += minorStep_;
            }
        }
    }

private:
    template <class Int>
    void Clip(Point from, int width, int height, std::int64_t majorExtent,
              std::int64_t minorExtent);

    std::int64_t length_ = 0;
    std::int64_t firstStep_ = 0;
    std::int64_t lastStep_ = -1;
    bool xMajor_ = true;
    int major_ = 0;  // pixel position at firstStep_
    int minor_ = 0;
    int majorStep_ = 1;
    int minorStep_ = 1;
    std::int64_t remainder_ = 0;  // of (2 * step * minorExtent + majorExtent) mod twoMajorExtent
    std::int64_t twoMinorExtent_ = 0;
    std::int64_t twoMajorExtent_ = 1;
};
