#include "ImageView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <optional>

#include "BitmapImage.h"

namespace qtui {

namespace {

constexpr double kKmPerDegree = 111.32;  // along the equator, WGS 84
constexpr double kScaleBarPixels = 120;  // the longest a scale bar grows
constexpr double kArrowStep = 0.125;     // of the view, per arrow key

std::optional<ui::MouseButton> ButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return ui::MouseButton::Left;
        case Qt::RightButton:
            return ui::MouseButton::Right;
        case Qt::MiddleButton:
            return ui::MouseButton::Middle;
        default:
            return std::nullopt;
    }
}

QString DegreesText(double value, char positive, char negative) {
    return QString("%1\u00B0 %2")
        .arg(std::fabs(value), 0, 'f', 4)
        .arg(value < 0 ? negative : positive);
}

// The longest round length (1, 2 or 5 times a power of ten) that fits in the given kilometres.
double RoundLength(double kilometres) {
    const double power = std::pow(10.0, std::floor(std::log10(kilometres)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= kilometres) return step * power;
    return power;
}

}  // namespace

ImageView::ImageView(ui::Image& image, EventRunner runEvent, QWidget* parent)
    : QWidget(parent), image_(image), runEvent_(std::move(runEvent)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // Keys reach the view from anywhere in the window (FormView), so it need not take the
    // focus from the buttons, which the keyboard uses.
    if (image_.navigable || image_.OnMouseWheel) setFocusPolicy(Qt::ClickFocus);
    SyncPixelRatio();
}

double ImageView::PictureRatio() const { return image_.devicePixels ? image_.pixelRatio : 1.0; }

// The form draws at the ratio the screen has now: told once at the start and again whenever the
// window moves to a screen of another ratio.
void ImageView::SyncPixelRatio() {
    if (!image_.devicePixels || image_.pixelRatio == devicePixelRatioF()) return;
    image_.pixelRatio = devicePixelRatioF();
    if (image_.OnPixelRatioChange) runEvent_(image_.OnPixelRatioChange);
}

bool ImageView::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal) SyncPixelRatio();
    return QWidget::event(event);
}

void ImageView::PictureMayHaveChanged() { scaled_ = QImage(); }

const QImage& ImageView::Scaled(const Bitmap& bitmap) {
    if (scaled_.isNull() || scaled_.size() != size() || scaledFrom_ != &bitmap ||
        scaledCount_ != bitmap.ModificationCount()) {
        scaled_ = ScaledImage(bitmap, size(), image_.lineDrawing);
        scaledFrom_ = &bitmap;
        scaledCount_ = bitmap.ModificationCount();
    }
    return scaled_;
}

// The picture as it is now, with its reduced levels made again only when it has changed.
const QImage& ImageView::Whole(const Bitmap& bitmap) {
    if (whole_.isNull() || wholeFrom_ != &bitmap || wholeCount_ != bitmap.ModificationCount() ||
        whole_.size() != QSize(bitmap.Width(), bitmap.Height())) {
        whole_ = DisplayImage(bitmap);
        wholeFrom_ = &bitmap;
        wholeCount_ = bitmap.ModificationCount();
        levels_.reset();
    }
    return whole_;
}

double ImageView::DevicePixelsPerPicturePixel() const {
    return viewport_.Scale() * devicePixelRatioF();
}

// A new picture size or a change between stretched and not starts the view afresh: fitted, or
// one picture pixel to a device pixel about the centre.
void ImageView::SyncViewport() {
    bool restart = false;
    const Bitmap* picture = image_.Picture();
    if (picture && QSizeF(picture->Width(), picture->Height()) != viewport_.PictureSize()) {
        viewport_.SetPictureSize(QSizeF(picture->Width(), picture->Height()));
        restart = true;
    }
    viewport_.SetViewSize(QSizeF(size()));
    if (wasStretched_ != image_.Stretch()) {
        wasStretched_ = image_.Stretch();
        restart = true;
    }
    if (!restart) return;
    viewport_.Fit();
    if (!image_.Stretch()) viewport_.ZoomTo(1 / devicePixelRatioF(), QPointF(rect().center()));
}

void ImageView::paintEvent(QPaintEvent* event) {
    SyncPixelRatio();
    const Bitmap* picture = image_.Picture();
    if (!picture || picture->IsEmpty() || width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    if (image_.navigable) {
        SyncViewport();
        PaintNavigable(painter, *picture);
    } else if (image_.Stretch()) {
        painter.drawImage(QPoint(0, 0), Scaled(*picture));
    } else {
        PaintWhole(painter, *picture, event->rect());
    }
    if (image_.scaleBar) PaintScaleBar(painter);
}

void ImageView::PaintWhole(QPainter& painter, const Bitmap& picture, QRect dirty) {
    const QRect bounds(0, 0, picture.Width(), picture.Height());
    const double ratio = PictureRatio();
    if (ratio == 1) {
        const QRect area = dirty & bounds;
        if (!area.isEmpty()) painter.drawImage(area.topLeft(), Whole(picture), area);
        return;
    }
    const QRect area =
        QRectF(QPointF(dirty.topLeft()) * ratio, QSizeF(dirty.size()) * ratio).toAlignedRect() &
        bounds;
    if (area.isEmpty()) return;
    QImage part = Whole(picture).copy(area);
    part.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(area.topLeft()) / ratio, part);
}

void ImageView::PaintNavigable(QPainter& painter, const Bitmap& picture) {
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    const QImage& whole = Whole(picture);
    const QRectF visible = viewport_.VisiblePicture();
    if (visible.isEmpty()) return;
    const double deviceScale = DevicePixelsPerPicturePixel();
    if (deviceScale < 0.5 && !levels_) levels_.emplace(picture, image_.lineDrawing);
    const int level = levels_ ? levels_->Choose(deviceScale) : 0;
    const QImage& shown = level ? levels_->LevelImage(level) : whole;
    const double xFactor = double(shown.width()) / picture.Width();
    const double yFactor = double(shown.height()) / picture.Height();
    const QRectF source(visible.left() * xFactor, visible.top() * yFactor,
                        visible.width() * xFactor, visible.height() * yFactor);
    // Only the part shown is handed to the painter, which would otherwise convert the whole
    // picture to its own format at every repaint.
    const QRect part = source.toAlignedRect() & shown.rect();
    const QRectF target(viewport_.ViewAt(visible.topLeft()),
                        viewport_.ViewAt(visible.bottomRight()));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, deviceScale < 1);
    painter.drawImage(target, shown.copy(part), source.translated(-part.topLeft()));
}

void ImageView::PaintScaleBar(QPainter& painter) {
    const Bitmap* picture = image_.Picture();
    if (!image_.degrees || !picture || picture->IsEmpty()) return;
    const ui::PictureDegrees& degrees = *image_.degrees;
    const int reduction = std::max(1, image_.reduction);
    QPointF at = pointerInside_ ? PicturePosition(pointer_)
                                : PicturePosition(QPointF(width(), height()) / 2);
    const double latitude = degrees.centreLat + (at.y() * reduction - 0.5) * degrees.latPerRow;
    double viewScale = image_.navigable   ? viewport_.Scale()
                       : image_.Stretch() ? double(width()) / picture->Width()
                                          : 1 / PictureRatio();
    const double kmPerPixel = std::fabs(degrees.lonPerColumn) * reduction / viewScale *
                              kKmPerDegree *
                              std::cos(std::clamp(latitude, -90.0, 90.0) * M_PI / 180);
    if (!(kmPerPixel > 0) || !std::isfinite(kmPerPixel)) return;
    const double kilometres = RoundLength(kScaleBarPixels * kmPerPixel);
    const int length = int(std::lround(kilometres / kmPerPixel));
    const QString label =
        kilometres >= 1 ? QString("%1 km").arg(kilometres) : QString("%1 m").arg(kilometres * 1000);
    const QFontMetrics metrics(font());
    const int margin = 8, textHeight = metrics.height();
    const QRect box(margin, height() - margin - textHeight - 10,
                    std::max(length, metrics.horizontalAdvance(label)) + 8, textHeight + 8);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, QColor(255, 255, 255, 200));
    const int barY = box.bottom() - 4;
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(box.left() + 4, barY, box.left() + 4 + length, barY);
    painter.drawLine(box.left() + 4, barY - 4, box.left() + 4, barY);
    painter.drawLine(box.left() + 4 + length, barY - 4, box.left() + 4 + length, barY);
    painter.drawText(box.left() + 4, box.top() + 2 + metrics.ascent(), label);
}

void ImageView::resizeEvent(QResizeEvent*) {
    if (image_.navigable) SyncViewport();
}

QPointF ImageView::PicturePosition(QPointF position) const {
    if (image_.navigable) return viewport_.PictureAt(position);
    const Bitmap* picture = image_.Picture();
    if (image_.Stretch() && picture && width() > 0 && height() > 0)
        return QPointF(position.x() * picture->Width() / width(),
                       position.y() * picture->Height() / height());
    return position * PictureRatio();
}

QPoint ImageView::FormPosition(QPointF position) const {
    if (!image_.navigable && PictureRatio() == 1) return position.toPoint();
    const QPointF at = PicturePosition(position);
    return QPoint(int(std::floor(at.x())), int(std::floor(at.y())));
}

QString ImageView::StatusAt(QPointF position) const {
    QStringList parts;
    const Bitmap* picture = image_.Picture();
    if (picture && !picture->IsEmpty()) {
        const QPointF at = PicturePosition(position);
        const int reduction = std::max(1, image_.reduction);
        // Where the pointer is in the full image, which a reduced picture stands for.
        const QPointF full = at * reduction;
        const int column = int(std::floor(full.x())), row = int(std::floor(full.y()));
        if (at.x() >= 0 && at.y() >= 0 && at.x() < picture->Width() && at.y() < picture->Height()) {
            if (image_.degrees) {
                const ui::PictureDegrees& degrees = *image_.degrees;
                const double lon = degrees.centreLon + (full.x() - 0.5) * degrees.lonPerColumn;
                const double lat = degrees.centreLat + (full.y() - 0.5) * degrees.latPerRow;
                parts << DegreesText(lat, 'N', 'S') + "  " + DegreesText(lon, 'E', 'W');
            }
            if (image_.DescribePixel) {
                const std::string value = image_.DescribePixel(column, row);
                if (!value.empty()) parts << ToQString(value);
            }
        }
        if (image_.navigable) {
            parts << QString("Zoom %1%")
                         .arg(std::lround(DevicePixelsPerPicturePixel() / reduction * 100));
        } else if (image_.degrees && image_.degrees->lonPerColumn != 0) {
            const double times = 360.0 / (double(picture->Width()) * reduction) /
                                 std::fabs(image_.degrees->lonPerColumn);
            parts << QString("Zoom \u00D7%1").arg(times, 0, 'g', times < 10 ? 2 : 4);
        }
    }
    return parts.join("    ");
}

void ImageView::ShowStatus(const QString& text) {
    if (auto* main = qobject_cast<QMainWindow*>(window())) main->statusBar()->showMessage(text);
}

void ImageView::mousePressEvent(QMouseEvent* event) {
    const bool panButton = event->button() == Qt::MiddleButton ||
                           (event->button() == Qt::LeftButton && !image_.OnMouseDown);
    if (image_.navigable && panButton && !panFrom_) {
        panFrom_ = event->position();
        panButton_ = event->button();
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    auto button = ButtonOf(event->button());
    if (!button || !image_.OnMouseDown) return;
    QPoint at = FormPosition(event->position());
    runEvent_([&] { image_.OnMouseDown(*button, at.x(), at.y()); });
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = event->position();
    pointerInside_ = rect().contains(pointer_.toPoint());
    if (panFrom_) {
        viewport_.PanBy(pointer_ - *panFrom_);
        panFrom_ = pointer_;
        update();
    } else if (image_.OnMouseMove) {
        QPoint at = FormPosition(pointer_);
        runEvent_([&] { image_.OnMouseMove(at.x(), at.y()); });
    }
    if (image_.scaleBar) update();
    ShowStatus(StatusAt(pointer_));
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (panFrom_ && event->button() == panButton_) {
        panFrom_.reset();
        unsetCursor();
        return;
    }
    auto button = ButtonOf(event->button());
    if (!button || !image_.OnMouseUp) return;
    QPoint at = FormPosition(event->position());
    runEvent_([&] { image_.OnMouseUp(*button, at.x(), at.y()); });
}

void ImageView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (image_.navigable) {
        SyncViewport();
        viewport_.ZoomBy(std::pow(ImageViewport::kStepFactor, notches), event->position());
        update();
        ShowStatus(StatusAt(event->position()));
        event->accept();
        return;
    }
    // A fine-grained wheel sends parts of a notch; only whole ones count.
    const int whole = int(std::trunc(notches));
    if (!image_.OnMouseWheel || whole == 0) return event->ignore();
    const QPoint at = FormPosition(event->position());
    runEvent_([&] { image_.OnMouseWheel(at.x(), at.y(), whole); });
    event->accept();
}

void ImageView::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) QWidget::keyPressEvent(event);
}

bool ImageView::HandleKey(QKeyEvent* event) {
    if (!isVisible() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const QPointF centre = QPointF(width(), height()) / 2;
    if (!image_.navigable) {
        const int notches = event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal ? 1
                            : event->key() == Qt::Key_Minus                               ? -1
                                                                                          : 0;
        if (notches == 0 || !image_.OnMouseWheel) return false;
        const QPointF at = centre * PictureRatio();
        runEvent_([&] { image_.OnMouseWheel(int(at.x()), int(at.y()), notches); });
        return true;
    }
    SyncViewport();
    const QPointF step(width() * kArrowStep, height() * kArrowStep);
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            viewport_.ZoomBy(ImageViewport::kStepFactor, centre);
            break;
        case Qt::Key_Minus:
            viewport_.ZoomBy(1 / ImageViewport::kStepFactor, centre);
            break;
        case Qt::Key_0:
            viewport_.Fit();
            break;
        case Qt::Key_1:
            viewport_.ZoomTo(1 / devicePixelRatioF(), centre);
            break;
        case Qt::Key_Left:
            viewport_.PanBy(QPointF(step.x(), 0));
            break;
        case Qt::Key_Right:
            viewport_.PanBy(QPointF(-step.x(), 0));
            break;
        case Qt::Key_Up:
            viewport_.PanBy(QPointF(0, step.y()));
            break;
        case Qt::Key_Down:
            viewport_.PanBy(QPointF(0, -step.y()));
            break;
        default:
            return false;
    }
    update();
    if (pointerInside_) ShowStatus(StatusAt(pointer_));
    return true;
}

void ImageView::leaveEvent(QEvent*) {
    pointerInside_ = false;
    if (image_.scaleBar) update();
    ShowStatus(QString());
}

// While a button is held Qt already sends every move and the release here; an explicit grab
// is only needed for a capture asked for without one.
void ImageView::SyncCapture() {
    if (image_.MouseCaptured() && !grabbed_ && QApplication::mouseButtons() == Qt::NoButton &&
        isVisible()) {
        grabMouse();
        grabbed_ = true;
    } else if (!image_.MouseCaptured() && grabbed_) {
        releaseMouse();
        grabbed_ = false;
    }
}

}  // namespace qtui
