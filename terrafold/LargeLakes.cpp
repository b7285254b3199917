#include "LargeLakes.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>

#include "Canvas.h"

namespace {

constexpr std::int32_t kLakeLevel = 2;
constexpr std::uint32_t kLargeLakeArea = 20000;  // tenths of km2

void UseLakeTools(Canvas& canvas) {
    canvas.SetPen(Pen{Colours::White, PenStyle::Clear, PenMode::Copy});
    canvas.SetBrush(Brush{Colours::Black, BrushStyle::Solid});
}

}  // namespace

bool IsLargeLake(const TGSHHSHeader& header) {
    return header.Level == kLakeLevel && header.Area > kLargeLakeArea;
}

void DrawLargeLakes(const std::string& gshhsFile, Bitmap& heightBitmap, Bitmap& maskBitmap) {
    PaintLakeSpans(ReadLargeLakeSpans(gshhsFile, heightBitmap.Width(), heightBitmap.Height()),
                   heightBitmap, maskBitmap, 0, heightBitmap.Height());
}

std::vector<RowSpan> ReadLargeLakeSpans(const std::string& gshhsFile, int width, int height,
                                        ShorelineReadEnd* end) {
    std::vector<RowSpan> spans;
    ShorelineCallbacks callbacks;
    callbacks.Select = IsLargeLake;
    callbacks.OnPolygon = [&](const TGSHHSHeader&, const std::vector<Point>& pixels) {
        ForEachEvenOddSpan(pixels, width, height, [&](int y, int left, int right) {
            spans.push_back({y, left, right});
        });
    };
    try {
        const ShorelineReadEnd ended =
            ReadShorelines(gshhsFile, width, height, LongitudeWrap::Repeat, callbacks);
        if (end) *end = ended;
    } catch (const ENotShorelineFile&) {
        throw;
    } catch (const std::exception&) {
        // A missing or damaged shoreline file costs only the lakes not yet read; the images
        // are still worth writing.
    }
    return spans;
}

void PaintLakeSpans(std::span<const RowSpan> spans, Bitmap& heightBitmap, Bitmap& maskBitmap,
                    int firstRow, int lastRow) {
    for (Bitmap* bitmap : {&heightBitmap, &maskBitmap}) {
        Canvas canvas(*bitmap);
        UseLakeTools(canvas);
        canvas.FillSpans(spans, firstRow, lastRow);
    }
}

void SortByRow(std::vector<RowSpan>& spans) {
    std::stable_sort(spans.begin(), spans.end(),
                     [](const RowSpan& a, const RowSpan& b) { return a.y < b.y; });
}

void PaintLakeSpansInBand(std::span<const RowSpan> spans, Bitmap& heightBand, Bitmap& maskBand,
                          int firstRow, int lastRow) {
    auto first = std::lower_bound(spans.begin(), spans.end(), firstRow,
                                  [](const RowSpan& span, int row) { return span.y < row; });
    for (Bitmap* band : {&heightBand, &maskBand}) {
        // Black on the grey palette, as the canvas paints it.
        const std::uint8_t water = band->NearestIndex(Colours::Black);
        const int width = band->Width();
        for (auto span = first; span != spans.end() && span->y < lastRow; ++span) {
            const int left = std::max(span->left, 0);
            const int right = std::min(span->right, width);
            if (left < right && span->y - firstRow < band->Height())
                std::memset(band->Row(span->y - firstRow) + left, water, std::size_t(right - left));
        }
    }
}

LakesAhead::LakesAhead(const std::string& gshhsFile, int width, int height) {
    try {
        reading_ =
            std::async(std::launch::async, ReadLargeLakeSpans, gshhsFile, width, height, &end_);
    } catch (const std::system_error&) {
        spans_ = ReadLargeLakeSpans(gshhsFile, width, height, &end_);
    }
}

const std::vector<RowSpan>& LakesAhead::Spans() {
    if (reading_.valid()) spans_ = reading_.get();
    return spans_;
}
