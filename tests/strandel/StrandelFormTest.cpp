#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "IsolatedUser.h"
#include "RegistryVariables.h"
#include "ScriptedInteraction.h"
#include "ShorelineFile.h"
#include "StrandelForm.h"
#include "TempDir.h"

namespace {

constexpr int W = TFormMain::kDefaultMapWidth;
constexpr int H = TFormMain::kDefaultMapHeight;

// Ten pixels a degree, column 0 at 180 W, row 0 at 90 N; for points off the rounding ties.
Point PixelOf(double lonDeg, double latDeg) {
    return {int(std::lround(1800 + 10 * lonDeg)), int(std::lround(900 - 10 * latDeg))};
}

class StrandelFormTest : public ::testing::Test {
protected:
    // A form that has run its first loading of the given file.
    std::unique_ptr<TFormMain> Loaded(const std::vector<unsigned char>& bytes) {
        std::string path = folder.Write("shore.b", bytes);
        auto form = std::make_unique<TFormMain>(ui);
        form->Create();
        form->DataFile->Value = path;
        form->Show();
        form->TimerLoad.Fire();
        return form;
    }

    static bool Black(const TFormMain& form, int x, int y) {
        return form.WorldBitmap->PixelColour(x, y) == Colours::Black;
    }
    static bool Black(const TFormMain& form, Point p) { return Black(form, p.x, p.y); }
    // Black pixels strictly inside the frame.
    static std::vector<Point> InnerBlack(const TFormMain& form) {
        std::vector<Point> found;
        for (int y = 1; y < H - 1; ++y)
            for (int x = 1; x < W - 1; ++x)
                if (Black(form, x, y)) found.push_back({x, y});
        return found;
    }
    static std::vector<Point> Row(int y, int fromX, int toX) {
        std::vector<Point> points;
        for (int x = fromX; x <= toX; ++x) points.push_back({x, y});
        return points;
    }

    IsolatedUser user;
    const TempDir& home = user.home;
    TempDir folder;
    ScriptedInteraction ui;
};

TEST_F(StrandelFormTest, NothingIsLoadedUntilTheTimerAfterShowing) {
    TFormMain form(ui);
    form.Create();
    EXPECT_EQ(form.Caption(), "Read GSHHS Data");
    EXPECT_EQ(form.Image1.GetBounds(), (ui::Bounds{0, 0, W, H}));
    EXPECT_EQ(form.Image1.Picture(), nullptr);
    EXPECT_EQ(form.RadioGroupView.ItemIndex(), -1);
    EXPECT_FALSE(form.TimerLoad.Enabled());
    form.Show();
    EXPECT_TRUE(form.TimerLoad.Enabled());
    EXPECT_EQ(form.TimerLoad.Interval(), 200);
    EXPECT_TRUE(ui.dialogsShown.empty());
    EXPECT_EQ(form.Image1.Picture(), nullptr);
}

TEST_F(StrandelFormTest, FirstLoadDrawsFrameSetsCaptionAndSelectsFull) {
    auto form = Loaded(ShorelineFile::Blank().bytes);
    EXPECT_FALSE(form->TimerLoad.Enabled());
    EXPECT_EQ(form->Caption(), "Strandel - " + folder / "shore.b");
    EXPECT_EQ(form->RadioGroupView.ItemIndex(), 0);
    EXPECT_TRUE(form->ViewBoth.Checked());
    for (int x = 0; x < W; ++x) {
        ASSERT_TRUE(Black(*form, x, 0)) << x;
        ASSERT_TRUE(Black(*form, x, H - 1)) << x;
    }
    for (int y = 0; y < H; ++y) {
        ASSERT_TRUE(Black(*form, 0, y)) << y;
        ASSERT_TRUE(Black(*form, W - 1, y)) << y;
    }
    EXPECT_TRUE(InnerBlack(*form).empty());
    EXPECT_EQ(form->WorldBitmap->PixelColour(1, 1), Colours::White);
    EXPECT_FALSE(form->ReadFailure());
}

TEST_F(StrandelFormTest, DefaultFileInHomeFolderIsLoadedWithoutAskingAndStoredAtExit) {
    std::filesystem::create_directories(home.Path() / "GSHHS");
    std::string defaultPath = (home.Path() / "GSHHS" / "gshhs_l.b").string();
    home.Write("GSHHS/gshhs_l.b", ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    {
        TFormMain form(ui);
        form.Create();
        EXPECT_EQ(form.DataFile->Value, defaultPath);
        form.Show();
        form.TimerLoad.Fire();
        EXPECT_TRUE(ui.dialogsShown.empty());
        EXPECT_TRUE(Black(form, PixelOf(0, 0)));
    }
    EXPECT_EQ(TRegistryString("DataFile", "unset").Value, defaultPath);
}

TEST_F(StrandelFormTest, MissingFileOffersDialogAndKeepsPathWhenCancelled) {
    TFormMain form(ui);
    form.Create();
    form.Show();
    form.TimerLoad.Fire();
    ASSERT_EQ(ui.dialogsShown.size(), 1u);
    const ui::OpenDialog& dialog = ui.dialogsShown[0];
    EXPECT_EQ(dialog.initialDir, (home.Path() / "GSHHS").string());
    EXPECT_TRUE(dialog.filter.empty());
    EXPECT_TRUE(dialog.options & ui::FileMustExist);
    EXPECT_TRUE(dialog.options & ui::PathMustExist);
    std::string defaultPath = (home.Path() / "GSHHS" / "gshhs_l.b").string();
    EXPECT_EQ(form.Caption(), "Strandel - " + defaultPath);
    EXPECT_TRUE(InnerBlack(form).empty());
    EXPECT_TRUE(form.ReadFailure());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(form.RadioGroupView.ItemIndex(), 0);
}

TEST_F(StrandelFormTest, FileChosenInStartDialogIsDrawnAndStored) {
    std::string chosen =
        folder.Write("picked.b", ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    {
        TFormMain form(ui);
        form.Create();
        form.DataFile->Value = folder / "absent.b";
        form.Show();
        ui.dialogAnswers.push_back(chosen);
        form.TimerLoad.Fire();
        EXPECT_EQ(form.Caption(), "Strandel - " + chosen);
        EXPECT_TRUE(Black(form, PixelOf(0, 0)));
    }
    EXPECT_EQ(TRegistryString("DataFile", "unset").Value, chosen);
}

TEST_F(StrandelFormTest, OpenRedrawsWithNewFileAndCancelChangesNothing) {
    auto form = Loaded(ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    std::string second =
        folder.Write("second.b", ShorelineFile().Land({Degrees(0, 10), Degrees(1, 10)}).bytes);
    form->FileOpenClick();  // cancelled
    EXPECT_TRUE(Black(*form, PixelOf(0, 0)));
    EXPECT_EQ(form->Caption(), "Strandel - " + folder / "shore.b");

    ui.dialogAnswers.push_back(second);
    form->FileOpenClick();
    EXPECT_FALSE(Black(*form, PixelOf(0, 0)));
    EXPECT_TRUE(Black(*form, PixelOf(0, 10)));
    EXPECT_EQ(form->Caption(), "Strandel - " + second);
    EXPECT_EQ(form->DataFile->Value, second);
    // The view shows the new drawing, not the one taken before.
    ASSERT_NE(form->Image1.Picture(), nullptr);
    EXPECT_EQ(form->Image1.Picture()->PixelColour(PixelOf(0, 10).x, PixelOf(0, 10).y),
              Colours::Black);
}

// Each polygon is a short east-west line on its own latitude, so what was drawn shows which
// polygons were selected.
TEST_F(StrandelFormTest, ViewCommandsSelectByLevelAndStrictUnsignedArea) {
    struct Case {
        std::int32_t level;
        std::uint32_t area;
        double lat;
    };
    const std::vector<Case> cases = {
        {1, 0, 40},          {2, 10000, 30},        {2, 10001, 20},        {2, 0xFFFFFFFFu, 10},
        {3, 0xFFFFFFFFu, 0}, {4, 0xFFFFFFFFu, -10}, {1, 0xFFFFFFFFu, -20}, {0, 50000, -30},
    };
    ShorelineFile file;
    for (const Case& c : cases)
        file.Outline(c.level, c.area, {Degrees(0, c.lat), Degrees(2, c.lat)});
    auto form = Loaded(file.bytes);

    auto drawn = [&](const Case& c) { return Black(*form, PixelOf(1, c.lat)); };
    auto expectSelection = [&](bool land, bool lakes, const char* view) {
        for (const Case& c : cases) {
            bool isLand = c.level == 1;
            bool isLargeLake = c.level == 2 && c.area > 10000;
            EXPECT_EQ(drawn(c), (land && isLand) || (lakes && isLargeLake))
                << view << ": level " << c.level << " area " << c.area;
        }
    };
    expectSelection(true, true, "both");
    form->ViewLandClick();
    EXPECT_EQ(form->ViewMode, 1);
    EXPECT_TRUE(form->ViewLand.Checked());
    EXPECT_FALSE(form->ViewBoth.Checked());
    expectSelection(true, false, "land");
    form->ViewLargeLakesClick();
    EXPECT_EQ(form->ViewMode, 2);
    EXPECT_TRUE(form->ViewLargeLakes.Checked());
    EXPECT_FALSE(form->ViewLand.Checked());
    expectSelection(false, true, "lakes");
    form->ViewBothClick();
    EXPECT_EQ(form->ViewMode, 0);
    expectSelection(true, true, "both again");
    // The view shown follows the redraw, and the Full view stays selected.
    EXPECT_EQ(form->RadioGroupView.ItemIndex(), 0);
    EXPECT_TRUE(form->Image1.Stretch());
}

TEST_F(StrandelFormTest, OutlineJoinsPointsAndLeavesOutLastPoint) {
    // Longitude 0, latitude 0 is pixel (1800, 900); the outline runs east then north.
    auto form = Loaded(ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0), Degrees(1, 1)}).bytes);
    std::vector<Point> expected = Row(900, 1800, 1809);
    for (int y = 900; y > 890; --y) expected.push_back({1810, y});
    EXPECT_EQ(InnerBlack(*form).size(), expected.size());
    for (Point p : expected) EXPECT_TRUE(Black(*form, p)) << p.x << "," << p.y;
    EXPECT_FALSE(Black(*form, 1810, 890));  // the last point ends the last line
}

TEST_F(StrandelFormTest, OutlineLeavingAtRightEdgeContinuesFromLeftEdge) {
    // 179.5 E at row 800, then 179.5 W at row 810, then 178 W on the same row.
    auto form = Loaded(
        ShorelineFile().Land({Degrees(179.5, 10), Degrees(-179.5, 9), Degrees(-178, 9)}).bytes);
    std::vector<Point> expected = Row(800, 3595, 3598);  // column 3599 is the frame
    for (Point p : Row(810, 1, 19)) expected.push_back(p);
    std::vector<Point> found = InnerBlack(*form);
    EXPECT_EQ(found.size(), expected.size());
    for (Point p : expected) EXPECT_TRUE(Black(*form, p)) << p.x << "," << p.y;
}

TEST_F(StrandelFormTest, OutlineLeavingAtLeftEdgeContinuesFromRightEdge) {
    // 179.5 W at row 700, then 179.5 E at row 690, then 178 E on the same row.
    auto form = Loaded(
        ShorelineFile().Land({Degrees(-179.5, 20), Degrees(179.5, 21), Degrees(178, 21)}).bytes);
    std::vector<Point> expected = Row(700, 1, 5);
    for (Point p : Row(690, 3581, 3598)) expected.push_back(p);
    std::vector<Point> found = InnerBlack(*form);
    EXPECT_EQ(found.size(), expected.size());
    for (Point p : expected) EXPECT_TRUE(Black(*form, p)) << p.x << "," << p.y;
}

TEST_F(StrandelFormTest, JumpOfQuarterMapIsCutAtEdgesEvenWithoutCrossing) {
    // 0 to 90 E is 900 columns: drawn as if leaving at the left edge. 899 columns is a line.
    auto form = Loaded(ShorelineFile()
                           .Land({Degrees(0, 30), Degrees(90, 31), Degrees(91, 31)})
                           .Land({Degrees(0, -30), Degrees(89.9, -30)})
                           .bytes);
    for (int x = 1; x <= 1800; ++x) ASSERT_TRUE(Black(*form, x, 600)) << x;
    for (int x = 1801; x < W - 1; ++x) ASSERT_FALSE(Black(*form, x, 600)) << x;
    for (int x = 2700; x < W - 1; ++x) ASSERT_TRUE(Black(*form, x, 590)) << x;
    for (int x = 1; x < 2700; ++x) ASSERT_FALSE(Black(*form, x, 590)) << x;
    for (int x = 1800; x < 2699; ++x) ASSERT_TRUE(Black(*form, x, 1200)) << x;
    EXPECT_FALSE(Black(*form, 1799, 1200));
    EXPECT_FALSE(Black(*form, 1, 1200));
}

TEST_F(StrandelFormTest, SinglePointPolygonDrawsNothingAndDoesNotJoinNeighbours) {
    auto form = Loaded(ShorelineFile()
                           .Land({Degrees(10, 10)})
                           .Land({Degrees(20, 20), Degrees(20.5, 20)})
                           .Land({Degrees(30, 30)})
                           .bytes);
    std::vector<Point> found = InnerBlack(*form);
    EXPECT_EQ(found, Row(700, 2000, 2004));
}

TEST_F(StrandelFormTest, PointsSharingAPixelKeepTheLineContinuous) {
    // Points wandering inside one pixel, then away: one unbroken line from that pixel. The last
    // point, back on the pixel just used, ends the outline there and plots it.
    auto form =
        Loaded(ShorelineFile()
                   .Land({Degrees(0, 0), Degrees(0.02, 0.01), Degrees(-0.03, 0), Degrees(0.5, 0),
                          Degrees(0.52, 0.01), Degrees(0.5, 0.02), Degrees(0.51, 0)})
                   .bytes);
    EXPECT_EQ(InnerBlack(*form), Row(900, 1800, 1805));
}

TEST_F(StrandelFormTest, IslandSmallerThanAPixelShowsAsADot) {
    auto form = Loaded(
        ShorelineFile()
            .Land({Degrees(10, 10), Degrees(10.02, 10), Degrees(10.02, 10.02), Degrees(10, 10)})
            .Land({Degrees(20, 20), Degrees(20, 20)})
            .bytes);
    EXPECT_EQ(InnerBlack(*form), (std::vector<Point>{PixelOf(20, 20), PixelOf(10, 10)}));
}

TEST_F(StrandelFormTest, CutFileKeepsWhatWasDrawnWithoutError) {
    std::vector<unsigned char> whole =
        ShorelineFile()
            .Land({Degrees(0, 0), Degrees(1, 0)})
            .Land({Degrees(0, 10), Degrees(1, 10), Degrees(1, 11), Degrees(0, 11)})
            .bytes;
    // Cut inside the fourth point of the second polygon.
    std::vector<unsigned char> cut(whole.begin(), whole.end() - 5);
    auto form = Loaded(cut);
    std::vector<Point> expected = Row(900, 1800, 1809);
    for (Point p : Row(800, 1800, 1809)) expected.push_back(p);
    for (int y = 800; y > 790; --y) expected.push_back({1810, y});
    std::vector<Point> found = InnerBlack(*form);
    EXPECT_EQ(found.size(), expected.size());
    for (Point p : expected) EXPECT_TRUE(Black(*form, p)) << p.x << "," << p.y;
    EXPECT_FALSE(form->ReadFailure());
    EXPECT_EQ(form->ReadWarning(),
              folder / "shore.b" + ": shoreline file ends inside a record after 1 polygons");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StrandelFormTest, NonShorelineFileIsRefusedKeepingTheMapAndTheSetting) {
    const std::string text = "Not a shoreline file, but long enough for a header or two.";
    const std::string wrong = folder.Write("notes.txt", {text.begin(), text.end()});
    {
        // Named on the command line: said, and the stored file drawn instead.
        TFormMain form(ui);
        form.Create();
        form.DataFile->Value =
            folder.Write("shore.b", ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
        form.CommandLineFile = wrong;
        form.Show();
        form.TimerLoad.Fire();
        EXPECT_EQ(ui.errors, std::vector<std::string>{wrong + " is not a GSHHS shoreline file"});
        EXPECT_TRUE(form.FileRefused());
        EXPECT_TRUE(Black(form, PixelOf(0, 0)));

        // Chosen in the open dialog: said again, nothing else changes.
        ui.dialogAnswers.push_back(wrong);
        form.FileOpenClick();
        EXPECT_EQ(ui.errors.size(), 2u);
        EXPECT_TRUE(Black(form, PixelOf(0, 0)));
        EXPECT_EQ(form.Caption(), "Strandel - " + folder / "shore.b");
        EXPECT_EQ(form.DataFile->Value, folder / "shore.b");
    }
    EXPECT_EQ(TRegistryString("DataFile", "").Value, folder / "shore.b");
}

TEST_F(StrandelFormTest, OverstatedCountsAndWildCoordinatesAreDrawnSafely) {
    // A header claiming far more points than the file holds.
    auto huge = Loaded(ShorelineFile()
                           .Land({Degrees(0, 0), Degrees(1, 0)})
                           .Outline(1, 0, {Degrees(0, 10), Degrees(1, 10)}, 0x7FFFFFFF)
                           .bytes);
    EXPECT_TRUE(Black(*huge, PixelOf(0, 0)));
    EXPECT_TRUE(Black(*huge, PixelOf(0, 10)));

    // Wild coordinates are clipped, not drawn off the map.
    auto wild = Loaded(
        ShorelineFile()
            .Land({{0x7FFFFFFF, 0x7FFFFFFF}, {-0x7FFFFFFF - 1, -0x7FFFFFFF - 1}, {0, 0x7FFFFFFF}})
            .bytes);
    EXPECT_FALSE(wild->ReadFailure());
}

TEST_F(StrandelFormTest, NamedPipeWithoutWriterGivesBlankMapWithoutWaiting) {
    std::string pipe = folder / "pipe.b";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    TFormMain form(ui);
    form.Create();
    form.DataFile->Value = pipe;
    form.DrawShorelines();
    EXPECT_TRUE(InnerBlack(form).empty());
    EXPECT_EQ(form.Caption(), "Strandel - " + pipe);
}

TEST_F(StrandelFormTest, FullAndZoomFillTheScrollBoxAndFollowResize) {
    auto form = Loaded(ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    ASSERT_EQ(form->RadioGroupView.ItemIndex(), 0);
    EXPECT_EQ(form->Image1.GetBounds(), (ui::Bounds{0, 0, 561, 372}));
    EXPECT_TRUE(form->Image1.Stretch());
    EXPECT_FALSE(form->ScrollBox1.HorizontalBarVisible());
    EXPECT_FALSE(form->ScrollBox1.VerticalBarVisible());
    ASSERT_NE(form->Image1.Picture(), nullptr);
    // The control shows the map itself; a redraw must leave the shown picture alone.
    ASSERT_EQ(form->Image1.Picture(), form->WorldBitmap.get());
    const std::shared_ptr<Bitmap> shown = form->WorldBitmap;
    const std::vector<std::uint8_t> before(shown->Bits(), shown->Bits() + shown->Stride() * H);
    form->ViewLargeLakes.Click();
    EXPECT_NE(form->Image1.Picture(), shown.get());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), shown->Bits()));
    EXPECT_GT(form->Image1.Picture()->ModificationCount(), shown->ModificationCount());
    form->ViewBoth.Click();
    EXPECT_EQ(form->Image1.Picture()->Width(), W);
    EXPECT_EQ(form->Image1.Picture()->Height(), H);

    form->SetClientSize(form->ClientWidth() + 100, form->ClientHeight() + 50);
    EXPECT_EQ(form->ScrollBox1.GetBounds(), (ui::Bounds{8, 0, 661, 422}));
    EXPECT_EQ(form->Image1.GetBounds(), (ui::Bounds{0, 0, 661, 422}));
    EXPECT_EQ(form->RadioGroupView.GetBounds(), (ui::Bounds{388, 426, 137, 41}));
    EXPECT_EQ(form->ButtonExit.GetBounds(), (ui::Bounds{588, 437, 81, 25}));

    // Zoom shows the map at full size in the same box, panned by dragging instead of scrolled.
    form->RadioGroupView.SetItemIndex(1);
    EXPECT_EQ(form->Image1.GetBounds(), (ui::Bounds{0, 0, 661, 422}));
    EXPECT_FALSE(form->Image1.Stretch());
    EXPECT_TRUE(form->Image1.navigable);
    EXPECT_FALSE(form->ScrollBox1.HorizontalBarVisible());
    ASSERT_NE(form->Image1.Picture(), nullptr);
    EXPECT_EQ(form->Image1.Picture()->PixelColour(1800, 900), Colours::Black);

    form->SetClientSize(form->ClientWidth() - 200, form->ClientHeight() - 100);
    EXPECT_EQ(form->Image1.GetBounds(), (ui::Bounds{0, 0, 461, 322}));
}

TEST_F(StrandelFormTest, CloseBeforeFirstLoadSkipsItAndStopsRefitting) {
    TFormMain form(ui);
    form.Create();
    form.DataFile->Value = folder / "absent.b";
    form.Show();
    form.ButtonExitClick();
    EXPECT_TRUE(form.Closing);
    EXPECT_TRUE(form.IsClosed());
    form.TimerLoad.Fire();
    EXPECT_FALSE(form.TimerLoad.Enabled());
    EXPECT_TRUE(ui.dialogsShown.empty());
    EXPECT_EQ(form.Caption(), "Read GSHHS Data");
    EXPECT_EQ(form.Image1.Picture(), nullptr);
}

TEST_F(StrandelFormTest, AboutShowsTheAboutBoxModally) {
    TFormMain form(ui);
    form.Create();
    ui::Form about(ui, "AboutBox");
    form.AboutBox = &about;
    form.About1.Click();
    EXPECT_EQ(ui.modalForms, std::vector<std::string>{"AboutBox"});
}

}  // namespace

TEST_F(StrandelFormTest, DroppedAndRecentFilesOpenAndAreRememberedBetweenRuns) {
    auto form = Loaded(ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    const std::string second =
        folder.Write("second.b", ShorelineFile().Land({Degrees(0, 10), Degrees(1, 10)}).bytes);
    form->OnFileDropped(second);
    EXPECT_TRUE(Black(*form, PixelOf(0, 10)));
    EXPECT_EQ(form->FileRecent.Items()[0]->Caption(), "&1 " + second);
    EXPECT_EQ(form->FileRecent.Items()[1]->Caption(), "&2 " + folder / "shore.b");
    form->FileRecent.Items()[1]->Click();
    EXPECT_EQ(form->DataFile->Value, folder / "shore.b");
    EXPECT_TRUE(Black(*form, PixelOf(0, 0)));
    form.reset();

    TFormMain again(ui);
    again.Create();
    EXPECT_EQ(again.FileRecent.Items()[0]->Caption(), "&1 " + folder / "shore.b");
    EXPECT_EQ(again.FileRecent.Items()[1]->Caption(), "&2 " + second);
    EXPECT_FALSE(again.FileRecent.Items()[2]->Visible());
    // The pointer reads the map's own degrees: pixel (1800, 900) is centred on 0, 0.
    ASSERT_TRUE(again.Image1.degrees);
    EXPECT_DOUBLE_EQ(again.Image1.degrees->centreLon + 1800 * again.Image1.degrees->lonPerColumn,
                     0);
    EXPECT_DOUBLE_EQ(again.Image1.degrees->centreLat + 900 * again.Image1.degrees->latPerRow, 0);
}
