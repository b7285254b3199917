#pragma once
// Large lakes of a GSHHS shoreline file painted as water into the world height image and the
// land/sea mask: every level-2 polygon whose Area (tenths of km2, unsigned) exceeds 20000, that
// is lakes larger than 2000 km2. Lands, islands in lakes and ponds are never painted, whatever
// their size. Points are mapped to the bitmaps' pixels with longitudes brought below 360 degrees
// by repeated subtraction, thinned, and the polygon they outline is filled with 0 by the
// even-odd rule, without an outline.
#include <future>
#include <span>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "GSHHSdata.h"
#include "Geometry.h"
#include "PolygonFill.h"

bool IsLargeLake(const TGSHHSHeader& header);

// Any failure to open, read or position in the file ends the pass silently: the lakes filled
// before it stay, the rest are not filled. A file that is no shoreline file throws
// ENotShorelineFile: its missing lakes would pass unnoticed.
void DrawLargeLakes(const std::string& gshhsFile, Bitmap& heightBitmap, Bitmap& maskBitmap);

// DrawLargeLakes in two steps, so that the lakes can be read ahead and painted a band of rows
// at a time: the spans of their fills in bitmaps of width x height (ending as silently), then
// the spans of rows firstRow..lastRow-1 painted into both bitmaps.
// end (when given) learns whether the file was cut inside a record.
std::vector<RowSpan> ReadLargeLakeSpans(const std::string& gshhsFile, int width, int height,
                                        ShorelineReadEnd* end = nullptr);
void PaintLakeSpans(std::span<const RowSpan> spans, Bitmap& heightBitmap, Bitmap& maskBitmap,
                    int firstRow, int lastRow);

// The same painting for images made a band at a time: the spans of rows firstRow..lastRow-1,
// sorted by row (SortByRow), painted into the band bitmaps whose row 0 is row firstRow.
void SortByRow(std::vector<RowSpan>& spans);
void PaintLakeSpansInBand(std::span<const RowSpan> spans, Bitmap& heightBand, Bitmap& maskBand,
                          int firstRow, int lastRow);

// ReadLargeLakeSpans on a thread of its own, so that the lakes are read while the tiles are
// sampled; Spans() waits for them the first time (and throws what the reading threw). Without
// a thread they are read at once.
class LakesAhead {
public:
    LakesAhead(const std::string& gshhsFile, int width, int height);
    const std::vector<RowSpan>& Spans();
    // How the reading ended, once Spans() has returned.
    ShorelineReadEnd End() const { return end_; }

private:
    ShorelineReadEnd end_;
    // After end_, which the reading writes: destroyed first, it waits for the reading to end.
    std::future<std::vector<RowSpan>> reading_;
    std::vector<RowSpan> spans_;
};
