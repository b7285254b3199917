#pragma once
// Points and rings on the globe in integer micro-degrees, and the longitude bookkeeping the
// converters need: a ring's longitudes made continuous (no jump at ±180° or at 0°/360°), and
// rings that go once round the globe (Antarctica) closed through the pole they enclose.
//
// A ring is held without a repeated closing point; its last point joins its first.
#include <cstdint>
#include <vector>

struct GeoPoint {
    std::int64_t lon = 0;  // micro-degrees, east positive; any multiple of a turn may be added
    std::int64_t lat = 0;  // micro-degrees, north positive, -90° .. 90°
    friend bool operator==(GeoPoint, GeoPoint) = default;
};

using GeoRing = std::vector<GeoPoint>;

constexpr std::int64_t kMicroDegrees = 1'000'000;
constexpr std::int64_t kHalfTurn = 180 * kMicroDegrees;
constexpr std::int64_t kTurn = 360 * kMicroDegrees;
constexpr std::int64_t kPoleLat = 90 * kMicroDegrees;

// The step from one longitude to another the short way round, in (-180°, 180°].
std::int64_t ShortestStep(std::int64_t fromLon, std::int64_t toLon);
// Longitude brought into [0°, 360°).
std::int64_t WrapLon(std::int64_t lon);
// Same place on the globe: longitudes compared modulo a turn.
bool SamePlace(GeoPoint a, GeoPoint b);

struct UnwrappedRing {
    GeoRing points;                  // continuous longitudes, net travel round the ring zero
    bool closedThroughPole = false;  // pole points were added to close a ring round the globe
};

// Makes a ring's longitudes continuous, starting from its first point as given. A repeated
// closing point is dropped. A ring whose steps add up to a full turn is closed through the
// pole on its side (by mean latitude); one that already runs along a pole takes that edge
// the long way round instead.
UnwrappedRing UnwrapRing(const GeoRing& ring);

// The continuous longitudes of an open line, starting from its first point as given.
GeoRing UnwrapLine(const GeoRing& line);
