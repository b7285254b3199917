#pragma once
// Area enclosed by a ring on a sphere of the Earth's authalic radius (6371.0072 km), so that
// areas of small and large polygons add up like those of the ellipsoid. Edges are taken as
// running straight in longitude and sin(latitude), which is exact along parallels and
// meridians and within a fraction of a percent for the short edges of shoreline data.
#include <cstdint>

#include "GeoRing.h"

// The ring must come from UnwrapRing: continuous longitudes, zero net travel.
long double SphericalAreaKm2(const GeoRing& unwrappedRing);

// Rounded to tenths of a square kilometre, capped at the largest unsigned 32-bit value.
std::uint32_t AreaTenthsKm2(long double areaKm2);
