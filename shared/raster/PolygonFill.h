#pragma once
// Even-odd fill of a closed polygon, clipped to a bitmap, produced as horizontal spans.
//
// Pixel (x, y) is inside when the point (x, y) lies inside the polygon by the even-odd rule. A
// point on an edge counts as inside on a left or top edge and as outside on a right or bottom
// edge, so the square (0,0) (4,0) (4,4) (0,4) covers columns 0..3 and rows 0..3, and two
// polygons that share an edge never share a pixel.
//
// Scanline with an active edge list and exact integer crossings: sorting the edges costs
// O(edges log edges), each row O(edges crossing it) plus its pixels; rows and edges off the
// bitmap cost nothing, whatever the coordinates.
#include <functional>
#include <span>

#include "Geometry.h"

// A run of inside pixels [left, right) of row y.
struct RowSpan {
    int y = 0;
    int left = 0;
    int right = 0;
};

// Calls emit(y, left, right) for every run of inside pixels [left, right) of row y: rows in
// increasing order, the runs of a row from left to right, never overlapping. The polygon closes
// from the last point to the first; fewer than three points enclose nothing.
void ForEachEvenOddSpan(std::span<const Point> points, int width, int height,
                        const std::function<void(int y, int left, int right)>& emit);
