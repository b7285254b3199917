#include "DatelineCut.h"

#include <algorithm>
#include <cmath>

#include "WideDivision.h"

namespace {

// Strip k holds longitudes k·360° - 180° .. k·360° + 180°.
std::int64_t StripOf(std::int64_t lon) { return std::int64_t(FloorDiv(lon + kHalfTurn, kTurn)); }

GeoPoint AtLongitude(GeoPoint a, GeoPoint b, std::int64_t lon) {
    if (a.lon == b.lon) return {lon, a.lat};
    long double t = static_cast<long double>(lon - a.lon) / static_cast<long double>(b.lon - a.lon);
    return {lon, a.lat + static_cast<std::int64_t>(
                             std::nearbyint(t * static_cast<long double>(b.lat - a.lat)))};
}

// One Sutherland-Hodgman pass: keeps the side where sign × (lon - bound) >= 0.
GeoRing ClipHalf(const GeoRing& ring, std::int64_t bound, int sign) {
    GeoRing out;
    auto inside = [&](GeoPoint p) { return sign * (p.lon - bound) >= 0; };
    for (std::size_t i = 0; i < ring.size(); ++i) {
        GeoPoint current = ring[i];
        GeoPoint previous = ring[(i + ring.size() - 1) % ring.size()];
        if (inside(current)) {
            if (!inside(previous)) out.push_back(AtLongitude(previous, current, bound));
            out.push_back(current);
        } else if (inside(previous)) {
            out.push_back(AtLongitude(previous, current, bound));
        }
    }
    return out;
}

}  // namespace

std::vector<GeoRing> CutRingAtDateline(const GeoRing& ring) {
    GeoRing unwrapped = UnwrapRing(ring).points;
    std::vector<GeoRing> pieces;
    if (unwrapped.size() < 3) return pieces;
    auto [westIt, eastIt] = std::minmax_element(
        unwrapped.begin(), unwrapped.end(), [](GeoPoint a, GeoPoint b) { return a.lon < b.lon; });
    for (std::int64_t strip = StripOf(westIt->lon); strip <= StripOf(eastIt->lon); ++strip) {
        std::int64_t centre = strip * kTurn;
        GeoRing piece =
            ClipHalf(ClipHalf(unwrapped, centre - kHalfTurn, 1), centre + kHalfTurn, -1);
        piece.erase(std::unique(piece.begin(), piece.end()), piece.end());
        while (piece.size() > 1 && piece.back() == piece.front()) piece.pop_back();
        if (piece.size() < 3) continue;
        auto [pieceWest, pieceEast] = std::minmax_element(
            piece.begin(), piece.end(), [](GeoPoint a, GeoPoint b) { return a.lon < b.lon; });
        if (pieceWest->lon == pieceEast->lon) continue;  // only touches the strip's edge
        for (GeoPoint& p : piece) p.lon -= centre;
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::vector<GeoRing> CutLineAtDateline(const GeoRing& line) {
    std::vector<GeoRing> pieces;
    if (line.empty()) return pieces;
    GeoRing unwrapped = UnwrapLine(line);
    std::int64_t strip = StripOf(unwrapped[0].lon);
    bool startsOnTheCut = (unwrapped[0].lon + kHalfTurn) % kTurn == 0;
    if (startsOnTheCut && unwrapped.size() > 1) {
        strip = StripOf((unwrapped[0].lon + unwrapped[1].lon) / 2);  // the side it heads to
    }
    auto shifted = [&](GeoPoint p) { return GeoPoint{p.lon - strip * kTurn, p.lat}; };
    GeoRing piece{shifted(unwrapped[0])};
    for (std::size_t i = 1; i < unwrapped.size(); ++i) {
        GeoPoint from = unwrapped[i - 1];
        GeoPoint to = unwrapped[i];
        std::int64_t west = strip * kTurn - kHalfTurn;
        std::int64_t east = strip * kTurn + kHalfTurn;
        if (to.lon >= west && to.lon <= east) {
            piece.push_back(shifted(to));
            continue;
        }
        GeoPoint cut = AtLongitude(from, to, to.lon > east ? east : west);
        piece.push_back(shifted(cut));
        pieces.push_back(std::move(piece));
        strip += to.lon > east ? 1 : -1;
        piece = {shifted(cut), shifted(to)};
    }
    pieces.push_back(std::move(piece));
    return pieces;
}
