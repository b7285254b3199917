#include "ImageViewport.h"

#include <algorithm>

namespace qtui {

void ImageViewport::SetPictureSize(QSizeF size) {
    if (size == picture_) return;
    picture_ = size;
    Fit();
}

void ImageViewport::SetViewSize(QSizeF size) {
    if (size == view_) return;
    // The picture point at the view's centre stays there as the view resizes.
    const QPointF centre = PictureAt(QPointF(view_.width(), view_.height()) / 2);
    view_ = size;
    if (fitted_) {
        Fit();
        return;
    }
    const QRectF before = PictureRect();
    origin_ = QPointF(view_.width(), view_.height()) / 2 - centre * scale_;
    KeepInView(Change::Placed, before);
}

double ImageViewport::FitScale() const {
    if (picture_.isEmpty() || view_.isEmpty()) return 1;
    return std::min(view_.width() / picture_.width(), view_.height() / picture_.height());
}

void ImageViewport::Fit() {
    scale_ = FitScale();
    fitted_ = true;
    KeepInView(Change::Placed, PictureRect());
}

void ImageViewport::ZoomTo(double scale, QPointF about) {
    // Never smaller than the fitted picture (or one pixel a pixel, if that is smaller still).
    const double smallest = std::min(FitScale(), 1.0);
    scale = std::clamp(scale, smallest, std::max(kMaxScale, smallest));
    if (scale == FitScale()) {
        Fit();
        return;
    }
    const QPointF held = PictureAt(about);
    const QRectF before = PictureRect();
    scale_ = scale;
    origin_ = about - held * scale_;
    fitted_ = false;
    KeepInView(Change::Zoomed, before);
}

void ImageViewport::PanBy(QPointF delta) {
    const QRectF before = PictureRect();
    origin_ += delta;
    fitted_ = false;
    KeepInView(Change::Panned, before);
}

// The place under the pointer stays there as the picture grows: a band beside it (left by the
// fitted view of a picture of another shape) narrows instead of jumping shut, while the picture
// reaches past the view's other edge. No change widens a band; a picture that fits the view
// stays wholly in it, where a zoom out leaves it, and a drag does not move it.
void ImageViewport::KeepInView(Change change, QRectF before) {
    const double width = picture_.width() * scale_, height = picture_.height() * scale_;
    auto place = [change](double origin, double size, double room, double wasStart, double wasEnd) {
        const double leadingBand = std::max(0.0, wasStart);
        const double trailingBand = std::max(0.0, room - wasEnd);
        const double high = leadingBand;
        const double low = std::min(room - size - trailingBand, high);
        if (change == Change::Zoomed && size > wasEnd - wasStart)
            return std::clamp(origin, low, high);
        if (size <= room) {
            if (change == Change::Placed) return (room - size) / 2;
            return std::clamp(change == Change::Zoomed ? origin : wasStart, 0.0, room - size);
        }
        return std::clamp(origin, low, high);
    };
    origin_ = QPointF(place(origin_.x(), width, view_.width(), before.left(), before.right()),
                      place(origin_.y(), height, view_.height(), before.top(), before.bottom()));
}

QRectF ImageViewport::PictureRect() const { return QRectF(origin_, picture_ * scale_); }

QRectF ImageViewport::VisiblePicture() const {
    return QRectF(PictureAt(QPointF(0, 0)), view_ / scale_) & QRectF(QPointF(0, 0), picture_);
}

}  // namespace qtui
