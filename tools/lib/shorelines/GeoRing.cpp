#include "GeoRing.h"

#include <cstdlib>

std::int64_t WrapLon(std::int64_t lon) {
    std::int64_t wrapped = lon % kTurn;
    return wrapped < 0 ? wrapped + kTurn : wrapped;
}

std::int64_t ShortestStep(std::int64_t fromLon, std::int64_t toLon) {
    std::int64_t step = WrapLon(toLon - fromLon);
    return step > kHalfTurn ? step - kTurn : step;
}

bool SamePlace(GeoPoint a, GeoPoint b) { return a.lat == b.lat && WrapLon(a.lon - b.lon) == 0; }

namespace {

bool AtPole(GeoPoint p) { return std::llabs(p.lat) == kPoleLat; }

}  // namespace

GeoRing UnwrapLine(const GeoRing& line) {
    GeoRing out(line);
    for (std::size_t i = 1; i < out.size(); ++i) {
        out[i].lon = out[i - 1].lon + ShortestStep(out[i - 1].lon, line[i].lon);
    }
    return out;
}

UnwrappedRing UnwrapRing(const GeoRing& ring) {
    UnwrappedRing result;
    GeoRing& points = result.points;
    points = ring;
    if (points.size() > 1 && SamePlace(points.front(), points.back())) points.pop_back();
    if (points.size() < 3) {
        points = UnwrapLine(points);
        return result;
    }
    const std::size_t count = points.size();
    std::size_t poleEdge = 0;  // index of the point that ends the edge; 0 = none
    for (std::size_t i = 1; i < count; ++i) {
        if (AtPole(ring[i - 1]) && AtPole(ring[i])) poleEdge = i;
        points[i].lon = points[i - 1].lon + ShortestStep(points[i - 1].lon, points[i].lon);
    }
    bool closingAlongPole = AtPole(points.back()) && AtPole(points.front());
    std::int64_t travel = points.back().lon - points.front().lon +
                          ShortestStep(points.back().lon, points.front().lon);
    if (travel == 0 || std::llabs(travel) != kTurn) return result;

    if (closingAlongPole) return result;  // the implicit closing edge goes round the pole
    if (poleEdge != 0) {
        for (std::size_t i = poleEdge; i < count; ++i) points[i].lon -= travel;
        return result;
    }
    long double latSum = 0;
    for (GeoPoint p : points) latSum += static_cast<long double>(p.lat);
    std::int64_t pole = latSum < 0 ? -kPoleLat : kPoleLat;
    GeoPoint first = points.front();
    points.push_back({first.lon + travel, first.lat});
    points.push_back({first.lon + travel, pole});
    points.push_back({first.lon, pole});
    result.closedThroughPole = true;
    return result;
}
