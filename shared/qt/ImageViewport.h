#pragma once
// Where a picture lies in a view the user zooms and pans: a scale (view pixels per picture pixel)
// and the view position of the picture's top-left corner. Fitted, the whole picture shows at the
// largest scale that keeps its shape, centred, with bands beside or above it; the view keeps
// fitting as it resizes until the user zooms or pans. A picture larger than the view cannot be
// panned past its edges (beyond the band a zoom from the fitted view leaves, which closes as the
// picture grows), one smaller stays wholly in view, so the user never loses it.
// Positions are in view pixels (Qt's logical pixels); picture positions run from 0 to the
// picture's size, pixel (c, r) covering c..c+1 and r..r+1.
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace qtui {

class ImageViewport {
public:
    static constexpr double kMaxScale = 64;
    // One press of + or -, or one wheel notch.
    static constexpr double kStepFactor = 1.25;

    void SetPictureSize(QSizeF size);
    void SetViewSize(QSizeF size);
    QSizeF PictureSize() const { return picture_; }
    QSizeF ViewSize() const { return view_; }

    void Fit();
    bool Fitted() const { return fitted_; }
    // Sets the scale, keeping the picture point under the given view point where it is.
    void ZoomTo(double scale, QPointF about);
    void ZoomBy(double factor, QPointF about) { ZoomTo(scale_ * factor, about); }
    void PanBy(QPointF delta);

    double Scale() const { return scale_; }
    double FitScale() const;
    QPointF Origin() const { return origin_; }
    QPointF PictureAt(QPointF viewPoint) const { return (viewPoint - origin_) / scale_; }
    QPointF ViewAt(QPointF picturePoint) const { return picturePoint * scale_ + origin_; }
    // The picture's area in the view, and the part of the picture the view shows.
    QRectF PictureRect() const;
    QRectF VisiblePicture() const;

private:
    enum class Change { Placed, Zoomed, Panned };
    // Keeps the picture in view after a change; before is where it lay.
    void KeepInView(Change change, QRectF before);

    QSizeF picture_;
    QSizeF view_;
    double scale_ = 1;
    QPointF origin_;
    bool fitted_ = true;
};

}  // namespace qtui
