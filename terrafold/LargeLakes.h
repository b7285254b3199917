#pragma once
// Large lakes of a GSHHS shoreline file painted as water into the world height image and the
// land/sea mask: every level-2 polygon whose Area (tenths of km2, unsigned) exceeds 20000, that
// is lakes larger than 2000 km2. Lands, islands in lakes and ponds are never painted, whatever
// their size. Points are mapped to the bitmaps' pixels with longitudes brought below 360 degrees
// by repeated subtraction, thinned, and the polygon they outline is filled with 0 by the
// even-odd rule, without an outline.
#include <span>
#include <string>

#include "Bitmap.h"
#include "Canvas.h"
#include "GSHHSdata.h"
#include "Geometry.h"

bool IsLargeLake(const TGSHHSHeader& header);

// Fills one lake into both canvases, which carry the lake pen and brush.
void FillLakePolygon(Canvas& height, Canvas& mask, std::span<const Point> pixels);

// Any failure to open, read or position in the file ends the pass silently: the lakes filled
// before it stay, the rest are not filled.
void DrawLargeLakes(const std::string& gshhsFile, Bitmap& heightBitmap, Bitmap& maskBitmap);
