#include "ClassicShoreline.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ByteOrder.h"
#include "Errors.h"
#include "GSHHSdata.h"
#include "SphericalArea.h"
#include "WideDivision.h"

namespace {

constexpr std::size_t kHeaderBytes = kShorelineHeaderBytes;
constexpr std::size_t kPointBytes = kShorelinePointBytes;
// Readers map 180° E to the map's western edge, like 180° W. A polygon's easternmost points
// on that meridian are moved this far west (11 m) so that they stay on the eastern edge and
// no line is drawn across the whole map to reach them.
constexpr std::int64_t kDatelineNudge = 100;

GeoPoint Interpolate(GeoPoint a, GeoPoint b, std::int64_t lon) {
    long double t = static_cast<long double>(lon - a.lon) / static_cast<long double>(b.lon - a.lon);
    return {lon, a.lat + static_cast<std::int64_t>(
                             std::nearbyint(t * static_cast<long double>(b.lat - a.lat)))};
}

// A ring that goes round the globe, rebuilt to start where it first meets the 180th
// meridian and to close through its pole: the cut and the closure then lie on the map's
// edges. `open` has continuous longitudes and reaches its start again a turn further on.
GeoRing RoundTheGlobe(const GeoRing& open, std::int64_t travel, std::int64_t pole) {
    GeoRing path(open);
    for (GeoPoint p : open) path.push_back({p.lon + travel, p.lat});
    std::int64_t direction = travel > 0 ? 1 : -1;
    // The first meridian at 180° strictly beyond the start in the direction of travel.
    std::int64_t start = path.front().lon;
    std::int64_t distance = WrapLon(direction > 0 ? kHalfTurn - start : start - kHalfTurn);
    if (distance == 0) distance = kTurn;
    std::int64_t dateline = start + direction * distance;
    std::size_t crossing = 0;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        std::int64_t from = path[i].lon * direction;
        std::int64_t to = path[i + 1].lon * direction;
        if (from < dateline * direction && to >= dateline * direction) {
            crossing = i;
            break;
        }
    }
    GeoRing ring;
    GeoPoint cut = Interpolate(path[crossing], path[crossing + 1], dateline);
    ring.push_back(cut);
    for (std::size_t i = crossing + 1; i <= crossing + open.size(); ++i) {
        if (!(path[i] == ring.back())) ring.push_back(path[i]);
    }
    GeoPoint cutAgain{cut.lon + travel, cut.lat};
    if (!(ring.back() == cutAgain)) ring.push_back(cutAgain);
    // Express it from -180° to 180° (or back).
    std::int64_t shift = (direction > 0 ? -kHalfTurn : kHalfTurn) - cut.lon;
    for (GeoPoint& p : ring) p.lon += shift;
    ring.push_back({ring.back().lon, pole});
    ring.push_back({ring.front().lon, pole});
    return ring;
}

void NudgeEasternDatelinePoints(GeoRing& ring) {
    std::vector<std::size_t> nudged;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        std::int64_t lon = ring[i].lon;
        std::int64_t previous = ring[(i + ring.size() - 1) % ring.size()].lon;
        std::int64_t next = ring[(i + 1) % ring.size()].lon;
        if (WrapLon(lon) == kHalfTurn && previous <= lon && next <= lon) {
            nudged.push_back(i);
        }
    }
    for (std::size_t i : nudged) ring[i].lon -= kDatelineNudge;
}

std::int32_t Narrow(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

ClassicPolygon ToClassicPolygon(const ShoreRing& shore) {
    ClassicPolygon polygon;
    polygon.id = shore.id;
    polygon.level = shore.level;
    polygon.source =
        static_cast<std::int16_t>(shore.source >= 0 ? shore.source : (shore.level == 1 ? 1 : 0));
    UnwrappedRing unwrapped = UnwrapRing(shore.points);
    polygon.areaTenthsKm2 = shore.areaTenthsKm2 ? *shore.areaTenthsKm2
                                                : AreaTenthsKm2(SphericalAreaKm2(unwrapped.points));
    GeoRing ring;
    if (unwrapped.closedThroughPole) {
        GeoRing openRing(unwrapped.points.begin(), unwrapped.points.end() - 3);
        std::int64_t travel =
            unwrapped.points[unwrapped.points.size() - 3].lon - openRing.front().lon;
        ring = RoundTheGlobe(openRing, travel, unwrapped.points.back().lat);
        polygon.greenwich = 1;
    } else {
        ring = std::move(unwrapped.points);
    }
    if (ring.empty()) return polygon;

    auto byLon = [](GeoPoint a, GeoPoint b) { return a.lon < b.lon; };
    if (!unwrapped.closedThroughPole) {
        // Frame: west in [0°, 360°), or in [-360°, 0°) when the ring crosses a multiple of
        // 360°, i.e. the prime meridian.
        auto [westIt, eastIt] = std::minmax_element(ring.begin(), ring.end(), byLon);
        std::int64_t shift = -std::int64_t(FloorDiv(westIt->lon, kTurn)) * kTurn;
        bool crossesPrime = eastIt->lon + shift > kTurn;
        if (crossesPrime) shift -= kTurn;
        polygon.greenwich = crossesPrime ? 1 : 0;
        for (GeoPoint& p : ring) p.lon += shift;
    }
    NudgeEasternDatelinePoints(ring);
    auto [westIt, eastIt] = std::minmax_element(ring.begin(), ring.end(), byLon);
    auto [southIt, northIt] = std::minmax_element(
        ring.begin(), ring.end(), [](GeoPoint a, GeoPoint b) { return a.lat < b.lat; });
    polygon.west = Narrow(westIt->lon);
    polygon.east = Narrow(eastIt->lon);
    polygon.south = Narrow(southIt->lat);
    polygon.north = Narrow(northIt->lat);
    ring.push_back(ring.front());
    polygon.points = std::move(ring);
    return polygon;
}

std::string EncodeClassicShoreline(const std::vector<ClassicPolygon>& polygons) {
    std::string out;
    for (const ClassicPolygon& polygon : polygons) {
        AppendShorelineHeader(
            out, {polygon.id, static_cast<std::int32_t>(polygon.points.size()), polygon.level,
                  polygon.west, polygon.east, polygon.south, polygon.north, polygon.areaTenthsKm2,
                  polygon.greenwich, polygon.source});
        for (GeoPoint p : polygon.points) AppendShorelinePoint(out, {Narrow(p.lon), Narrow(p.lat)});
    }
    return out;
}

std::vector<ClassicPolygon> ParseClassicShoreline(const std::vector<unsigned char>& bytes,
                                                  const std::string& fileName) {
    std::vector<ClassicPolygon> polygons;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::string where = fileName + ": polygon at byte " + std::to_string(offset);
        if (bytes.size() - offset < kHeaderBytes) {
            throw VarnholtError(where + ": the file ends inside its header");
        }
        const TGSHHSHeader header = DecodeShorelineHeader(bytes.data() + offset);
        ClassicPolygon polygon;
        polygon.id = header.Id;
        std::int32_t count = header.NumPoints;
        polygon.level = header.Level;
        polygon.west = header.West;
        polygon.east = header.East;
        polygon.south = header.South;
        polygon.north = header.North;
        polygon.areaTenthsKm2 = header.Area;
        polygon.greenwich = header.Greenwich;
        polygon.source = header.Source;
        offset += kHeaderBytes;
        if (count < 0 || static_cast<std::size_t>(count) > (bytes.size() - offset) / kPointBytes) {
            throw VarnholtError(where + " (id " + std::to_string(polygon.id) + "): its " +
                                std::to_string(count) + " points do not fit in the file");
        }
        polygon.points.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i, offset += kPointBytes) {
            const TGSHHSPoint point = DecodeShorelinePoint(bytes.data() + offset);
            GeoPoint p{point.Lon, point.Lat};
            if (p.lat < -kPoleLat || p.lat > kPoleLat) {
                throw VarnholtError(where + " (id " + std::to_string(polygon.id) + "): point " +
                                    std::to_string(i + 1) + " has latitude " +
                                    std::to_string(p.lat) + " micro-degrees");
            }
            polygon.points.push_back(p);
        }
        polygons.push_back(std::move(polygon));
    }
    return polygons;
}
