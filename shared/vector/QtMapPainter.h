#pragma once
// The figures of a map on a QPainter, whose device is an SVG or PDF generator. The painter's
// coordinates are the raster's pixels; they are moved by half a pixel so that the raster's
// pixel (x, y), the point (x, y), lies at the centre of the page square it covers.
#include <QPainter>

#include "MapPainter.h"

class QtMapPainter : public MapPainter {
public:
    explicit QtMapPainter(QPainter& painter);

    void Rectangle(int x1, int y1, int x2, int y2, std::optional<Colour> brush) override;
    void Polygon(std::span<const PointF> points, std::optional<Colour> brush) override;
    void Polyline(std::span<const PointF> points) override;
    void Polylines(std::span<const std::vector<PointF>> lines) override;
    void Image(const Bitmap& image) override;

private:
    void UseBrush(std::optional<Colour> brush);

    QPainter& painter_;
};
