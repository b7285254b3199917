#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Errors.h"
#include "ExpectedColours.h"
#include "FileContents.h"
#include "InFolder.h"
#include "OrbiskoForm.h"
#include "ScriptedInteraction.h"
#include "SegmentBytes.h"
#include "SparseFile.h"
#include "TempDir.h"

namespace {

const std::string kNoTopography = "Cannot find any topography data";
const std::string kTopographyUnavailable = "Topography will not be available";
const std::string kNoCartography =
    "Cannot find any cartography data.  Please check the location for the file Countries.dat";

// Five empty search folders in a temporary tree.
class FormFixture : public testing::Test {
protected:
    FormFixture() {
        for (int i = 1; i <= 5; ++i) {
            folders.push_back(root.Folder() + "f" + std::to_string(i) + "/");
            std::filesystem::create_directories(folders.back());
        }
    }

    std::string WriteCountries(int folder, const Bytes& bytes) {
        const std::string path = folders[std::size_t(folder)] + "Countries.dat";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    static Bytes SomeLand() {
        Bytes bytes;
        AppendRecord(bytes, 0, Square(-9600, 1200, -2400, 2400));
        AppendRecord(bytes, 8, Square(-7200, 1500, -6000, 2100));
        return bytes;
    }

    void WriteLayout2Grid(int folder, const std::string& name) {
        const std::string path = folders[std::size_t(folder)] + name;
        MakeSparseFile(path, 18'662'400);
        PutSample(path, 0, -4290);
        PutSample(path, 4320, -4278);
    }

    std::vector<std::uint8_t> PictureBytes(TFormMain& form) {
        const Bitmap* picture = form.Image1.Picture();
        if (!picture) return {};
        return {picture->Bits(), picture->Bits() + picture->Stride() * picture->Height()};
    }

    TempDir root;
    std::vector<std::string> folders;
    ScriptedInteraction ui;
};

TEST_F(FormFixture, WithoutAnyDataTheThreeMessagesComeInOrderAndTheMapStaysEmpty) {
    TFormMain form(ui, folders);
    form.Create();
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{kNoTopography, kTopographyUnavailable, kNoCartography}));
    EXPECT_EQ(form.LabelDataSources.Hint(), "Topo:    \rCartog: ");
    EXPECT_EQ(form.LabelDataSources.Caption(), "Data sources");
    EXPECT_EQ(form.CartogList, nullptr);
    EXPECT_TRUE(form.Timer1.Enabled());

    form.Timer1.Fire();
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_EQ(form.Image1.Picture(), nullptr);
    form.ViewTopography.Click();  // nothing to colour, and no failure
    EXPECT_EQ(form.Image1.Picture(), nullptr);
    EXPECT_THROW(form.Save1Click(), EInvalidGraphicOperation);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(FormFixture, AnUnrecognisedGridGivesOnlyTheSecondMessageAndStillShowsInTheHint) {
    std::ofstream(folders[2] + "topo_8.2.img") << "not a grid";
    const std::string countries = WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    EXPECT_EQ(ui.messages, std::vector<std::string>{kTopographyUnavailable});
    EXPECT_EQ(form.LabelDataSources.Hint(),
              "Topo:    " + folders[2] + "topo_8.2.img\rCartog: " + countries);
}

TEST_F(FormFixture, CountriesInTheExecutablesFolderWinsOverLaterFolders) {
    WriteLayout2Grid(4, "ETOPO5.ELEV");
    const std::string first = WriteCountries(0, SomeLand());
    WriteCountries(4, {});
    TFormMain form(ui, folders);
    form.Create();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form.CartogFileName, first);
    ASSERT_NE(form.CartogList, nullptr);
    EXPECT_EQ(form.CartogList->Count(), 2);
    EXPECT_EQ(form.Topography.TopoLayout, 2);
}

TEST_F(FormFixture, FirstMapComesFromTheTimerAndCommandsRedraw) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    EXPECT_EQ(form.Image1.Picture(), nullptr);
    form.Timer1.Fire();
    ASSERT_NE(form.Image1.Picture(), nullptr);
    EXPECT_TRUE(form.Image1.Visible());
    EXPECT_EQ(form.Image1.Picture()->Width(), 900);
    EXPECT_EQ(form.Image1.Picture()->PixelColour(300, 140), kGreen);

    form.Monochrome1.Click();
    EXPECT_TRUE(form.Monochrome1.Checked());
    EXPECT_EQ(form.Image1.Picture()->PixelColour(300, 140), kSilver);
    form.Monochrome1.Click();
    EXPECT_FALSE(form.Monochrome1.Checked());
    EXPECT_EQ(form.Image1.Picture()->PixelColour(300, 140), kGreen);

    form.OpenUK.Click();
    EXPECT_EQ(form.MapView.MapWest, -660);
    form.Zoomout1.Click();
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_EQ(form.MapView.MapWest, -1050);
    EXPECT_EQ(form.MapView.MapNorth, 3825);
}

TEST_F(FormFixture, RubberBandLeavesTheMapAsItWasAndZoomsToTheDraggedRectangle) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.Timer1.Fire();
    const auto before = PictureBytes(form);

    form.Image1.OnMouseDown(ui::MouseButton::Left, 100, 100);
    EXPECT_TRUE(form.Dragging);
    EXPECT_TRUE(form.Image1.MouseCaptured());
    form.Image1.OnMouseMove(200, 150);
    EXPECT_NE(PictureBytes(form), before);
    form.Image1.OnMouseMove(300, 200);
    form.Image1.OnMouseUp(ui::MouseButton::Left, 700, 400);  // the release point is not used
    EXPECT_FALSE(form.Dragging);
    EXPECT_FALSE(form.Image1.MouseCaptured());
    EXPECT_EQ(PictureBytes(form), before);
    EXPECT_EQ(form.MapView.MapWest, -8400);
    EXPECT_EQ(form.MapView.MapSouth, 3000);
    EXPECT_EQ(form.MapView.MapEast, -3600);
    EXPECT_EQ(form.MapView.MapNorth, 600);
    EXPECT_TRUE(form.Timer1.Enabled());

    form.Timer1.Fire();  // the swap puts the dragged corners in order
    EXPECT_EQ(form.MapView.MapSouth, 600);
    EXPECT_EQ(form.MapView.MapNorth, 3000);
}

TEST_F(FormFixture, ClicksSmallDragsAndOtherButtonsLeaveTheView) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.Timer1.Fire();
    form.OpenMiddleEast.Click();
    const auto before = PictureBytes(form);
    auto drag = [&](ui::MouseButton button, int dx, int dy) {
        form.Image1.OnMouseDown(button, 300, 200);
        form.Image1.OnMouseMove(300 + dx, 200 + dy);
        form.Image1.OnMouseUp(button, 300 + dx, 200 + dy);
    };
    drag(ui::MouseButton::Left, 0, 0);
    drag(ui::MouseButton::Left, 7, -7);
    drag(ui::MouseButton::Right, 100, 100);
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_FALSE(form.Image1.MouseCaptured());
    EXPECT_EQ(form.MapView.MapWest, 960);
    EXPECT_EQ(form.MapView.MapNorth, 1200);
    EXPECT_EQ(PictureBytes(form), before);

    drag(ui::MouseButton::Left, 8, 0);
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_NE(form.MapView.MapWest, 960);
}

TEST_F(FormFixture, WheelZoomsAboutThePointerAndMiddleDragPansTheMap) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.Timer1.Fire();
    // The pointer reads the drawn map's degrees: the world's centre is pixel (450, 225).
    ASSERT_TRUE(form.Image1.degrees);
    EXPECT_NEAR(form.Image1.degrees->centreLon + 450 * form.Image1.degrees->lonPerColumn, 0, 1e-9);
    EXPECT_NEAR(form.Image1.degrees->centreLat + 225 * form.Image1.degrees->latPerRow, 0, 1e-9);
    const int lon = form.MapView.XToLon(200), lat = form.MapView.YToLat(100);
    form.Image1.OnMouseWheel(200, 100, 2);
    EXPECT_NEAR(form.MapView.XScale, 24 / 2.25, 0.02);
    EXPECT_NEAR(form.MapView.XToLon(200), lon, 2);
    EXPECT_NEAR(form.MapView.YToLat(100), lat, 2);

    // The place under the pointer follows it, drawn at once. (Up the map the vertical scale
    // shrinks with the cosine of the middle latitude, so only the place dragged stays exact.)
    const int draggedLon = form.MapView.XToLon(400), draggedLat = form.MapView.YToLat(300);
    form.Image1.OnMouseDown(ui::MouseButton::Middle, 400, 300);
    form.Image1.OnMouseMove(430, 290);
    form.Image1.OnMouseMove(450, 280);
    form.Image1.OnMouseUp(ui::MouseButton::Middle, 450, 280);
    EXPECT_FALSE(form.Image1.MouseCaptured());
    EXPECT_NEAR(form.MapView.XToLon(450), draggedLon, 1);
    EXPECT_NEAR(form.MapView.YToLat(280), draggedLat, 1);
    EXPECT_NEAR(form.MapView.XScale, 24 / 2.25, 0.02);

    // Dragged past the world's edge, the map stops there at the same scale.
    const long double scale = form.MapView.XScale;
    form.Image1.OnMouseDown(ui::MouseButton::Middle, 0, 0);
    form.Image1.OnMouseMove(5000, 0);
    form.Image1.OnMouseUp(ui::MouseButton::Middle, 5000, 0);
    EXPECT_EQ(form.MapView.MapWest, -10800);
    EXPECT_NEAR(form.MapView.XScale, scale, 0.01);
}

TEST_F(FormFixture, BackAndForwardRetraceTheViewsShown) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.Timer1.Fire();
    EXPECT_FALSE(form.ViewBack.Enabled());
    form.OpenUK.Click();
    form.Image1.OnMouseWheel(450, 225, 1);
    const int zoomedWest = form.MapView.MapWest;
    EXPECT_EQ(form.ViewBack.shortcut, "Alt+Left");

    form.ViewBack.Click();
    EXPECT_EQ(form.MapView.MapWest, -660);
    form.ViewBack.Click();
    EXPECT_EQ(form.MapView.MapWest, -10800);
    EXPECT_FALSE(form.ViewBack.Enabled());
    form.ViewForward.Click();
    EXPECT_EQ(form.MapView.MapWest, -660);
    EXPECT_TRUE(form.ViewForward.Enabled());

    // A new view drops the ones ahead, as a browser does.
    form.OpenScandinavia.Click();
    EXPECT_FALSE(form.ViewForward.Enabled());
    form.ViewBack.Click();
    EXPECT_EQ(form.MapView.MapWest, -660);
    form.ViewForward.Click();
    EXPECT_EQ(form.MapView.MapWest, -120);
    EXPECT_NE(zoomedWest, -120);
}

TEST_F(FormFixture, TheMapFollowsTheWindowAtTheSameScale) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.OpenUK.Click();
    const long double scale = form.MapView.XScale;
    const int centre = form.MapView.XToLon(450);
    form.SetClientSize(form.ClientWidth() + 300, form.ClientHeight() + 100);
    EXPECT_EQ(form.Image1.GetBounds(), (ui::Bounds{8, 8, 1200, 550}));
    EXPECT_TRUE(form.Timer1.Enabled());
    form.Timer1.Fire();
    ASSERT_EQ(form.Image1.Picture()->Width(), 1200);
    EXPECT_EQ(form.Image1.Picture()->Height(), 550);
    EXPECT_NEAR(form.MapView.XScale, scale, 0.01);
    EXPECT_NEAR(form.MapView.XToLon(600), centre, 2);

    // The presets keep their bounds: at the designed size they give the designed views again.
    form.SetClientSize(form.ClientWidth() - 300, form.ClientHeight() - 100);
    form.OpenUK.Click();
    EXPECT_EQ(form.MapView.MapWest, -660);
    EXPECT_NEAR(form.MapView.XScale, scale, 1e-9);
}

// A 2x screen: the map is drawn at the device pixels, the presets show the same places at twice
// the detail, and a small drag is small in window pixels.
TEST_F(FormFixture, AtTwiceTheScreenScaleTheMapIsDrawnAtDevicePixels) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.Image1.pixelRatio = 2;
    form.Image1.OnPixelRatioChange();
    form.Timer1.Fire();
    ASSERT_EQ(form.Image1.Picture()->Width(), 1800);
    EXPECT_EQ(form.Image1.Picture()->Height(), 900);
    EXPECT_EQ(form.MapView.XScale, 12);
    form.OpenUK.Click();
    EXPECT_EQ(form.MapView.MapWest, -660);
    EXPECT_NEAR(form.MapView.XScale, 2.16803 / 2, 1e-5);

    const auto before = PictureBytes(form);
    form.Image1.OnMouseDown(ui::MouseButton::Left, 600, 400);
    form.Image1.OnMouseMove(615, 385);
    form.Image1.OnMouseUp(ui::MouseButton::Left, 615, 385);
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_EQ(PictureBytes(form), before);
    form.Image1.OnMouseDown(ui::MouseButton::Left, 600, 400);
    form.Image1.OnMouseMove(616, 380);
    form.Image1.OnMouseUp(ui::MouseButton::Left, 616, 380);
    EXPECT_TRUE(form.Timer1.Enabled());
}

TEST_F(FormFixture, AddTopographyIsACheckItemThatColoursEachRedraw) {
    WriteCountries(0, SomeLand());
    WriteLayout2Grid(1, "etopo5.dat");
    TFormMain form(ui, folders);
    form.Create();
    form.Timer1.Fire();
    const auto plain = PictureBytes(form);
    form.ViewTopography.Click();
    const auto coloured = PictureBytes(form);
    EXPECT_NE(coloured, plain);
    EXPECT_EQ(form.Image1.Picture()->PixelColour(600, 300), kWater);
    EXPECT_FALSE(form.ProgressBar1.Visible());
    EXPECT_EQ(form.ProgressBar1.Max(), 449);
    EXPECT_TRUE(form.ViewTopography.Checked());
    form.OpenWorld.Click();
    EXPECT_EQ(PictureBytes(form), coloured) << "checked, every redraw colours";
    form.ViewTopography.Click();
    EXPECT_FALSE(form.ViewTopography.Checked());
    EXPECT_EQ(PictureBytes(form), plain);
    form.ViewTopography.Click();
    EXPECT_EQ(PictureBytes(form), coloured);
}

TEST_F(FormFixture, SavingTwiceOverwritesTempBmp) {
    WriteCountries(0, SomeLand());
    TFormMain form(ui, folders);
    form.Create();
    form.Timer1.Fire();

    InFolder inRoot(root.Path());
    auto readSaved = [] { return ReadBytes("temp.bmp"); };
    form.Save1.Click();
    const auto colour = readSaved();
    ASSERT_EQ(colour.size(), 54u + 900u * 3 * 450);
    EXPECT_EQ(colour[0], 'B');
    form.Monochrome1.Click();
    form.Save1.Click();
    const auto monochrome = readSaved();
    EXPECT_EQ(monochrome.size(), colour.size());
    EXPECT_NE(monochrome, colour);
}

TEST_F(FormFixture, WindowHasTheDesignedControlsAndMenus) {
    TFormMain form(ui, folders);
    EXPECT_EQ(form.Caption(), "Topograhic Map Viewer");
    EXPECT_EQ(form.Image1.GetBounds(), (ui::Bounds{8, 8, 900, 450}));
    EXPECT_FALSE(form.ProgressBar1.Visible());
    EXPECT_EQ(form.Timer1.Interval(), 100);
    EXPECT_FALSE(form.Timer1.Enabled());
    std::vector<std::string> captions;
    auto walk = [&](auto& self, const ui::MenuItem& item) -> void {
        for (const auto& child : item.Items()) {
            captions.push_back(child->Caption());
            self(self, *child);
        }
    };
    walk(walk, form.MainMenu());
    EXPECT_EQ(captions,
              (std::vector<std::string>{
                  "&File", "&Save bitmap", "&Georeferencing files", "&Export map...", "-", "E&xit",
                  "&View", "&Presets...", "&UK", "&Scandinavia", "&MiddleEast", "&World",
                  "&Add topography", "&Zoom out", "&Monochrome", "-", "&Back", "&Forward"}));
    form.Exit1.Click();
    EXPECT_TRUE(form.IsClosed());
}

}  // namespace
