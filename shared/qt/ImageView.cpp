#include "ImageView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <optional>

#include "BitmapImage.h"

namespace qtui {

namespace {

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

}  // namespace

ImageView::ImageView(ui::Image& image, EventRunner runEvent, QWidget* parent)
    : QWidget(parent), image_(image), runEvent_(std::move(runEvent)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

const QImage& ImageView::Scaled(const Bitmap& bitmap) {
    if (scaled_.isNull() || scaled_.size() != size() || scaledFrom_ != &bitmap ||
        scaledCount_ != bitmap.ModificationCount()) {
        scaled_ = ScaledImage(bitmap, size(), image_.lineDrawing);
        scaledFrom_ = &bitmap;
        scaledCount_ = bitmap.ModificationCount();
    }
    return scaled_;
}

void ImageView::paintEvent(QPaintEvent* event) {
    const Bitmap* picture = image_.Picture();
    if (!picture || picture->IsEmpty() || width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    if (image_.Stretch()) {
        painter.drawImage(QPoint(0, 0), Scaled(*picture));
    } else {
        QRect area = event->rect() & QRect(0, 0, picture->Width(), picture->Height());
        if (!area.isEmpty()) painter.drawImage(area.topLeft(), DisplayImage(*picture), area);
    }
}

void ImageView::mousePressEvent(QMouseEvent* event) {
    auto button = ButtonOf(event->button());
    if (!button || !image_.OnMouseDown) return;
    QPoint at = event->position().toPoint();
    runEvent_([&] { image_.OnMouseDown(*button, at.x(), at.y()); });
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    if (!image_.OnMouseMove) return;
    QPoint at = event->position().toPoint();
    runEvent_([&] { image_.OnMouseMove(at.x(), at.y()); });
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    auto button = ButtonOf(event->button());
    if (!button || !image_.OnMouseUp) return;
    QPoint at = event->position().toPoint();
    runEvent_([&] { image_.OnMouseUp(*button, at.x(), at.y()); });
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
