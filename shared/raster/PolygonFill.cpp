#include "PolygonFill.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "WideDivision.h"

namespace {

// A non-horizontal edge covering rows top .. bottom-1, with its crossing of the current row
// kept exactly: the crossing is (column * rise - excess) / rise with 0 <= excess < rise, so
// `column` is the first pixel column at or right of it.
struct Edge {
    std::int64_t top = 0;
    std::int64_t bottom = 0;
    std::int64_t column = 0;
    std::int64_t excess = 0;
    std::int64_t rise = 1;
    std::int64_t runWhole = 0;  // run per row = runWhole + runFraction / rise
    std::int64_t runFraction = 0;

    void NextRow() {
        column += runWhole;
        excess -= runFraction;
        if (excess < 0) {
            excess += rise;
            ++column;
        }
    }
};

template <class Int>
void SetCrossing(Point upper, Point lower, Edge& edge) {
    const Int rise = Int(lower.y) - upper.y;
    const Int run = Int(lower.x) - upper.x;
    const Int numerator = Int(upper.x) * rise + (Int(edge.top) - upper.y) * run;
    const Int column = CeilDiv<Int>(numerator, rise);
    const Int runWhole = FloorDiv<Int>(run, rise);
    edge.rise = std::int64_t(rise);
    edge.column = std::int64_t(column);
    edge.excess = std::int64_t(column * rise - numerator);
    edge.runWhole = std::int64_t(runWhole);
    edge.runFraction = std::int64_t(run - runWhole * rise);
}

bool MakeEdge(Point from, Point to, int width, int height, Edge& edge) {
    if (from.y == to.y) return false;  // a horizontal edge crosses no row
    // Crossings at or right of the last column change the parity of no pixel.
    if (std::min(from.x, to.x) >= width) return false;
    const Point upper = from.y < to.y ? from : to;
    const Point lower = from.y < to.y ? to : from;
    edge.top = std::max<std::int64_t>(upper.y, 0);
    edge.bottom = std::min<std::int64_t>(lower.y, height);
    if (edge.top >= edge.bottom) return false;
    // 64-bit products suffice for narrow coordinates (edge.top lies between them).
    if (IsNarrow(from.x) && IsNarrow(from.y) && IsNarrow(to.x) && IsNarrow(to.y))
        SetCrossing<std::int64_t>(upper, lower, edge);
    else
        SetCrossing<Wide>(upper, lower, edge);
    return true;
}
}  // namespace

void ForEachEvenOddSpan(std::span<const Point> points, int width, int height,
                        const std::function<void(int y, int left, int right)>& emit) {
    if (points.size() < 3 || width <= 0 || height <= 0) return;

    std::vector<Edge> edges;
    edges.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        Edge edge;
        if (MakeEdge(points[i], points[(i + 1) % points.size()], width, height, edge))
            edges.push_back(edge);
    }
    std::sort(edges.begin(), edges.end(),
              [](const Edge& upper, const Edge& lower) { return upper.top < lower.top; });

    std::vector<Edge> active;
    std::size_t next = 0;
    std::int64_t y = 0;
    while (next < edges.size() || !active.empty()) {
        if (active.empty()) y = std::max(y, edges[next].top);
        while (next < edges.size() && edges[next].top == y) active.push_back(edges[next++]);

        // Crossings move little from row to row, so insertion sort is close to linear.
        for (std::size_t i = 1; i < active.size(); ++i) {
            Edge moving = active[i];
            std::size_t j = i;
            for (; j > 0 && active[j - 1].column > moving.column; --j) active[j] = active[j - 1];
            active[j] = moving;
        }
        for (std::size_t i = 0; i < active.size(); i += 2) {
            // An unpaired last crossing pairs with one dropped right of the bitmap.
            const std::int64_t right = i + 1 < active.size() ? active[i + 1].column : width;
            const std::int64_t left = std::max<std::int64_t>(active[i].column, 0);
            const std::int64_t clippedRight = std::min<std::int64_t>(right, width);
            if (left < clippedRight) emit(int(y), int(left), int(clippedRight));
        }

        ++y;
        std::size_t kept = 0;
        for (Edge& edge : active) {
            if (edge.bottom <= y) continue;
            edge.NextRow();
            active[kept++] = edge;
        }
        active.resize(kept);
    }
}
