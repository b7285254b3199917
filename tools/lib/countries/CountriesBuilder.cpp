#include "CountriesBuilder.h"

#include <algorithm>
#include <cmath>

#include "ByteOrder.h"
#include "DatelineCut.h"

namespace {

std::int16_t ToMinutes(std::int64_t microDegrees, std::int64_t limit) {
    long double minutes = std::nearbyint(static_cast<long double>(microDegrees) * 60 / 1e6L);
    return static_cast<std::int16_t>(std::clamp<long double>(
        minutes, static_cast<long double>(-limit), static_cast<long double>(limit)));
}

void AddSegment(std::vector<CartogSegment>& segments, std::uint8_t kind, const GeoRing& points,
                bool closed) {
    std::vector<CartogPoint> minutes = ToArcMinutes(points);
    if (closed) {
        while (minutes.size() > 1 && minutes.back() == minutes.front()) minutes.pop_back();
        if (minutes.size() < 3) return;  // smaller than an arc-minute
    } else if (minutes.size() < 2) {
        return;
    }
    segments.push_back({kind, std::move(minutes)});
}

}  // namespace

std::vector<CartogPoint> ToArcMinutes(const GeoRing& points) {
    std::vector<CartogPoint> out;
    out.reserve(points.size());
    for (GeoPoint p : points) {
        CartogPoint minutes{ToMinutes(p.lon, 10800), ToMinutes(p.lat, 5400)};
        if (out.empty() || !(out.back() == minutes)) out.push_back(minutes);
    }
    return out;
}

std::vector<CartogSegment> BuildCartography(const std::vector<ClassicPolygon>& shore,
                                            const std::vector<GeoRing>& borders) {
    std::vector<CartogSegment> segments;
    for (int level = 1; level <= 4; ++level) {
        std::uint8_t kind = level % 2 == 1 ? kKindLand : kKindWater;
        for (const ClassicPolygon& polygon : shore) {
            if (polygon.level != level) continue;
            for (const GeoRing& piece : CutRingAtDateline(polygon.points)) {
                AddSegment(segments, kind, piece, true);
            }
        }
    }
    for (const GeoRing& border : borders) {
        for (const GeoRing& piece : CutLineAtDateline(border)) {
            AddSegment(segments, kKindLine, piece, false);
        }
    }
    return segments;
}

std::string EncodeCartography(const std::vector<CartogSegment>& segments) {
    std::string out;
    for (const CartogSegment& segment : segments) {
        AppendLittleEndian32(out, static_cast<std::uint32_t>(segment.points.size()));
        out.push_back(static_cast<char>(segment.kind));
        for (CartogPoint p : segment.points) {
            AppendLittleEndian16(out, static_cast<std::uint16_t>(p.lon));
            AppendLittleEndian16(out, static_cast<std::uint16_t>(p.lat));
        }
    }
    return out;
}
