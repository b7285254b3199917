// The builder's window in the Qt front end, shown off screen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <cstdlib>
#include <filesystem>

#include "FormWindows.h"
#include "IsolatedUser.h"
#include "ScriptedInteraction.h"
#include "TempDir.h"
#include "TerrafoldFixtures.h"
#include "TerrafoldForm.h"

TEST(TerrafoldWindow, OpensWithItsControlsAndMenusAndClosesFromTheButton) {
    int argc = 1;
    char name[] = "test_terrafold";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);

    IsolatedUser user;
    const TempDir& home = user.home;
    std::filesystem::create_directories(home.Path() / "GTOPO30");
    std::filesystem::create_directories(home.Path() / "GSHHS");
    GtopoTiles tiles(home.Folder() + "GTOPO30/");
    ShorelineFile::Blank().WriteTo(home / "GSHHS/gshhs_l.b");

    ScriptedInteraction ui;
    TFormMain form(ui);
    form.Create();
    ASSERT_TRUE(form.HasTiles());
    {
        qtui::MainWindow window(form, ui);
        window.show();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();

        EXPECT_EQ(window.windowTitle(), "GTOPO30 - Convert Tile Data To Bitmap");
        EXPECT_EQ(window.View().WidgetFor("ImageDisplay")->geometry(), QRect(8, 0, 720, 360));
        auto* refresh = qobject_cast<QAbstractButton*>(window.View().WidgetFor("ButtonRefresh"));
        auto* close = qobject_cast<QAbstractButton*>(window.View().WidgetFor("ButtonClose"));
        auto* progress = qobject_cast<QProgressBar*>(window.View().WidgetFor("ProgressBar"));
        ASSERT_TRUE(refresh && close && progress);
        EXPECT_EQ(refresh->text(), "Refresh");
        EXPECT_EQ(refresh->geometry(), QRect(504, 376, 97, 25));
        EXPECT_EQ(progress->geometry(), QRect(8, 376, 177, 17));

        QStringList menus;
        for (QAction* action : window.menuBar()->actions()) menus << action->text();
        EXPECT_EQ(menus, (QStringList{"&File", "&Help"}));
        ASSERT_NE(window.View().ActionFor("FileExit"), nullptr);
        EXPECT_EQ(window.View().ActionFor("FileExit")->text(), "E&xit");
        EXPECT_EQ(window.View().ActionFor("HelpAbout")->text(), "&About...");

        close->click();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        EXPECT_TRUE(form.IsClosed());
        EXPECT_FALSE(window.isVisible());
    }
    form.Destroy();
}
