#include "ShorelineOutline.h"

#include <cstdlib>
#include <utility>

#include "Canvas.h"
#include "MapPainter.h"

void OutlineTracer::Add(std::int32_t index, const OutlineVertex& vertex) {
    const Point pixel = vertex.pixel;
    const Point last = last_.pixel;
    if (index == 1) {
        pen_.MoveTo(vertex);
    } else if (pixel == last) {
        pen_.Dot(vertex);
    } else {
        if (std::abs(pixel.x - last.x) >= mapWidth_ / 4) {
            const int leftAt = pixel.x > last.x ? 0 : mapWidth_;
            const int enterAt = mapWidth_ - leftAt;
            pen_.LineTo({{leftAt, last.y}, {double(leftAt), last_.position.y}});
            pen_.MoveTo({{enterAt, pixel.y}, {double(enterAt), vertex.position.y}});
        }
        pen_.LineTo(vertex);
    }
    last_ = vertex;
}

void CanvasOutlinePen::MoveTo(const OutlineVertex& vertex) {
    canvas_.MoveTo(vertex.pixel.x, vertex.pixel.y);
}

void CanvasOutlinePen::LineTo(const OutlineVertex& vertex) {
    canvas_.LineTo(vertex.pixel.x, vertex.pixel.y);
}

void CanvasOutlinePen::Dot(const OutlineVertex& vertex) {
    canvas_.SetPixel(vertex.pixel.x, vertex.pixel.y, canvas_.GetPen().colour);
}

void FigureOutlinePen::MoveTo(const OutlineVertex& vertex) {
    EndRun();
    run_.push_back(vertex.position);
}

void FigureOutlinePen::LineTo(const OutlineVertex& vertex) { run_.push_back(vertex.position); }

// The square caps of the figures' lines make the last step a dot when it has no length.
void FigureOutlinePen::Dot(const OutlineVertex& vertex) { run_.push_back(vertex.position); }

void FigureOutlinePen::EndRun() {
    // A lone point is a pen move that drew nothing on the raster either.
    if (run_.size() >= 2) {
        batchPoints_ += run_.size();
        runs_.push_back(std::move(run_));
    }
    run_.clear();
    // Few enough points that a path's text stays well below what XML readers take in one
    // attribute (libxml2 gives up near a megabyte), many enough to share each figure's markup.
    constexpr std::size_t kBatchPoints = 1 << 12;
    if (batchPoints_ >= kBatchPoints) Flush();
}

void FigureOutlinePen::Flush() {
    if (run_.size() >= 2) runs_.push_back(std::move(run_));
    run_.clear();
    if (!runs_.empty()) painter_.Polylines(runs_);
    runs_.clear();
    batchPoints_ = 0;
}
