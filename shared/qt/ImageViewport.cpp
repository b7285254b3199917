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
    origin_ = QPointF(view_.width(), view_.height()) / 2 - centre * scale_;
    KeepInView();
}

double ImageViewport::FitScale() const {
    if (picture_.isEmpty() || view_.isEmpty()) return 1;
    return std::min(view_.width() / picture_.width(), view_.height() / picture_.height());
}

void ImageViewport::Fit() {
    scale_ = FitScale();
    fitted_ = true;
    KeepInView();
}

void ImageViewport::ZoomTo(double scale, QPointF about) {
    // Never smaller than the fitted picture (or one pixel a pixel, if that is smaller still).
    const double smallest = std::min(FitScale(), 1.0);
    scale = std::clamp(scale, smallest, std::max(kMaxScale, smallest));
    const QPointF held = PictureAt(about);
    scale_ = scale;
    origin_ = about - held * scale_;
    fitted_ = false;
    KeepInView();
}

void ImageViewport::PanBy(QPointF delta) {
    origin_ += delta;
    fitted_ = false;
    KeepInView();
}

void ImageViewport::KeepInView() {
    const double width = picture_.width() * scale_, height = picture_.height() * scale_;
    auto place = [](double origin, double size, double room) {
        if (size <= room) return (room - size) / 2;
        return std::clamp(origin, room - size, 0.0);
    };
    origin_ = QPointF(place(origin_.x(), width, view_.width()),
                      place(origin_.y(), height, view_.height()));
}

QRectF ImageViewport::PictureRect() const { return QRectF(origin_, picture_ * scale_); }

QRectF ImageViewport::VisiblePicture() const {
    return QRectF(PictureAt(QPointF(0, 0)), view_ / scale_) & QRectF(QPointF(0, 0), picture_);
}

}  // namespace qtui
