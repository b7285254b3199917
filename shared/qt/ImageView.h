#pragma once
// The widget of a ui::Image. A navigable picture shows in a map view: fitted keeping its shape
// (or one picture pixel to a screen pixel), zoomed about the pointer by the wheel or + and -,
// panned by dragging (the middle button, and the left one where the form takes no presses) or
// the arrow keys, fitted again by 0 and set to one picture pixel a screen pixel by 1. A large
// picture is drawn from reduced levels made once (ReducedLevels.h), at the screen's device
// pixel ratio, so a 2x screen shows full detail.
// Any other picture paints stretched to the widget or one pixel per pixel from the top-left
// corner, a stretched one scaled once and kept until it changes.
// Mouse presses, moves and releases reach the form in picture pixels (a navigable picture) or
// the widget's own pixels; the window's status bar shows the degrees and the value under the
// pointer and the zoom, and a scale bar is drawn where the form asks for one.
// Made by FormView for each ui::Image.
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "Controls.h"
#include "ImageViewport.h"
#include "QtSupport.h"
#include "ReducedLevels.h"

namespace qtui {

class ImageView : public QWidget {
public:
    ImageView(ui::Image& image, EventRunner runEvent, QWidget* parent);

    // Forgets the scaled picture, so the next paint shows the bitmap as it is now.
    void PictureMayHaveChanged();
    // Grabs or releases the mouse as the control asks.
    void SyncCapture();
    const ImageViewport& Viewport() const { return viewport_; }
    // The view's keys, wherever the window's focus is; false for a key it does not take.
    bool HandleKey(QKeyEvent* event);
    // The status bar's text for a pointer at this widget position.
    QString StatusAt(QPointF position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    const QImage& Scaled(const Bitmap& bitmap);
    const QImage& Whole(const Bitmap& bitmap);
    void PaintNavigable(QPainter& painter, const Bitmap& picture);
    // One picture pixel to a device pixel (a form's own drawing) or to a widget pixel.
    void PaintWhole(QPainter& painter, const Bitmap& picture, QRect dirty);
    void PaintScaleBar(QPainter& painter);
    void SyncViewport();
    // Picture pixels to a widget pixel of a picture that is not navigable nor stretched.
    double PictureRatio() const;
    void SyncPixelRatio();
    // Picture pixels for a navigable picture, else the widget's own.
    QPoint FormPosition(QPointF position) const;
    // The picture position under a widget position.
    QPointF PicturePosition(QPointF position) const;
    double DevicePixelsPerPicturePixel() const;
    void ShowStatus(const QString& text);

    ui::Image& image_;
    EventRunner runEvent_;
    QImage scaled_;
    const Bitmap* scaledFrom_ = nullptr;
    std::uint64_t scaledCount_ = 0;
    QImage whole_;
    const Bitmap* wholeFrom_ = nullptr;
    std::uint64_t wholeCount_ = 0;
    std::optional<ReducedLevels> levels_;
    bool grabbed_ = false;

    ImageViewport viewport_;
    std::optional<bool> wasStretched_;
    std::optional<QPointF> panFrom_;
    Qt::MouseButton panButton_ = Qt::NoButton;
    QPointF pointer_;
    bool pointerInside_ = false;
};

}  // namespace qtui
