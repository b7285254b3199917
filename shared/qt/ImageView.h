#pragma once
// The widget of a ui::Image: paints the picture stretched to the widget or one pixel per
// pixel from the top-left corner, and passes mouse presses, moves and releases to the form in
// the widget's own pixels. A stretched picture is scaled once and kept until the picture, its
// modification count or the widget's size changes, or the form asks for a repaint.
// Made by FormView for each ui::Image.
#include <QImage>
#include <QWidget>
#include <cstdint>

#include "Controls.h"
#include "QtSupport.h"

namespace qtui {

class ImageView : public QWidget {
public:
    ImageView(ui::Image& image, EventRunner runEvent, QWidget* parent);

    // Forgets the scaled picture, so the next paint shows the bitmap as it is now.
    void PictureMayHaveChanged() { scaled_ = QImage(); }
    // Grabs or releases the mouse as the control asks.
    void SyncCapture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const QImage& Scaled(const Bitmap& bitmap);

    ui::Image& image_;
    EventRunner runEvent_;
    QImage scaled_;
    const Bitmap* scaledFrom_ = nullptr;
    std::uint64_t scaledCount_ = 0;
    bool grabbed_ = false;
};

}  // namespace qtui
