#include "SphericalArea.h"

#include <cmath>
#include <limits>

namespace {

constexpr long double kAuthalicRadiusKm = 6371.0072L;
constexpr long double kRadiansPerMicroDegree = 3.14159265358979323846264338327950288L / 180e6L;

}  // namespace

long double SphericalAreaKm2(const GeoRing& ring) {
    if (ring.size() < 3) return 0;
    long double sum = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        GeoPoint from = ring[i];
        GeoPoint to = ring[(i + 1) % ring.size()];
        // With zero net travel the closing edge lands exactly on the first point's longitude,
        // which also takes an edge along the pole the long way round.
        long double dLon = static_cast<long double>(to.lon - from.lon) * kRadiansPerMicroDegree;
        sum += dLon * (std::sin(static_cast<long double>(from.lat) * kRadiansPerMicroDegree) +
                       std::sin(static_cast<long double>(to.lat) * kRadiansPerMicroDegree));
    }
    return std::fabs(sum) / 2 * kAuthalicRadiusKm * kAuthalicRadiusKm;
}

std::uint32_t AreaTenthsKm2(long double areaKm2) {
    long double tenths = std::nearbyint(areaKm2 * 10);
    if (!(tenths >= 0)) return 0;
    if (tenths >= static_cast<long double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(tenths);
}
