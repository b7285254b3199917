#pragma once
// A drawing surface bound to one bitmap. Pixel-exact, because outputs are compared byte for byte:
//  - Rectangle(x1, y1, x2, y2) covers columns x1..x2-1 and rows y1..y2-1; its outermost pixels
//    take the pen (unless the pen is clear), the rest the brush (unless the brush is clear).
//    With a clear pen a rectangle's brush covers all of it, as a polygon of its corners would.
//  - Polygon fills by the even-odd rule: pixel (x, y) is inside when the point (x, y) is, points
//    on a left or top edge counting as inside and on a right or bottom edge as outside; then the
//    closed outline is drawn with the pen. Polyline draws the open outline only.
//  - MoveTo/LineTo draw a one-pixel Bresenham line up to but not including the end point, which
//    becomes the pen position.
//  - A dashed pen draws kDashPixels pixels, leaves kDashGapPixels untouched, and so on; the pattern
//    starts afresh with each Rectangle, Polygon or Polyline and at each MoveTo (consecutive
//    LineTo calls continue it), so a figure drawn twice covers the same pixels both times.
//  - In exclusive-or mode pen and brush pixels are XORed into the bitmap (each pixel of a figure
//    once, the pen's where pen and brush meet), so drawing the same figure twice restores it.
//  - Everything is clipped to the bitmap, at a cost that does not grow with how far coordinates
//    lie outside it. Colours drawn into an 8-bit bitmap become the nearest palette entry, looked
//    up once per drawing call.
#include <span>

#include "Bitmap.h"
#include "Colour.h"
#include "Geometry.h"
#include "PolygonFill.h"

enum class PenStyle { Solid, Dashed, Clear };
enum class PenMode { Copy, Xor };
enum class BrushStyle { Solid, Clear };

struct Pen {
    Colour colour = Colours::Black;
    PenStyle style = PenStyle::Solid;
    PenMode mode = PenMode::Copy;
};

struct Brush {
    Colour colour = Colours::White;
    BrushStyle style = BrushStyle::Solid;
};

class Canvas {
public:
    static constexpr int kDashPixels = 18;
    static constexpr int kDashGapPixels = 6;

    explicit Canvas(Bitmap& bitmap) : bitmap_(bitmap) {}

    Pen& GetPen() { return pen_; }
    Brush& GetBrush() { return brush_; }
    void SetPen(const Pen& pen) { pen_ = pen; }
    void SetBrush(const Brush& brush) { brush_ = brush; }
    Point PenPosition() const { return penPosition_; }

    void Rectangle(int x1, int y1, int x2, int y2);
    void Polygon(std::span<const Point> points);
    // The brush's part of a Polygon with a Copy pen, from its spans (ForEachEvenOddSpan's),
    // for rows firstRow..lastRow-1 only: a fill painted band by band.
    void FillSpans(std::span<const RowSpan> spans, int firstRow, int lastRow);
    void Polyline(std::span<const Point> points);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    Colour GetPixel(int x, int y) const;         // 0xFFFFFFFF outside the bitmap
    void SetPixel(int x, int y, Colour colour);  // always copies, whatever the pen mode

    // Copies the source rectangle of a bitmap (this one too) onto the destination rectangle, one
    // pixel to one pixel: the smaller of the two sizes is copied, clipped to both bitmaps, with
    // pixels converted through their colours when the formats or palettes differ.
    void CopyRect(const Rect& destination, const Bitmap& source, const Rect& sourceRect);
    // Draws a whole bitmap with its top-left corner at (x, y), clipped.
    void Draw(int x, int y, const Bitmap& source);

private:
    Bitmap& bitmap_;
    Pen pen_;
    Brush brush_;
    Point penPosition_;
    int dashPhase_ = 0;  // dash pattern position reached by the LineTo calls since MoveTo
};
