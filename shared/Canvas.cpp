#include "Canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "LineRaster.h"
#include "PolygonFill.h"

namespace {
constexpr int DashPeriod = Canvas::DashPixels + Canvas::DashGapPixels;

bool DashOn(std::int64_t pathIndex) { return pathIndex % DashPeriod < Canvas::DashPixels; }

// The bytes a colour becomes in one pixel of a bitmap.
struct DevicePixel {
    std::uint8_t bytes[3] = {0, 0, 0};
    int size = 3;
};

DevicePixel ToDevicePixel(const Bitmap& bitmap, Colour colour) {
    DevicePixel pixel;
    switch (bitmap.Format()) {
        case PixelFormat::Indexed8:
            // Bitmap::SetPixelColour's rule, so drawing and single pixels agree.
            pixel.bytes[0] = bitmap.Palette().empty() ? RedOf(colour) : bitmap.NearestIndex(colour);
            pixel.size = 1;
            break;
        case PixelFormat::Pixel16:
            pixel.bytes[0] = std::uint8_t(colour & 0xFF);
            pixel.bytes[1] = std::uint8_t((colour >> 8) & 0xFF);
            pixel.size = 2;
            break;
        case PixelFormat::Bgr24:
            pixel.bytes[0] = BlueOf(colour);
            pixel.bytes[1] = GreenOf(colour);
            pixel.bytes[2] = RedOf(colour);
            pixel.size = 3;
            break;
    }
    return pixel;
}

// One colour resolved for a bitmap once, then copied or XORed into pixels the caller has clipped.
class PixelPainter {
public:
    PixelPainter(Bitmap& bitmap, Colour colour, PenMode mode)
        : bitmap_(bitmap), pixel_(ToDevicePixel(bitmap, colour)), xor_(mode == PenMode::Xor) {}

    void Plot(int x, int y) { Apply(bitmap_.Row(y) + std::size_t(x) * pixel_.size, 1); }
    void Span(int y, int left, int right) {
        if (left < right) Apply(bitmap_.Row(y) + std::size_t(left) * pixel_.size, right - left);
    }

private:
    void Apply(std::uint8_t* bytes, int count) {
        if (!xor_ && pixel_.size == 1) {
            std::memset(bytes, pixel_.bytes[0], std::size_t(count));
            return;
        }
        for (int i = 0; i < count; ++i, bytes += pixel_.size)
            for (int k = 0; k < pixel_.size; ++k)
                bytes[k] = xor_ ? std::uint8_t(bytes[k] ^ pixel_.bytes[k]) : pixel_.bytes[k];
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
        phase = (phase + line.Length()) % DashPeriod;
    }
    return phase;
}

// Pixel keys sort row by row, left to right, like the spans of a fill.
std::uint64_t PixelKey(int x, int y) { return (std::uint64_t(y) << 32) | std::uint32_t(x); }

struct Clip {
    std::int64_t left, top, right, bottom;  // half-open, inside the bitmap
};

Clip ClipToBitmap(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  const Bitmap& bitmap) {
    return {std::max<std::int64_t>(left, 0), std::max<std::int64_t>(top, 0),
            std::min<std::int64_t>(right, bitmap.Width()),
            std::min<std::int64_t>(bottom, bitmap.Height())};
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
        const std::int64_t w = right - left;
        const std::int64_t h = bottom - top;
        row(top, left, right - 1, 1, 0);
        column(right - 1, top + 1, bottom - 1, 1, w);
        if (h >= 2) row(bottom - 1, right - 2, left, -1, w + h - 1);
        if (w >= 2) column(left, bottom - 2, top + 1, -1, 2 * w + h - 2);
    }
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
    std::vector<std::uint64_t> penPixels;
    if (outline) {
        TracePath(points, true, pen_.style, 0, width, height,
                  [&](int x, int y) { penPixels.push_back(PixelKey(x, y)); });
        std::sort(penPixels.begin(), penPixels.end());
        penPixels.erase(std::unique(penPixels.begin(), penPixels.end()), penPixels.end());
    }
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
    for (std::uint64_t key : penPixels) pen.Plot(int(key & 0xFFFFFFFFu), int(key >> 32));
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
        // A line that crosses itself must change the crossing pixel only once.
        std::vector<std::uint64_t> penPixels;
        TracePath(points, false, pen_.style, 0, width, height,
                  [&](int x, int y) { penPixels.push_back(PixelKey(x, y)); });
        std::sort(penPixels.begin(), penPixels.end());
        penPixels.erase(std::unique(penPixels.begin(), penPixels.end()), penPixels.end());
        for (std::uint64_t key : penPixels) pen.Plot(int(key & 0xFFFFFFFFu), int(key >> 32));
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
    dashPhase_ = int((dashPhase_ + line.Length()) % DashPeriod);
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
    std::int64_t width = std::min(std::int64_t(destination.right) - destination.left,
                                  std::int64_t(sourceRect.right) - sourceRect.left);
    std::int64_t height = std::min(std::int64_t(destination.bottom) - destination.top,
                                   std::int64_t(sourceRect.bottom) - sourceRect.top);
    std::int64_t sourceX = sourceRect.left;
    std::int64_t sourceY = sourceRect.top;
    std::int64_t targetX = destination.left;
    std::int64_t targetY = destination.top;
    // Moving a start edge into one bitmap moves the other's by the same amount.
    auto clipStart = [](std::int64_t& a, std::int64_t& b, std::int64_t& size) {
        const std::int64_t cut = std::max<std::int64_t>({0, -a, -b});
        a += cut;
        b += cut;
        size -= cut;
    };
    clipStart(sourceX, targetX, width);
    clipStart(sourceY, targetY, height);
    width = std::min({width, source.Width() - sourceX, bitmap_.Width() - targetX});
    height = std::min({height, source.Height() - sourceY, bitmap_.Height() - targetY});
    if (width <= 0 || height <= 0) return;

    if (&source == &bitmap_) {
        // Copying within one bitmap: take the source area first so overlaps read old pixels.
        Bitmap area(int(width), int(height), source.Format());
        area.SetPalette(source.Palette());
        const std::size_t rowBytes = std::size_t(width) * std::size_t(source.BytesPerPixel());
        for (std::int64_t y = 0; y < height; ++y)
            std::memcpy(area.Row(int(y)),
                        source.Row(int(sourceY + y)) +
                            std::size_t(sourceX) * std::size_t(source.BytesPerPixel()),
                        rowBytes);
        CopyRect({int(targetX), int(targetY), int(targetX + width), int(targetY + height)}, area,
                 {0, 0, int(width), int(height)});
        return;
    }

    const int targetBytes = bitmap_.BytesPerPixel();
    const int sourceBytes = source.BytesPerPixel();
    const bool sameBytes =
        source.Format() == bitmap_.Format() &&
        (source.Format() != PixelFormat::Indexed8 || source.Palette() == bitmap_.Palette());
    std::vector<DevicePixel> indexTable;  // for an 8-bit source: each index's target bytes
    if (!sameBytes && source.Format() == PixelFormat::Indexed8) {
        indexTable.resize(256);
        const auto& palette = source.Palette();
        for (int i = 0; i < 256; ++i) {
            const Colour colour =
                std::size_t(i) < palette.size()
                    ? MakeColour(palette[i].red, palette[i].green, palette[i].blue)
                    : MakeColour(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
            indexTable[i] = ToDevicePixel(bitmap_, colour);
        }
    }
    // Nearest-palette searches are linear, so a many-coloured source is looked up once a colour.
    std::unordered_map<Colour, DevicePixel> nearest;

    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from =
            source.Row(int(sourceY + y)) + std::size_t(sourceX) * std::size_t(sourceBytes);
        std::uint8_t* to =
            bitmap_.Row(int(targetY + y)) + std::size_t(targetX) * std::size_t(targetBytes);
        if (sameBytes) {
            std::memcpy(to, from, std::size_t(width) * std::size_t(targetBytes));
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x, to += targetBytes) {
            DevicePixel pixel;
            if (!indexTable.empty()) {
                pixel = indexTable[from[x]];
            } else {
                const Colour colour = source.PixelColour(int(sourceX + x), int(sourceY + y));
                if (bitmap_.Format() == PixelFormat::Indexed8) {
                    auto found = nearest.find(colour);
                    if (found == nearest.end())
                        found = nearest.emplace(colour, ToDevicePixel(bitmap_, colour)).first;
                    pixel = found->second;
                } else {
                    pixel = ToDevicePixel(bitmap_, colour);
                }
            }
            std::memcpy(to, pixel.bytes, std::size_t(targetBytes));
        }
    }
    bitmap_.MarkModified();
}

void Canvas::Draw(int x, int y, const Bitmap& source) {
    CopyRect({x, y, int(std::min<std::int64_t>(std::int64_t(x) + source.Width(), INT32_MAX)),
              int(std::min<std::int64_t>(std::int64_t(y) + source.Height(), INT32_MAX))},
             source, {0, 0, source.Width(), source.Height()});
}
