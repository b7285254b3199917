#pragma once
// Drawing a map as figures instead of pixels, for documents that print at any size. Positions
// are the raster map's, unrounded: the pixel (x, y) is the point (x, y), so a figure falls on the
// pixels the canvas sets for its rounded corners. Outlines are black and one raster pixel wide;
// fills take the even-odd rule. Figures cover one another in the order they are drawn.
#include <optional>
#include <span>
#include <vector>

#include "Bitmap.h"
#include "Colour.h"
#include "Geometry.h"

class MapPainter {
public:
    virtual ~MapPainter() = default;

    // As the canvas's: columns x1 .. x2-1 and rows y1 .. y2-1 filled with the brush (none:
    // unfilled), the outermost of them outlined.
    virtual void Rectangle(int x1, int y1, int x2, int y2, std::optional<Colour> brush) = 0;
    // Closed from the last point to the first, filled (unless no brush) and outlined.
    virtual void Polygon(std::span<const PointF> points, std::optional<Colour> brush) = 0;
    virtual void Polyline(std::span<const PointF> points) = 0;
    // Several open outlines as one figure: for maps of many small ones, far smaller documents.
    virtual void Polylines(std::span<const std::vector<PointF>> lines) = 0;
    // A 24-bit raster of the map's size, pixel for pixel beneath the figures drawn after it.
    virtual void Image(const Bitmap& image) = 0;
};
