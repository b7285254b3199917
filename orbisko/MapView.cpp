#include "MapView.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "Canvas.h"
#include "CountriesFormat.h"

namespace {

// Far enough outside any image to be clipped away, near enough that pixel arithmetic on it
// cannot overflow.
constexpr long double kFarPixel = 1 << 28;

// rint, not nearbyint: the same in the default rounding mode, which nothing here changes, and
// one inline instruction instead of a library call that saves and restores the FPU state. The
// whole number it gives passes through double, exactly, because converting a long double
// straight to int switches the FPU's rounding mode twice, which stalls the pipeline.
int Nearest(long double value) {
    if (std::isnan(value)) return 0;
    return int(double(std::rint(std::clamp(value, -kFarPixel, kFarPixel))));
}

int ClampToWorld(std::int64_t value) {
    // Keeps repeated zooming out before a redraw from overflowing.
    return int(std::clamp<std::int64_t>(value, -1'000'000'000, 1'000'000'000));
}

}  // namespace

void TMapView::SetBounds(int west, int south, int east, int north) {
    MapWest = west;
    MapSouth = south;
    MapEast = east;
    MapNorth = north;
}

void TMapView::SetPreset(MapPreset preset) {
    switch (preset) {
        case MapPreset::World:
            SetBounds(-10800, -5400, 10800, 5400);
            break;
        case MapPreset::UK:
            SetBounds(-660, 2970, 120, 3540);
            break;
        case MapPreset::Scandinavia:
            SetBounds(-120, 3210, 780, 4230);
            break;
        case MapPreset::MiddleEast:
            SetBounds(960, 240, 6600, 1200);
            break;
    }
}

void TMapView::ZoomOut() {
    const std::int64_t halfWidth = (std::int64_t(MapEast) - MapWest) / 2;
    MapWest = ClampToWorld(MapWest - halfWidth);
    MapEast = ClampToWorld(MapEast + halfWidth);
    const std::int64_t halfHeight = (std::int64_t(MapNorth) - MapSouth) / 2;
    MapSouth = ClampToWorld(MapSouth - halfHeight);
    MapNorth = ClampToWorld(MapNorth + halfHeight);
}

void TMapView::ZoomToRectangle(int x0, int y0, int x1, int y1) {
    // Both corners are read in the view they were dragged in, before any bound changes.
    x1 = std::clamp(x1, 0, width_);
    y1 = std::clamp(y1, 0, height_);
    SetBounds(XToLon(x0), YToLat(y0), XToLon(x1), YToLat(y1));
}

// 1.5708, not pi/2: the quarter turn the program has always used, so maps keep the scale
// they were drawn at.
long double TMapView::LatitudeStretch(long double middleLatitude) {
    return 1 / std::cos(1.5708L * middleLatitude / 5400);
}

// South and north for a view at this longitude scale with the given latitude below the given
// row (counted up from the bottom), such that SetScales finds the same scale across and up: the
// latitude scale depends on the middle latitude it helps to place, so it is found by a few
// rounds of refining.
void TMapView::FitLatitudes(long double xScale, long double latitude, long double rowsUp) {
    long double yScale = xScale / LatitudeStretch(latitude);
    long double south = latitude - rowsUp * yScale;
    for (int round = 0; round < 4; ++round) {
        south = latitude - rowsUp * yScale;
        yScale = xScale / LatitudeStretch(south + height_ * yScale / 2);
    }
    south = latitude - rowsUp * yScale;
    MapSouth = Nearest(south);
    MapNorth = Nearest(south + height_ * yScale);
}

void TMapView::ZoomAbout(int x, int y, long double factor) {
    if (XScale <= 0 || factor <= 0) return;
    const long double lon = x * XScale + MapWest, lat = (height_ - y) * YScale + MapSouth;
    const long double xScale = XScale / factor;
    if (width_ * xScale < kNearestSpan) return;
    const long double west = lon - x * xScale;
    MapWest = Nearest(west);
    MapEast = Nearest(west + width_ * xScale);
    FitLatitudes(xScale, lat, height_ - y);
}

void TMapView::PanBy(int dx, int dy, int anchorY) {
    if (XScale <= 0) return;
    // The shift stops where the image's edge meets the world's.
    auto shift = [](long double wanted, long double low, long double high, int limit) {
        return std::clamp<long double>(wanted, std::min<long double>(0, -limit - low),
                                       std::max<long double>(0, limit - high));
    };
    const long double east = MapWest + width_ * XScale, north = MapSouth + height_ * YScale;
    const long double lonShift = shift(-dx * XScale, MapWest, east, 10800);
    const long double latShift = shift(dy * YScale, MapSouth, north, 5400);
    const long double xScale = XScale;
    const long double anchorLatitude = MapSouth + (height_ - anchorY) * YScale + latShift;
    MapWest = Nearest(MapWest + lonShift);
    MapEast = Nearest(MapWest + width_ * xScale);
    FitLatitudes(xScale, anchorLatitude, height_ - anchorY);
}

void TMapView::SetImageSize(int width, int height) {
    if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
    const long double lon = MapWest + XScale * width_ / 2;
    const long double lat = MapSouth + YScale * height_ / 2;
    width_ = width;
    height_ = height;
    if (XScale <= 0) return;
    MapWest = Nearest(lon - XScale * width / 2);
    MapEast = Nearest(lon + XScale * width / 2);
    FitLatitudes(XScale, lat, height / 2.0L);
}

void TMapView::SetScales() {
    if (MapNorth < MapSouth) std::swap(MapNorth, MapSouth);
    if (MapEast < MapWest) std::swap(MapEast, MapWest);
    MapWest = std::clamp(MapWest, -10800, 10800);
    MapEast = std::clamp(MapEast, -10800, 10800);
    MapSouth = std::clamp(MapSouth, -5400, 5400);
    MapNorth = std::clamp(MapNorth, -5400, 5400);
    if (MapWest == MapEast && MapSouth == MapNorth) {
        // Both scales would be zero and every conversion a division by zero.
        SetBounds(lastWest_, lastSouth_, lastEast_, lastNorth_);
    }
    lastWest_ = MapWest;
    lastSouth_ = MapSouth;
    lastEast_ = MapEast;
    lastNorth_ = MapNorth;

    const long double latitudeStretch = LatitudeStretch((MapSouth + MapNorth) / 2.0L);
    const long double horizontalScale = (long double)(MapEast - MapWest) / width_;
    const long double verticalScale = (MapNorth - MapSouth) * latitudeStretch / height_;
    XScale = horizontalScale >= verticalScale ? horizontalScale : verticalScale;
    YScale = XScale / latitudeStretch;
}

int TMapView::LonToX(int lon) const { return Nearest((lon - MapWest) / XScale); }

int TMapView::XToLon(int x) const { return Nearest(x * XScale + MapWest); }

int TMapView::LatToY(int lat) const { return height_ - Nearest((lat - MapSouth) / YScale); }

int TMapView::YToLat(int y) const { return Nearest((height_ - y) * YScale + MapSouth); }

GeoTransform TMapView::PixelTransform() const {
    constexpr long double kMinutesPerDegree = 60;
    const MapPoint upperLeft{double(MapWest / kMinutesPerDegree),
                             double((height_ * YScale + MapSouth) / kMinutesPerDegree)};
    return GeoTransform::NorthUp(upperLeft, double(XScale / kMinutesPerDegree),
                                 double(YScale / kMinutesPerDegree));
}

Colour TMapView::BackgroundColour() const {
    return MonochromeMap ? MapColours::kMonochromeBackground : MapColours::kSeaColour;
}

SegmentFigure StyleSegment(std::uint8_t kind, bool monochrome, Colour& brush) {
    const int drawingClass = kind & countries::kClassMask;
    if (drawingClass == countries::kLand)
        brush = monochrome ? MapColours::kMonochromeLand : MapColours::kLandColour;
    else if (drawingClass == countries::kWater)
        brush = monochrome ? MapColours::kMonochromeLake : MapColours::kLakeColour;
    else if (drawingClass != countries::kKeepBrush)
        return SegmentFigure::None;
    return kind & countries::kOpenLineBit ? SegmentFigure::Polyline : SegmentFigure::Polygon;
}

Colour TMapView::DrawSegments(Bitmap& image, const TCartogList& segments) const {
    Canvas canvas(image);
    canvas.SetBrush(Brush{BackgroundColour(), BrushStyle::Solid});
    canvas.SetPen(Pen{Colours::Black, PenStyle::Solid, PenMode::Copy});
    canvas.Rectangle(0, 0, width_, height_);

    // Sized from the points the segments really hold, not from header counts, which a damaged
    // file can make arbitrarily large.
    std::vector<Point> buffer(std::size_t(segments.LargestSegment()));
    for (int index = 0; index < segments.Count(); ++index) {
        const TLineSegment& segment = segments.GetSegment(index);
        const std::span<Point> points(buffer.data(), std::size_t(segment.NumPoints));
        for (std::size_t j = 0; j < points.size(); ++j)
            points[j] = Point{LonToX(segment.Points[j].Lon), LatToY(segment.Points[j].Lat)};
        const SegmentFigure figure =
            StyleSegment(segment.Kind, MonochromeMap, canvas.GetBrush().colour);
        if (figure == SegmentFigure::None || points.empty()) continue;
        if (figure == SegmentFigure::Polyline)
            canvas.Polyline(points);
        else
            canvas.Polygon(points);
    }
    return canvas.GetBrush().colour;
}

PointF TMapView::Position(int lon, int lat) const {
    return {double((lon - MapWest) / XScale), double(height_ - (lat - MapSouth) / YScale)};
}

GeoBounds TMapView::Bounds() const {
    constexpr long double kMinutesPerDegree = 60;
    return {double((MapWest - XScale / 2) / kMinutesPerDegree),
            double((MapSouth + YScale / 2) / kMinutesPerDegree),
            double((MapWest + (width_ - 0.5L) * XScale) / kMinutesPerDegree),
            double((MapSouth + (height_ + 0.5L) * YScale) / kMinutesPerDegree)};
}

// Whether a figure's bounding box, widened by its outline, meets the image: one that does not
// cannot show, and a world map's worth of them would make every document as large as the world.
bool TMapView::ReachesImage(std::span<const PointF> points) const {
    if (points.empty()) return false;
    auto [left, right] = std::minmax_element(points.begin(), points.end(),
                                             [](PointF a, PointF b) { return a.x < b.x; });
    auto [top, bottom] = std::minmax_element(points.begin(), points.end(),
                                             [](PointF a, PointF b) { return a.y < b.y; });
    return right->x >= -1 && left->x <= width_ && bottom->y >= -1 && top->y <= height_;
}

void TMapView::DrawFigures(MapPainter& painter, const TCartogList& segments,
                           const Bitmap* heightColours) const {
    Colour brush = BackgroundColour();
    if (heightColours) painter.Image(*heightColours);
    painter.Rectangle(0, 0, width_, height_,
                      heightColours ? std::nullopt : std::optional<Colour>(brush));
    std::vector<PointF> points;
    for (int index = 0; index < segments.Count(); ++index) {
        const TLineSegment& segment = segments.GetSegment(index);
        const SegmentFigure figure = StyleSegment(segment.Kind, MonochromeMap, brush);
        if (figure == SegmentFigure::None || segment.NumPoints <= 0) continue;
        points.clear();
        const std::size_t count = std::min(std::size_t(segment.NumPoints), segment.Points.size());
        for (std::size_t j = 0; j < count; ++j)
            points.push_back(Position(segment.Points[j].Lon, segment.Points[j].Lat));
        if (!ReachesImage(points)) continue;
        if (figure == SegmentFigure::Polyline)
            painter.Polyline(points);
        else
            painter.Polygon(points, heightColours ? std::nullopt : std::optional<Colour>(brush));
    }
}
