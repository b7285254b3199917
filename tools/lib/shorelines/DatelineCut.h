#pragma once
// Cutting rings and lines at the 180th meridian, for maps that draw longitudes linearly from
// 180° W to 180° E: every piece lies within -180°..180°, a ring's pieces closed along the
// meridian. A ring round the globe (Antarctica) is first closed through its pole.
#include <vector>

#include "GeoRing.h"

std::vector<GeoRing> CutRingAtDateline(const GeoRing& ring);
std::vector<GeoRing> CutLineAtDateline(const GeoRing& line);
