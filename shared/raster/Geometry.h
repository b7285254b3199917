#pragma once

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(Point, Point) = default;
};

// A position between pixels: the pixel (x, y) is the point (x, y), so rounding a position gives
// the pixel it falls on.
struct PointF {
    double x = 0;
    double y = 0;
    friend bool operator==(PointF, PointF) = default;
};

// Half-open: covers columns left .. right-1 and rows top .. bottom-1.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};
