#include "Canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

#include "LineRaster.h"
#include "PolygonFill.h"

namespace {
constexpr int kDashPeriod = Canvas::kDashPixels + Canvas::kDashGapPixels;

bool DashOn(std::int64_t pathIndex) { return pathIndex % kDashPeriod < Canvas::kDashPixels; }

// One colour resolved for a bitmap once, then copied or XORed into pixels the caller has clipped.
class PixelPainter {
public:
    PixelPainter(Bitmap& bitmap, Colour colour, PenMode mode)
        : bitmap_(bitmap), pixel_(bitmap.Encode(colour)), xor_(mode == PenMode::Xor) {}

    void Plot(int x, int y) { Apply(bitmap_.Row(y) + std::size_t(x) * pixel_.size, 1); }
    void Span(int y, int left, int right) {
        if (left < right) Apply(bitmap_.Row(y) + std::size_t(left) * pixel_.size, right - left);
    }

private:
    void Apply(std::uint8_t* bytes, int count) {
        const bool grey =
            pixel_.size == 1 || (pixel_.size == 3 && pixel_.bytes[0] == pixel_.bytes[1] &&
                                 pixel_.bytes[1] == pixel_.bytes[2]);
        if (!xor_ && grey) {
            // Black and white, the usual fills, are runs of one byte.
            std::memset(bytes, pixel_.bytes[0], std::size_t(count) * std::size_t(pixel_.size));
            return;
        }
        if (!xor_ && pixel_.size == 3) {
            for (int i = 0; i < count; ++i, bytes += 3) std::memcpy(bytes, pixel_.bytes, 3);
            return;
        }
        for (int i = 0; i < count; ++i, bytes += pixel_.size)
            for (int byte = 0; byte < pixel_.size; ++byte)
                bytes[byte] =
                    xor_ ? std::uint8_t(bytes[byte] ^ pixel_.bytes[byte]) : pixel_.bytes[byte];
    }

    Bitmap& bitmap_;
    DevicePixel pixel_;
    bool xor_;
};

// Calls plot(x, y) for the visible pen pixels of a path of lines, each without its end point,
// the dash pattern running on from line to line. Returns the pattern position reached.
template <class Plot>
std::int64_t TracePath(std::span<const Point> points, bool closed, PenStyle style,
                       std::int64_t phase, int width, int height, Plot&& plot) {
    if (points.size() < 2) return phase;
    const std::size_t lines = closed ? points.size() : points.size() - 1;
    for (std::size_t i = 0; i < lines; ++i) {
        ClippedLine line(points[i], points[(i + 1) % points.size()], width, height);
        line.ForEachPixel([&](int x, int y, std::int64_t step) {
            if (style != PenStyle::Dashed || DashOn(phase + step)) plot(x, y);
        });
        phase = (phase + line.Length()) % kDashPeriod;
    }
    return phase;
}

// Pixel keys sort row by row, left to right, like the spans of a fill.
std::uint64_t PixelKey(int x, int y) { return (std::uint64_t(y) << 32) | std::uint32_t(x); }

// The visible pen pixels of a path, each once, in PixelKey order: in exclusive-or mode a pixel
// the pen passes twice must still change only once.
std::vector<std::uint64_t> GatherPenPixels(std::span<const Point> points, bool closed,
                                           PenStyle style, int width, int height) {
    std::vector<std::uint64_t> penPixels;
    TracePath(points, closed, style, 0, width, height,
              [&](int x, int y) { penPixels.push_back(PixelKey(x, y)); });
    std::sort(penPixels.begin(), penPixels.end());
    penPixels.erase(std::unique(penPixels.begin(), penPixels.end()), penPixels.end());
    return penPixels;
}

void PlotPenPixels(PixelPainter& pen, const std::vector<std::uint64_t>& penPixels) {
    for (std::uint64_t key : penPixels) pen.Plot(int(key & 0xFFFFFFFFu), int(key >> 32));
}

struct Clip {
    std::int64_t left, top, right, bottom;  // half-open, inside the bitmap
};

Clip ClipToBitmap(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  const Bitmap& bitmap) {
    return {std::max<std::int64_t>(left, 0), std::max<std::int64_t>(top, 0),
            std::min<std::int64_t>(right, bitmap.Width()),
            std::min<std::int64_t>(bottom, bitmap.Height())};
}

// A copy between two bitmaps, clipped to both: the top-left corners and the size.
struct CopyArea {
    std::int64_t sourceX, sourceY, targetX, targetY, width, height;
};

std::optional<CopyArea> FindCopyArea(const Rect& destination, const Bitmap& source,
                                     const Rect& sourceRect, const Bitmap& target) {
    CopyArea area{sourceRect.left,
                  sourceRect.top,
                  destination.left,
                  destination.top,
                  std::min(std::int64_t(destination.right) - destination.left,
                           std::int64_t(sourceRect.right) - sourceRect.left),
                  std::min(std::int64_t(destination.bottom) - destination.top,
                           std::int64_t(sourceRect.bottom) - sourceRect.top)};
    // Moving a start edge into one bitmap moves the other's by the same amount.
    auto clipStart = [](std::int64_t& sourceEdge, std::int64_t& targetEdge, std::int64_t& size) {
        const std::int64_t cut = std::max<std::int64_t>({0, -sourceEdge, -targetEdge});
        sourceEdge += cut;
        targetEdge += cut;
        size -= cut;
    };
    clipStart(area.sourceX, area.targetX, area.width);
    clipStart(area.sourceY, area.targetY, area.height);
    area.width =
        std::min({area.width, source.Width() - area.sourceX, target.Width() - area.targetX});
    area.height =
        std::min({area.height, source.Height() - area.sourceY, target.Height() - area.targetY});
    if (area.width <= 0 || area.height <= 0) return std::nullopt;
    return area;
}

const std::uint8_t* SourceRow(const Bitmap& source, const CopyArea& area, std::int64_t y) {
    return source.Row(int(area.sourceY + y)) +
           std::size_t(area.sourceX) * std::size_t(source.BytesPerPixel());
}

std::uint8_t* TargetRow(Bitmap& target, const CopyArea& area, std::int64_t y) {
    return target.Row(int(area.targetY + y)) +
           std::size_t(area.targetX) * std::size_t(target.BytesPerPixel());
}

Bitmap TakeArea(const Bitmap& source, const CopyArea& area) {
    Bitmap taken(int(area.width), int(area.height), source.Format());
    taken.SetPalette(source.Palette());
    const std::size_t rowBytes = std::size_t(area.width) * std::size_t(source.BytesPerPixel());
    for (std::int64_t y = 0; y < area.height; ++y)
        std::memcpy(taken.Row(int(y)), SourceRow(source, area, y), rowBytes);
    return taken;
}

void CopyRows(const Bitmap& source, const CopyArea& area, Bitmap& target) {
    const std::size_t rowBytes = std::size_t(area.width) * std::size_t(target.BytesPerPixel());
    for (std::int64_t y = 0; y < area.height; ++y)
        std::memcpy(TargetRow(target, area, y), SourceRow(source, area, y), rowBytes);
}

// Source colours encoded for the target: an 8-bit source through a table of its 256 indices,
// others colour by colour, remembered for an 8-bit target because its palette search is linear.
class PixelConverter {
public:
    PixelConverter(const Bitmap& source, const Bitmap& target) : source_(source), target_(target) {
        if (source.Format() != PixelFormat::Indexed8) return;
        indexTable_.resize(256);
        const auto& palette = source.Palette();
        for (int i = 0; i < 256; ++i) {
            const Colour colour =
                std::size_t(i) < palette.size()
                    ? MakeColour(palette[i].red, palette[i].green, palette[i].blue)
                    : MakeColour(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
            indexTable_[i] = target.Encode(colour);
        }
    }

    DevicePixel Convert(const std::uint8_t* sourcePixel, int x, int y) {
        if (!indexTable_.empty()) return indexTable_[sourcePixel[0]];
        const Colour colour = source_.PixelColour(x, y);
        if (target_.Format() != PixelFormat::Indexed8) return target_.Encode(colour);
        auto found = nearest_.find(colour);
        if (found == nearest_.end()) found = nearest_.emplace(colour, target_.Encode(colour)).first;
        return found->second;
    }

private:
    const Bitmap& source_;
    const Bitmap& target_;
    std::vector<DevicePixel> indexTable_;
    std::unordered_map<Colour, DevicePixel> nearest_;
};

void ConvertPixels(const Bitmap& source, const CopyArea& area, Bitmap& target) {
    PixelConverter converter(source, target);
    const int sourceBytes = source.BytesPerPixel();
    const int targetBytes = target.BytesPerPixel();
    for (std::int64_t y = 0; y < area.height; ++y) {
        const std::uint8_t* from = SourceRow(source, area, y);
        std::uint8_t* to = TargetRow(target, area, y);
        for (std::int64_t x = 0; x < area.width; ++x, from += sourceBytes, to += targetBytes) {
            const DevicePixel pixel =
                converter.Convert(from, int(area.sourceX + x), int(area.sourceY + y));
            std::memcpy(to, pixel.bytes, std::size_t(targetBytes));
        }
    }
}
}  // namespace

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
    const std::int64_t left = std::min(x1, x2);
    const std::int64_t right = std::max(x1, x2);
    const std::int64_t top = std::min(y1, y2);
    const std::int64_t bottom = std::max(y1, y2);
    if (left == right || top == bottom) return;
    const bool penVisible = pen_.style != PenStyle::Clear;

    if (brush_.style == BrushStyle::Solid) {
        const std::int64_t inset = penVisible ? 1 : 0;
        const Clip fill =
            ClipToBitmap(left + inset, top + inset, right - inset, bottom - inset, bitmap_);
        PixelPainter brush(bitmap_, brush_.colour, pen_.mode);
        for (std::int64_t y = fill.top; y < fill.bottom; ++y)
            brush.Span(int(y), int(fill.left), int(fill.right));
    }

    if (penVisible) {
        PixelPainter pen(bitmap_, pen_.colour, pen_.mode);
        const bool dashed = pen_.style == PenStyle::Dashed;
        const std::int64_t width = bitmap_.Width();
        const std::int64_t height = bitmap_.Height();
        // The ring runs clockwise from the top-left pixel; pathIndex counts pixels along it so
        // that the dashes do not depend on how much of the ring is visible.
        auto row = [&](std::int64_t y, std::int64_t fromX, std::int64_t toX, int step,
                       std::int64_t pathIndex) {
            if (y < 0 || y >= height || (step > 0 ? fromX > toX : fromX < toX)) return;
            const std::int64_t low = std::max<std::int64_t>(std::min(fromX, toX), 0);
            const std::int64_t high = std::min<std::int64_t>(std::max(fromX, toX), width - 1);
            for (std::int64_t x = low; x <= high; ++x)
                if (!dashed || DashOn(pathIndex + (x - fromX) * step)) pen.Plot(int(x), int(y));
        };
        auto column = [&](std::int64_t x, std::int64_t fromY, std::int64_t toY, int step,
                          std::int64_t pathIndex) {
            if (x < 0 || x >= width || (step > 0 ? fromY > toY : fromY < toY)) return;
            const std::int64_t low = std::max<std::int64_t>(std::min(fromY, toY), 0);
            const std::int64_t high = std::min<std::int64_t>(std::max(fromY, toY), height - 1);
            for (std::int64_t y = low; y <= high; ++y)
                if (!dashed || DashOn(pathIndex + (y - fromY) * step)) pen.Plot(int(x), int(y));
        };
        const std::int64_t across = right - left;
        const std::int64_t down = bottom - top;
        row(top, left, right - 1, 1, 0);
        column(right - 1, top + 1, bottom - 1, 1, across);
        if (down >= 2) row(bottom - 1, right - 2, left, -1, across + down - 1);
        if (across >= 2) column(left, bottom - 2, top + 1, -1, 2 * across + down - 2);
    }
    bitmap_.MarkModified();
}

void Canvas::FillSpans(std::span<const RowSpan> spans, int firstRow, int lastRow) {
    if (brush_.style != BrushStyle::Solid) return;
    PixelPainter brush(bitmap_, brush_.colour, PenMode::Copy);
    for (const RowSpan& span : spans)
        if (span.y >= firstRow && span.y < lastRow) brush.Span(span.y, span.left, span.right);
    bitmap_.MarkModified();
}

void Canvas::Polygon(std::span<const Point> points) {
    if (points.empty()) return;
    const bool fill = brush_.style == BrushStyle::Solid && points.size() >= 3;
    const bool outline = pen_.style != PenStyle::Clear;
    const int width = bitmap_.Width();
    const int height = bitmap_.Height();

    if (pen_.mode == PenMode::Copy) {
        if (fill) {
            PixelPainter brush(bitmap_, brush_.colour, PenMode::Copy);
            ForEachEvenOddSpan(points, width, height,
                               [&](int y, int left, int right) { brush.Span(y, left, right); });
        }
        if (outline) {
            PixelPainter pen(bitmap_, pen_.colour, PenMode::Copy);
            TracePath(points, true, pen_.style, 0, width, height,
                      [&](int x, int y) { pen.Plot(x, y); });
        }
        bitmap_.MarkModified();
        return;
    }

    // Exclusive-or: a pixel the outline crosses twice, or that both fill and outline cover,
    // must still change only once, so the pen pixels are gathered and the fill goes around them.
    const std::vector<std::uint64_t> penPixels =
        outline ? GatherPenPixels(points, true, pen_.style, width, height)
                : std::vector<std::uint64_t>();
    if (fill) {
        PixelPainter brush(bitmap_, brush_.colour, PenMode::Xor);
        std::size_t next = 0;
        ForEachEvenOddSpan(points, width, height, [&](int y, int left, int right) {
            while (next < penPixels.size() && penPixels[next] < PixelKey(left, y)) ++next;
            int x = left;
            for (; next < penPixels.size() && penPixels[next] < PixelKey(right, y); ++next) {
                const int penX = int(penPixels[next] & 0xFFFFFFFFu);
                brush.Span(y, x, penX);
                x = penX + 1;
            }
            brush.Span(y, x, right);
        });
    }
    PixelPainter pen(bitmap_, pen_.colour, PenMode::Xor);
    PlotPenPixels(pen, penPixels);
    bitmap_.MarkModified();
}

void Canvas::Polyline(std::span<const Point> points) {
    if (points.size() < 2 || pen_.style == PenStyle::Clear) return;
    const int width = bitmap_.Width();
    const int height = bitmap_.Height();
    PixelPainter pen(bitmap_, pen_.colour, pen_.mode);
    if (pen_.mode == PenMode::Copy) {
        TracePath(points, false, pen_.style, 0, width, height,
                  [&](int x, int y) { pen.Plot(x, y); });
    } else {
        PlotPenPixels(pen, GatherPenPixels(points, false, pen_.style, width, height));
    }
    bitmap_.MarkModified();
}

void Canvas::MoveTo(int x, int y) {
    penPosition_ = {x, y};
    dashPhase_ = 0;
}

void Canvas::LineTo(int x, int y) {
    const Point to{x, y};
    ClippedLine line(penPosition_, to, bitmap_.Width(), bitmap_.Height());
    if (pen_.style != PenStyle::Clear && !line.IsEmpty()) {
        PixelPainter pen(bitmap_, pen_.colour, pen_.mode);
        const bool dashed = pen_.style == PenStyle::Dashed;
        line.ForEachPixel([&](int px, int py, std::int64_t step) {
            if (!dashed || DashOn(dashPhase_ + step)) pen.Plot(px, py);
        });
        bitmap_.MarkModified();
    }
    dashPhase_ = int((dashPhase_ + line.Length()) % kDashPeriod);
    penPosition_ = to;
}

Colour Canvas::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= bitmap_.Width() || y >= bitmap_.Height()) return 0xFFFFFFFFu;
    return bitmap_.PixelColour(x, y);
}

void Canvas::SetPixel(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= bitmap_.Width() || y >= bitmap_.Height()) return;
    bitmap_.SetPixelColour(x, y, colour);
    bitmap_.MarkModified();
}

void Canvas::CopyRect(const Rect& destination, const Bitmap& source, const Rect& sourceRect) {
    const std::optional<CopyArea> area = FindCopyArea(destination, source, sourceRect, bitmap_);
    if (!area) return;
    if (&source == &bitmap_) {
        // Copying within one bitmap: take the source area first so overlaps read old pixels.
        const Bitmap taken = TakeArea(source, *area);
        const int right = int(area->targetX + area->width);
        const int bottom = int(area->targetY + area->height);
        CopyRect({int(area->targetX), int(area->targetY), right, bottom}, taken,
                 {0, 0, int(area->width), int(area->height)});
        return;
    }
    const bool sameBytes =
        source.Format() == bitmap_.Format() &&
        (source.Format() != PixelFormat::Indexed8 || source.Palette() == bitmap_.Palette());
    if (sameBytes)
        CopyRows(source, *area, bitmap_);
    else
        ConvertPixels(source, *area, bitmap_);
    bitmap_.MarkModified();
}

void Canvas::Draw(int x, int y, const Bitmap& source) {
    CopyRect({x, y, int(std::min<std::int64_t>(std::int64_t(x) + source.Width(), INT32_MAX)),
              int(std::min<std::int64_t>(std::int64_t(y) + source.Height(), INT32_MAX))},
             source, {0, 0, source.Width(), source.Height()});
}
