// Main windows: where they open (the place and size a program's settings remember, and always on
// the screen, whatever was remembered or designed), and the files dropped on them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include "FormWindows.h"
#include "IsolatedUser.h"
#include "ScriptedInteraction.h"

namespace {

class PlainForm : public ui::Form {
public:
    PlainForm(ui::Interaction& ui, int outerWidth = 308, int outerHeight = 246)
        : Form(ui, "FormMain") {
        SetDesign(40, 30, outerWidth, outerHeight);
        MainMenu().Add("File1", "&File").Add("Exit1", "E&xit");
    }
    ~PlainForm() override { Destroy(); }
};

class WindowGeometry : public testing::Test {
protected:
    WindowGeometry() { QCoreApplication::setApplicationName("geometrytest"); }
    ~WindowGeometry() override { QCoreApplication::setApplicationName(savedName_); }

    // A window the user left at this place and size, closed so that it is remembered.
    void LeaveWindowAt(QRect geometry) {
        PlainForm form(ui);
        form.Create();
        qtui::MainWindow window(form, ui);
        window.RememberGeometry();
        window.show();
        window.setGeometry(geometry);
        QApplication::processEvents();
        window.close();
    }

    static QRect FreeArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QString savedName_ = QCoreApplication::applicationName();
    IsolatedUser user;
    ScriptedInteraction ui;
};

TEST_F(WindowGeometry, TheNextStartOpensWhereTheWindowWasLeft) {
    LeaveWindowAt(QRect(120, 90, 420, 260));
    PlainForm form(ui);
    form.Create();
    qtui::MainWindow window(form, ui);
    window.RememberGeometry();
    EXPECT_EQ(window.geometry(), QRect(120, 90, 420, 260));
}

TEST_F(WindowGeometry, APlaceOffEveryScreenOrTooLargeComesBackOntoTheScreen) {
    for (QRect left : {QRect(FreeArea().right() + 2000, FreeArea().bottom() + 1500, 420, 260),
                       QRect(-3000, -2000, 420, 260),
                       QRect(10, 10, FreeArea().width() * 2, FreeArea().height() * 3 / 2)}) {
        LeaveWindowAt(left);
        PlainForm form(ui);
        form.Create();
        qtui::MainWindow window(form, ui);
        window.RememberGeometry();
        EXPECT_TRUE(FreeArea().contains(window.frameGeometry())) << window.frameGeometry().x();
        if (left.width() <= FreeArea().width()) {
            EXPECT_EQ(window.size(), left.size());
        }
    }
}

// A window designed for a larger screen (or shown at twice the scale) opens within the screen.
TEST_F(WindowGeometry, AWindowDesignedLargerThanTheScreenFitsIt) {
    PlainForm form(ui, FreeArea().width() + 300, FreeArea().height() + 200);
    form.Create();
    qtui::MainWindow window(form, ui);
    EXPECT_TRUE(FreeArea().contains(window.frameGeometry()));
    window.show();
    QApplication::processEvents();
    // Now with its frame, which the screen may only give once it shows.
    EXPECT_TRUE(FreeArea().contains(window.frameGeometry()));
    // The form follows the client area the window has.
    EXPECT_EQ(form.ClientWidth(), window.View().width());
    EXPECT_EQ(form.ClientHeight(), window.View().height());
}

TEST(MainWindowDrop, OneLocalFileDroppedReachesTheFormAndAnythingElseIsRefused) {
    ScriptedInteraction ui;
    PlainForm form(ui);
    std::vector<std::string> dropped;
    form.OnFileDropped = [&](const std::string& path) { dropped.push_back(path); };
    form.Create();
    qtui::MainWindow window(form, ui);
    ASSERT_TRUE(window.acceptDrops());
    // As the X drop protocol hands them over: a text list, read anew at every call.
    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        QByteArray list;
        for (const QUrl& url : urls) list += url.toEncoded() + "\r\n";
        data.setData("text/uri-list", list);
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &event);
        return enter.isAccepted();
    };
    EXPECT_TRUE(drop({QUrl::fromLocalFile("/maps/some folder/gshhs_l.b")}));
    EXPECT_FALSE(drop({QUrl::fromLocalFile("/a.png"), QUrl::fromLocalFile("/b.png")}));
    EXPECT_FALSE(drop({QUrl("https://example.org/topo.png")}));
    EXPECT_EQ(dropped, std::vector<std::string>{"/maps/some folder/gshhs_l.b"});
}

}  // namespace
