// The map view of a navigable picture: its arithmetic, its reduced levels, and the widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStatusBar>
#include <QWheelEvent>

#include "DarkestShrink.h"
#include "FormWindows.h"
#include "ImageView.h"
#include "ImageViewport.h"
#include "ReducedLevels.h"
#include "ScriptedInteraction.h"

namespace {

using qtui::ImageViewport;

ImageViewport Viewport(QSizeF picture, QSizeF view) {
    ImageViewport viewport;
    viewport.SetPictureSize(picture);
    viewport.SetViewSize(view);
    return viewport;
}

void ExpectNear(QPointF actual, QPointF expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
}

// Colours that differ from pixel to pixel in every channel, without a pattern a halving hides.
Bitmap Noise(int width, int height) {
    Bitmap bitmap(width, height, PixelFormat::Bgr24);
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            state = state * 1103515245u + 12345u;
            bitmap.Row(y)[x] = std::uint8_t(state >> 23);
        }
    return bitmap;
}

}  // namespace

TEST(ImageViewport, FittingKeepsThePicturesShapeAndCentresIt) {
    ImageViewport wide = Viewport({3600, 1800}, {500, 400});
    EXPECT_DOUBLE_EQ(wide.Scale(), 500.0 / 3600);
    EXPECT_EQ(wide.PictureRect(), QRectF(0, 75, 500, 250));
    ImageViewport tall = Viewport({3600, 1800}, {1000, 300});
    EXPECT_EQ(tall.PictureRect(), QRectF(200, 0, 600, 300));
    // A fitted view follows the window; a zoomed one keeps the place at its centre.
    tall.SetViewSize({400, 400});
    EXPECT_EQ(tall.PictureRect(), QRectF(0, 100, 400, 200));
    tall.ZoomTo(1, {200, 200});
    const QPointF centre = tall.PictureAt({200, 200});
    tall.SetViewSize({600, 500});
    ExpectNear(tall.PictureAt({300, 250}), centre);
    EXPECT_FALSE(tall.Fitted());
}

TEST(ImageViewport, ZoomKeepsThePointUnderThePointerAndStaysWithinLimits) {
    ImageViewport viewport = Viewport({3600, 1800}, {720, 360});
    const QPointF pointer(500, 120);
    const QPointF held = viewport.PictureAt(pointer);
    for (double factor : {1.25, 3.0, 0.5, 7.0}) {
        viewport.ZoomBy(factor, pointer);
        ExpectNear(viewport.PictureAt(pointer), held);
    }
    viewport.ZoomTo(1000, pointer);
    EXPECT_EQ(viewport.Scale(), ImageViewport::kMaxScale);
    // Never smaller than fitted: the picture comes back whole and centred.
    viewport.ZoomTo(0.001, pointer);
    EXPECT_DOUBLE_EQ(viewport.Scale(), 0.2);
    EXPECT_EQ(viewport.PictureRect(), QRectF(0, 0, 720, 360));
}

// Zoomed in from the fitted view of a picture of another shape, the band beside it closes as the
// picture grows instead of jumping shut, and no drag opens it again once closed.
TEST(ImageViewport, ZoomFromTheFittedViewHoldsThePointWhileTheBandCloses) {
    ImageViewport viewport = Viewport({3600, 1800}, {500, 400});  // the picture at rows 75..325
    const QPointF pointer(100, 110);
    const QPointF held = viewport.PictureAt(pointer);
    // Still lower than the view after the first two notches, taller after the next two.
    for (int notch = 0; notch < 4; ++notch) {
        viewport.ZoomBy(ImageViewport::kStepFactor, pointer);
        ExpectNear(viewport.PictureAt(pointer), held);
    }
    const double band = viewport.Origin().y();
    EXPECT_GT(band, 0);
    EXPECT_LT(band, 75);
    viewport.PanBy({0, 50});
    EXPECT_DOUBLE_EQ(viewport.Origin().y(), band);
    viewport.PanBy({0, -band - 10});
    viewport.PanBy({0, 100});
    EXPECT_DOUBLE_EQ(viewport.Origin().y(), 0);
    // All the way out, it is fitted and centred again.
    viewport.ZoomTo(0, pointer);
    EXPECT_TRUE(viewport.Fitted());
    EXPECT_EQ(viewport.PictureRect(), QRectF(0, 75, 500, 250));
}

TEST(ImageViewport, PanningMovesByTheDragAndStopsAtThePicturesEdge) {
    ImageViewport viewport = Viewport({3600, 1800}, {720, 360});
    viewport.ZoomTo(1, {360, 180});
    const QPointF origin = viewport.Origin();
    viewport.PanBy({35, -20});
    ExpectNear(viewport.Origin(), origin + QPointF(35, -20));
    viewport.PanBy({100000, 100000});
    ExpectNear(viewport.Origin(), QPointF(0, 0));
    viewport.PanBy({-100000, -100000});
    ExpectNear(viewport.Origin(), QPointF(720 - 3600, 360 - 1800));
    EXPECT_EQ(viewport.VisiblePicture(), QRectF(2880, 1440, 720, 360));
}

TEST(ReducedLevels, EachLevelAveragesOrKeepsTheDarkestOfItsBlocksExactly) {
    const Bitmap picture = Noise(601, 522);
    const qtui::ReducedLevels averaged(picture, false);
    ASSERT_EQ(averaged.Count(), 2);  // 300 x 261, 150 x 130; the next would be under 128
    EXPECT_EQ(averaged.Level(1).Width(), 300);
    EXPECT_EQ(averaged.Level(2).Height(), 130);
    const Bitmap& half = averaged.Level(1);
    for (int y = 0; y < half.Height(); ++y)
        for (int x = 0; x < half.Width(); ++x) {
            // Blocks are two by two, the last column's three wide (601 = 2 x 300 + 1).
            const int columns = x == half.Width() - 1 ? 3 : 2;
            for (int channel = 0; channel < 3; ++channel) {
                int sum = 0;
                for (int row = 2 * y; row < 2 * y + 2; ++row)
                    for (int column = 2 * x; column < 2 * x + columns; ++column)
                        sum += picture.Row(row)[column * 3 + channel];
                const int count = 2 * columns;
                ASSERT_EQ(half.Row(y)[x * 3 + channel], (sum + count / 2) / count)
                    << x << "," << y << " channel " << channel;
            }
        }

    const qtui::ReducedLevels darkest(picture, true);
    ASSERT_EQ(darkest.Count(), 2);
    const Bitmap expected = ShrinkKeepingDarkest(darkest.Level(1), 150, 130);
    EXPECT_TRUE(std::equal(expected.Bits(), expected.Bits() + expected.Stride() * 130,
                           darkest.Level(2).Bits()));
    auto luma = [](const std::uint8_t* bgr) { return 29 * bgr[0] + 150 * bgr[1] + 77 * bgr[2]; };
    // 261 rows into 130: the last block is three rows deep.
    for (int y = 0; y < 130; ++y)
        for (int x = 0; x < 150; ++x) {
            int least = 1 << 30;
            for (int row = 2 * y; row < (y == 129 ? 261 : 2 * y + 2); ++row)
                for (int column = 2 * x; column < 2 * x + 2; ++column)
                    least = std::min(least, luma(darkest.Level(1).Row(row) + column * 3));
            ASSERT_EQ(luma(darkest.Level(2).Row(y) + x * 3), least) << x << "," << y;
        }

    // The level drawn is the smallest that still has a pixel for each one on the screen.
    EXPECT_EQ(averaged.Choose(1.0), 0);
    EXPECT_EQ(averaged.Choose(0.4), 1);
    EXPECT_EQ(averaged.Choose(0.2), 2);
    EXPECT_EQ(averaged.Choose(0.01), 2);
    EXPECT_EQ(qtui::ReducedLevels(Noise(200, 200), false).Count(), 0);
}

namespace {

// A window showing one navigable world map, as the programs' windows do.
class MapForm : public ui::Form {
public:
    explicit MapForm(ui::Interaction& ui) : Form(ui, "FormMain") {
        SetDesign(0, 0, 408, 246);  // client 400 x 200
        MainMenu().Add("File1", "&File").Add("Exit1", "E&xit", [this] { Close(); });
        Map.SetBounds({0, 0, 400, 200});
        Map.SetAnchors(ui::AnchorsAll);
        Map.navigable = true;
        Map.SetStretch(true);
        Map.degrees = ui::PictureDegrees{-179.5, 89.5, 1, -1};
        Map.DescribePixel = [](int column, int row) {
            return std::to_string(column) + "/" + std::to_string(row);
        };
        Bitmap& picture = Map.OwnPicture();
        picture = Bitmap(360, 180, PixelFormat::Bgr24);
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 360; ++x)
                picture.SetPixelColour(x, y, MakeColour(x * 255 / 359, y * 255 / 179, 128));
        Map.PictureChanged();
    }
    ui::Image& Map = Make<ui::Image>("Map");
};

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

TEST(ImageNavigation, WheelDragKeysAndTheStatusBarWorkInAWindow) {
    int argc = 1;
    char name[] = "test_qt";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> own;
    if (!QApplication::instance()) own = std::make_unique<QApplication>(argc, argv);

    ScriptedInteraction ui;
    MapForm form(ui);
    form.Create();
    qtui::MainWindow window(form, ui);
    window.show();
    Settle();
    auto* view = dynamic_cast<qtui::ImageView*>(window.View().WidgetFor("Map"));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->size(), QSize(400, 200));
    view->grab();  // the first paint sets the view up
    EXPECT_TRUE(view->Viewport().Fitted());
    EXPECT_EQ(view->Viewport().PictureRect(), QRectF(0, 0, 400, 200));

    // Letterboxed at its shape: 360 x 180 in 400 x 200 fits exactly; widen the window to see
    // the bands.
    window.resize(window.size() + QSize(200, 0));
    Settle();
    QImage shown = view->grab().toImage();
    EXPECT_EQ(view->Viewport().PictureRect(), QRectF(100, 0, 400, 200));
    EXPECT_NE(QColor(shown.pixel(50, 100)), QColor(shown.pixel(150, 100)));

    const QPointF pointer(300, 50);
    const QPointF held = view->Viewport().PictureAt(pointer);
    QWheelEvent wheel(pointer, view->mapToGlobal(pointer), {}, {0, 240}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_NEAR(view->Viewport().Scale(), 200.0 / 180 * 1.5625, 1e-9);
    EXPECT_NEAR(view->Viewport().PictureAt(pointer).x(), held.x(), 1e-9);
    EXPECT_NEAR(view->Viewport().PictureAt(pointer).y(), held.y(), 1e-9);

    // The left button pans where the form takes no presses.
    const QPointF origin = view->Viewport().Origin();
    auto send = [view](QEvent::Type type, QPointF at, Qt::MouseButton button,
                       Qt::MouseButtons held) {
        QMouseEvent event(type, at, view->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, {300, 100}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {305, 102}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, {310, 105}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {310, 105}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->Viewport().Origin(), origin + QPointF(10, 5));

    // The status bar reads the pixel under the pointer: column 180 is 0.5 E, row 45 is 44.5 N.
    const QPointF at = view->Viewport().ViewAt({180.5, 45.5});
    send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              QString("44.5000\u00B0 N  0.5000\u00B0 E    180/45    Zoom %1%")
                  .arg(std::lround(view->Viewport().Scale() * view->devicePixelRatioF() * 100)));

    // Keys: 1 shows a picture pixel per screen pixel, 0 fits again.
    QKeyEvent one(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1");
    QApplication::sendEvent(view, &one);
    EXPECT_DOUBLE_EQ(view->Viewport().Scale() * view->devicePixelRatioF(), 1);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&window.View(), &right);  // reaches the view from the window
    QKeyEvent zero(QEvent::KeyPress, Qt::Key_0, Qt::NoModifier, "0");
    QApplication::sendEvent(view, &zero);
    EXPECT_TRUE(view->Viewport().Fitted());
    EXPECT_EQ(view->Viewport().PictureRect(), QRectF(100, 0, 400, 200));
}
