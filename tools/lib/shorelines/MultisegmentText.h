#pragma once
// Reader of multisegment text as `gmt coast -M` writes it: segments separated by lines that
// start with '>', each data line "lon lat" in decimal degrees (further columns ignored).
// A header such as "> Shore Bin # 12, Level 2" gives the segment's level; '#' lines and
// blank lines are skipped.
#include <string>
#include <vector>

#include "GeoRing.h"

struct TextSegment {
    int level = 0;  // 0 when the header names none
    GeoRing points;
    int firstLine = 0;
};

// Throws a VarnholtError naming the file and line for anything that is not a coordinate.
std::vector<TextSegment> ParseMultisegmentText(const std::string& text,
                                               const std::string& fileName);
