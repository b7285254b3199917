#pragma once
// Reassembles lines that were cut into pieces (gmt's storage bins cut every polygon and
// border at the bin edges): a piece whose first point is the same place as another piece's
// last point continues it. Places match exactly, longitudes modulo a turn, so a piece that
// ends at 180° E continues with one that starts at 180° W.
//
// Where several pieces could continue a line, the earliest in input order is taken.
#include <vector>

#include "GeoRing.h"

struct ChainedPieces {
    std::vector<GeoRing> rings;  // closed: no repeated closing point
    std::vector<GeoRing> lines;  // chains whose ends do not meet
};

ChainedPieces ChainPieces(const std::vector<GeoRing>& pieces);
