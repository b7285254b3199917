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
    KeepInView(before);
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
    const QRectF before = PictureRect();
    scale_ = scale;
    origin_ = about - held * scale_;
    fitted_ = false;
    KeepInView(before);
}

void ImageViewport::PanBy(QPointF delta) {
    const QRectF before = PictureRect();
    origin_ += delta;
    fitted_ = false;
    KeepInView(before);
}

// A band beside a picture larger than the view may stay as wide as it was: zoomed in about the
// pointer from the fitted view, the picture keeps the place under the pointer while the band
// closes as it grows, instead of jumping to the view's edge. No change widens a band.
void ImageViewport::KeepInView(std::optional<QRectF> before) {
    const QRectF was = before.value_or(QRectF(QPointF(0, 0), picture_ * scale_));
    const double width = picture_.width() * scale_, height = picture_.height() * scale_;
    auto place = [](double origin, double size, double room, double wasStart, double wasEnd) {
        if (size <= room) return (room - size) / 2;
        const double leadingBand = std::max(0.0, wasStart);
        const double trailingBand = std::max(0.0, room - wasEnd);
        return std::clamp(origin, room - size - trailingBand, leadingBand);
    };
    origin_ = QPointF(place(origin_.x(), width, view_.width(), was.left(), was.right()),
                      place(origin_.y(), height, view_.height(), was.top(), was.bottom()));
}

QRectF ImageViewport::PictureRect() const { return QRectF(origin_, picture_ * scale_); }

QRectF ImageViewport::VisiblePicture() const {
    return QRectF(PictureAt(QPointF(0, 0)), view_ / scale_) & QRectF(QPointF(0, 0), picture_);
}

}  // namespace qtui
