#include "QtMapPainter.h"

#include <QImage>
#include <QPainterPath>
#include <QPolygonF>

#include "Errors.h"

namespace {

constexpr double kDotLength = 1.0 / 1024;

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

QPolygonF ToQPolygon(std::span<const PointF> points) {
    QPolygonF polygon;
    polygon.reserve(qsizetype(points.size()));
    for (const PointF& point : points) polygon.append(QPointF(point.x, point.y));
    return polygon;
}

}  // namespace

QtMapPainter::QtMapPainter(QPainter& painter) : painter_(painter) {
    painter_.translate(0.5, 0.5);
    // Square caps, so that an outline that never leaves its pixel still shows as a dot.
    QPen pen(Qt::black, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter_.setPen(pen);
}

void QtMapPainter::UseBrush(std::optional<Colour> brush) {
    if (brush)
        painter_.setBrush(ToQColor(*brush));
    else
        painter_.setBrush(Qt::NoBrush);
}

void QtMapPainter::Rectangle(int x1, int y1, int x2, int y2, std::optional<Colour> brush) {
    if (x2 <= x1 || y2 <= y1) return;
    if (brush) painter_.fillRect(QRectF(x1 - 0.5, y1 - 0.5, x2 - x1, y2 - y1), ToQColor(*brush));
    painter_.setBrush(Qt::NoBrush);
    // Through the centres of the outermost pixels.
    painter_.drawRect(QRectF(x1, y1, x2 - 1 - x1, y2 - 1 - y1));
}

void QtMapPainter::Polygon(std::span<const PointF> points, std::optional<Colour> brush) {
    if (points.empty()) return;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(ToQPolygon(points));
    path.closeSubpath();
    UseBrush(brush);
    painter_.drawPath(path);
}

void QtMapPainter::Polyline(std::span<const PointF> points) {
    if (points.empty()) return;
    const QPolygonF polyline = ToQPolygon(points);
    painter_.drawPolyline(polyline);
}

void QtMapPainter::Polylines(std::span<const std::vector<PointF>> lines) {
    QPainterPath path;
    for (const std::vector<PointF>& line : lines) {
        if (line.empty()) continue;
        path.moveTo(line.front().x, line.front().y);
        for (std::size_t i = 1; i < line.size(); ++i) path.lineTo(line[i].x, line[i].y);
        // The path drops steps that go nowhere, but a line that never leaves its point is a dot
        // on the raster: a length too small to see keeps it, and its square caps show it.
        if (path.currentPosition() == QPointF(line.front().x, line.front().y))
            path.lineTo(line.front().x + kDotLength, line.front().y);
    }
    if (path.isEmpty()) return;
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPath(path);
}

void QtMapPainter::Image(const Bitmap& image) {
    if (image.IsEmpty()) return;
    if (image.Format() != PixelFormat::Bgr24)
        throw EInvalidGraphicOperation("Unsupported bitmap format");
    const QImage view(image.Row(0), image.Width(), image.Height(), qsizetype(image.Stride()),
                      QImage::Format_BGR888);
    painter_.drawImage(QRectF(-0.5, -0.5, image.Width(), image.Height()), view);
}
