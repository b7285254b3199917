#pragma once
// The path of one shoreline outline through its used points, for the raster map and for the
// vector documents alike. Lines join the points in order; a step of a quarter of the map's width
// or more is taken for a crossing of the 180th meridian: the line runs to the edge it left by at
// the old row and goes on from the opposite edge at the new row. Decisions are made on pixels,
// so both drawings cut the same steps; each vertex carries its unrounded position too.
//
// Lines leave out their end pixel, which the next line starts from; only a polygon's last point
// can repeat the pixel just used (thinning drops the others), and that step is a dot, so that an
// island smaller than a pixel still shows.
#include <cstdint>
#include <vector>

#include "Geometry.h"

class Canvas;
class MapPainter;

struct OutlineVertex {
    Point pixel;
    PointF position;
};

class OutlinePen {
public:
    virtual ~OutlinePen() = default;
    virtual void MoveTo(const OutlineVertex& vertex) = 0;
    virtual void LineTo(const OutlineVertex& vertex) = 0;
    virtual void Dot(const OutlineVertex& vertex) = 0;
};

class OutlineTracer {
public:
    OutlineTracer(OutlinePen& pen, int mapWidth) : pen_(pen), mapWidth_(mapWidth) {}
    // Each used point of an outline in order; index 1 starts a new outline.
    void Add(std::int32_t index, const OutlineVertex& vertex);

private:
    OutlinePen& pen_;
    int mapWidth_;
    OutlineVertex last_;
};

// One-pixel lines in the pen's colour on the canvas.
class CanvasOutlinePen : public OutlinePen {
public:
    explicit CanvasOutlinePen(Canvas& canvas) : canvas_(canvas) {}
    void MoveTo(const OutlineVertex& vertex) override;
    void LineTo(const OutlineVertex& vertex) override;
    void Dot(const OutlineVertex& vertex) override;

private:
    Canvas& canvas_;
};

// Lines of unrounded positions, one per uncut run of an outline, drawn a batch at a time as one
// figure.
class FigureOutlinePen : public OutlinePen {
public:
    explicit FigureOutlinePen(MapPainter& painter) : painter_(painter) {}
    void MoveTo(const OutlineVertex& vertex) override;
    void LineTo(const OutlineVertex& vertex) override;
    void Dot(const OutlineVertex& vertex) override;
    // Ends the run in hand; due at the end of each outline.
    void EndRun();
    // Draws the runs ended so far, and the one in hand; due when reading stops.
    void Flush();

private:
    MapPainter& painter_;
    std::vector<std::vector<PointF>> runs_;
    std::vector<PointF> run_;
    std::size_t batchPoints_ = 0;
};
