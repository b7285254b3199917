#pragma once
// The map viewer's view of the world: a requested rectangle in whole arc-minutes (east and
// north positive) fitted into the image with an equidistant cylindrical projection whose
// vertical scale is shortened by the cosine of the view's middle latitude. The rectangle is
// anchored at the image's bottom-left (west, south); spare room lies east or north.
//
// Scales are arc-minutes per pixel in long double. Conversions round halves to even and
// saturate far outside the image rather than overflow. A view of no width and no height
// (a click without a drag) cannot be fitted, so SetScales falls back to the last view that
// could.
#include <cstdint>
#include <span>

#include "Bitmap.h"
#include "Cartography.h"
#include "GeoReference.h"
#include "MapDocument.h"
#include "MapPainter.h"

enum class MapPreset { World, UK, Scandinavia, MiddleEast };

class TMapView {
public:
    explicit TMapView(int imageWidth = 900, int imageHeight = 450)
        : width_(imageWidth), height_(imageHeight) {}

    int ImageWidth() const { return width_; }
    int ImageHeight() const { return height_; }

    void SetBounds(int west, int south, int east, int north);
    void SetPreset(MapPreset preset);
    // Roughly doubles the span about the same centre; the next SetScales clamps it to the world.
    void ZoomOut();
    // The first corner gives west and south, the second (clamped to the image) east and north.
    void ZoomToRectangle(int x0, int y0, int x1, int y1);
    // The window's own ways, each for the current scales: the bounds of the view that keeps the
    // place under pixel (x, y) there at the given factor of magnification (above 1 nearer), no
    // nearer than kNearestSpan across; the view moved with a drag of (dx, dy) pixels, no
    // further than the world's edge, keeping the place dragged on row anchorY under the pointer
    // (the vertical scale changes with the middle latitude); the view of a new image size at
    // the same scale about the same centre.
    static constexpr int kNearestSpan = 16;
    void ZoomAbout(int x, int y, long double factor);
    void PanBy(int dx, int dy, int anchorY);
    void SetImageSize(int width, int height);

    void SetScales();
    int LonToX(int lon) const;
    int XToLon(int x) const;
    int LatToY(int lat) const;
    int YToLat(int y) const;
    // XToLon and YToLat before their rounding, in degrees: the centre of pixel (x, y), where
    // the drawing puts the points that round to it.
    GeoTransform PixelTransform() const;

    // LonToX and LatToY before their rounding.
    PointF Position(int lon, int lat) const;
    // Degrees of the image's outer edges, half a pixel beyond the centres of its outer pixels.
    GeoBounds Bounds() const;

    // The background and every drawable segment, with the current scales, into a bitmap of the
    // image's size. Returns the brush colour the last segment left on the canvas.
    Colour DrawSegments(Bitmap& image, const TCartogList& segments) const;
    // The same map as figures at unrounded positions. With height colours (the coloured image),
    // they lie beneath, and the figures are the outlines only.
    void DrawFigures(MapPainter& painter, const TCartogList& segments,
                     const Bitmap* heightColours) const;

    int MapWest = -10800;
    int MapSouth = -5400;
    int MapEast = 10800;
    int MapNorth = 5400;
    long double XScale = 0;
    long double YScale = 0;
    bool MonochromeMap = false;

private:
    int width_;
    int height_;
    // The bounds of the last view that could be fitted.
    int lastWest_ = -10800;
    int lastSouth_ = -5400;
    int lastEast_ = 10800;
    int lastNorth_ = 5400;

    static long double LatitudeStretch(long double middleLatitude);
    void FitLatitudes(long double xScale, long double latitude, long double rowsUp);
    Colour BackgroundColour() const;
    bool ReachesImage(std::span<const PointF> points) const;
};

// How a segment of the given kind is drawn, after setting the brush as its class asks (the
// keep-brush class leaves the brush as the previous segment left it).
enum class SegmentFigure { None, Polyline, Polygon };
SegmentFigure StyleSegment(std::uint8_t kind, bool monochrome, Colour& brush);

namespace MapColours {
constexpr Colour kSeaColour = Colours::Blue;
constexpr Colour kLandColour = Colours::Green;
constexpr Colour kLakeColour = Colours::Aqua;
constexpr Colour kMonochromeBackground = Colours::White;
constexpr Colour kMonochromeLand = Colours::Silver;
constexpr Colour kMonochromeLake = Colours::White;
}  // namespace MapColours
