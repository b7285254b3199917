#pragma once
// Reader of today's GSHHG native binary shoreline files (gshhs_?.b of GSHHG 2.x).
//
// Each polygon is a 44-byte big-endian header (id, n, flag, west, east, south, north, area,
// area_full, container, ancestor) and n points of big-endian int32 longitude and latitude
// in micro-degrees. The low byte of flag is the level; levels 5 and 6 are Antarctica drawn
// along its ice front and along its grounding line. From version 12 on, flag >> 26 is p and
// area is in km² × 10^p; before, area is in tenths of km².
#include <string>
#include <vector>

#include "ShoreRing.h"

enum class AntarcticCoast { IceFront, GroundingLine };

struct GshhgReadResult {
    std::vector<ShoreRing> rings;  // levels 1-4; the chosen Antarctic coast as level 1
    int skipped = 0;               // polygons of other levels (the other Antarctic coast)
};

// Throws a VarnholtError naming the file and byte offset for a truncated or damaged file.
GshhgReadResult ParseGshhgNative(const std::vector<unsigned char>& bytes,
                                 const std::string& fileName, AntarcticCoast antarctica);
