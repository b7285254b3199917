#include <gtest/gtest.h>

#include "BatchMap.h"
#include "ExpectedColours.h"
#include "GdalReadBack.h"
#include "OrbiskoForm.h"
#include "ScriptedInteraction.h"
#include "SegmentBytes.h"
#include "TempDir.h"

namespace {

using Kind = MapCommand::Kind;

// A window form over a map file of one square country.
class OneCountryForm : public ::testing::Test {
protected:
    OneCountryForm() {
        Bytes land;
        AppendRecord(land, 0, Square(-9600, 1200, -2400, 2400));
        dir.Write("Countries.dat", land);
        form.Create();
    }
    TempDir dir;
    ScriptedInteraction ui;
    TFormMain form{ui, {dir.Folder()}};
};

const std::vector<app::OptionSpec> kMapOptions = {
    {"data", "DIR", "", ""},
    {"preset", "NAME", "", "world", true},
    {"bounds", "W,S,E,N", "", "", true},
    {"zoom-out", "", "", "", true},
    {"monochrome", "", "", "", true},
    {"save", "FILE", "", ""},
};

MapCommandLine ParseMapCommands(const std::vector<std::string>& args) {
    const auto parsed = app::ParseCommandLine(args, "orbisko", "", kMapOptions);
    EXPECT_EQ(parsed.message, "");
    return MapCommandsOf(parsed.options);
}

TEST(BatchMapCommands, KeepTheCommandLineOrderAndSkipOtherOptions) {
    const auto parsed = ParseMapCommands({"--batch", "--data", "/maps", "--zoom-out", "--preset=uk",
                                          "--save", "out.bmp", "--monochrome", "--bounds",
                                          "-660,2970,120,3540", "--zoom-out"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.commands.size(), 5u);
    EXPECT_EQ(parsed.commands[0].kind, Kind::ZoomOut);
    EXPECT_EQ(parsed.commands[1].kind, Kind::Preset);
    EXPECT_EQ(parsed.commands[1].preset, "uk");
    EXPECT_EQ(parsed.commands[2].kind, Kind::Monochrome);
    EXPECT_EQ(parsed.commands[3].kind, Kind::Bounds);
    EXPECT_EQ(parsed.commands[3].west, -660);
    EXPECT_EQ(parsed.commands[3].north, 3540);
    EXPECT_EQ(parsed.commands[4].kind, Kind::ZoomOut);
}

TEST(BatchMapCommands, UnusableBoundsAreRefused) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bounds", "1,2,3"},
                                                 {"--bounds", "1,2,3,4,5"},
                                                 {"--bounds", "1,2,x,4"},
                                                 {"--bounds=1,2,3,"},
                                                 {"--bounds", "99999999999,0,1,1"}}) {
        EXPECT_NE(ParseMapCommands(args).error, "") << args.back();
    }
}

TEST_F(OneCountryForm, BatchMapCommandsRunAsTheWindowCommandsWouldWithTheirRedraws) {
    // Swapped bounds are put in order by the redraw, so zooming out widens them.
    RunMapCommands(form, ParseMapCommands({"--bounds", "120,3540,-660,2970", "--zoom-out",
                                           "--monochrome", "--monochrome", "--monochrome"})
                             .commands);
    EXPECT_EQ(form.MapView.MapWest, -1050);
    EXPECT_EQ(form.MapView.MapNorth, 3825);
    EXPECT_TRUE(form.MapView.MonochromeMap);
    EXPECT_FALSE(form.Timer1.Enabled());

    for (int i = 0; i < 40; ++i) RunMapCommands(form, ParseMapCommands({"--zoom-out"}).commands);
    EXPECT_EQ(form.MapView.MapWest, -10800);
    EXPECT_EQ(form.MapView.MapEast, 10800);

    const std::string saved = dir / "map.bmp";
    DrawAndSaveMap(form, true, saved);
    EXPECT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(form.Image1.Picture()->PixelColour(300, 140), kSilver)
        << "without a grid the map is not coloured";
}

TEST(BatchMapSize, WidthByHeightWithinTheLimitsIsTaken) {
    std::string error;
    const MapSize size = ParseMapSize("1800x900", error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(size.width, 1800);
    EXPECT_EQ(size.height, 900);
    EXPECT_EQ(ParseMapSize("43200x21600", error).height, 21600);
    EXPECT_EQ(ParseMapSize("1x43200", error).height, 43200);
    EXPECT_EQ(error, "");
    for (const char* text : {"900", "900x", "x450", "0x450", "900x-1", "43201x1", "43200x21601",
                             "900X450", "900x450x2", " 900x450", "99999999999x1"}) {
        error.clear();
        ParseMapSize(text, error);
        EXPECT_NE(error.find("--size"), std::string::npos) << text;
    }
}

// Twice the window's size: twice the pixels a degree, the same drawing.
TEST_F(OneCountryForm, BatchMapIsDrawnAndSavedAtTheSizeAsked) {
    form.Monochrome1Click();
    form.OpenUKClick();
    form.SetMapSize(1800, 900);
    EXPECT_TRUE(form.MapView.MonochromeMap);
    EXPECT_EQ(form.MapView.MapWest, -660);
    RunMapCommands(form, ParseMapCommands({"--monochrome", "--preset", "world"}).commands);
    const std::string saved = dir / "map.bmp";
    DrawAndSaveMap(form, false, saved);

    const Bitmap& map = *form.Image1.Picture();
    ASSERT_EQ(map.Width(), 1800);
    ASSERT_EQ(map.Height(), 900);
    EXPECT_DOUBLE_EQ(double(form.MapView.XScale), 12);
    // Arc-minute -9600 is column 100, -2400 column 700; 2400 row 250, 1200 row 350.
    EXPECT_EQ(map.PixelColour(100, 300), kBlack);
    EXPECT_EQ(map.PixelColour(700, 300), kBlack);
    EXPECT_EQ(map.PixelColour(400, 250), kBlack);
    EXPECT_EQ(map.PixelColour(400, 350), kBlack);
    EXPECT_EQ(map.PixelColour(101, 300), kGreen);
    EXPECT_EQ(map.PixelColour(699, 349), kGreen);
    EXPECT_EQ(map.PixelColour(99, 300), kBlue);
    EXPECT_EQ(map.PixelColour(400, 351), kBlue);
    EXPECT_EQ(std::filesystem::file_size(saved), 54u + 1800u * 3 * 900);
}

// The UK preset's x and y scales differ; the world file holds both, for the map as drawn even
// when a zoom is still waiting for its redraw.
TEST(BatchMapGeoreference, DrawnVertexLiesWhereTheWorldFilePutsIt) {
    SKIP_WITHOUT_GDAL();
    TempDir dir;
    Bytes land;
    const int vertexLon = -250;  // arc-minutes
    const int vertexLat = 3300;
    AppendRecord(land, 0, {{vertexLon, vertexLat}, {0, 3200}, {0, 3400}});
    dir.Write("Countries.dat", land);
    ScriptedInteraction ui;
    TFormMain form(ui, {dir.Folder()});
    form.Create();
    form.OpenUKClick();
    form.Zoomout1Click();
    const std::string saved = dir / "uk.bmp";
    form.SaveMap(saved);

    const Bitmap& map = *form.Image1.Picture();
    Point westmost{map.Width(), 0};
    for (int y = 1; y < map.Height() - 1; ++y)
        for (int x = 1; x < westmost.x; ++x)
            if (map.PixelColour(x, y) != kBlue) westmost = {x, y};
    const GdalReadBack gdal = ReadWithGdal(saved);
    EXPECT_EQ(gdal.epsg, "EPSG:4326");
    ASSERT_EQ(gdal.geoTransform.size(), 6u);
    EXPECT_LE(std::abs(gdal.X(westmost.x, westmost.y) * 60 - vertexLon),
              0.5 * gdal.geoTransform[1] * 60);
    EXPECT_LE(std::abs(gdal.Y(westmost.x, westmost.y) * 60 - vertexLat),
              -0.5 * gdal.geoTransform[5] * 60);

    form.FileGeoreferencing.Click();
    form.SaveMap(saved);
    EXPECT_TRUE(ReadWithGdal(saved).geoTransform.empty());
}

}  // namespace
