#pragma once
// The classic GSHHS shoreline file that terrafold and strandel read: per polygon a 36-byte
// big-endian header (Id, NumPoints, Level, West, East, South, North, Area in tenths of km²,
// Greenwich, Source) and NumPoints big-endian (Lon, Lat) pairs in micro-degrees.
//
// Polygons are written closed (the first point repeated at the end), with longitudes as the
// classic files hold them: continuous within a polygon, in 0°..360° for a polygon that stays
// off the prime meridian, and from a negative west bound for one that crosses it (Greenwich
// 1). A polygon that goes round the globe starts and ends at the 180th meridian and is closed
// through its pole along the map's edges.
#include <cstdint>
#include <string>
#include <vector>

#include "GeoRing.h"
#include "ShoreRing.h"

struct ClassicPolygon {
    std::int32_t id = 0;
    std::int32_t level = 0;
    std::int32_t west = 0;
    std::int32_t east = 0;
    std::int32_t south = 0;
    std::int32_t north = 0;
    std::uint32_t areaTenthsKm2 = 0;
    std::int16_t greenwich = 0;
    std::int16_t source = 0;
    GeoRing points;  // as stored: closed, micro-degrees
};

// Area comes from the ring when it states one, else from its spherical area; the source is
// taken over, or guessed from the level when unknown (shorelines WVS, lakes WDBII).
ClassicPolygon ToClassicPolygon(const ShoreRing& ring);

std::string EncodeClassicShoreline(const std::vector<ClassicPolygon>& polygons);

// Strict reader for the tools: a damaged or truncated file is an error naming the byte offset.
std::vector<ClassicPolygon> ParseClassicShoreline(const std::vector<unsigned char>& bytes,
                                                  const std::string& fileName);
