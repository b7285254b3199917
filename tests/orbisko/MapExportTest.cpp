#include <gtest/gtest.h>

#include <filesystem>

#include "IsolatedUser.h"
#include "OrbiskoForm.h"
#include "RunCommand.h"
#include "ScriptedInteraction.h"
#include "VectorRendering.h"

namespace {

const std::string kDataFolder =
    (std::filesystem::path(VARNHOLT_TEST_DATA).parent_path().parent_path() / "data/").string();

// Records what DrawFigures asks for.
struct RecordingPainter : MapPainter {
    std::vector<std::string> calls;
    int filled = 0;
    void Rectangle(int, int, int, int, std::optional<Colour> brush) override {
        calls.push_back("rectangle");
        filled += brush.has_value();
    }
    void Polygon(std::span<const PointF>, std::optional<Colour> brush) override {
        calls.push_back("polygon");
        filled += brush.has_value();
    }
    void Polyline(std::span<const PointF>) override { calls.push_back("polyline"); }
    void Polylines(std::span<const std::vector<PointF>>) override { calls.push_back("lines"); }
    void Image(const Bitmap&) override { calls.push_back("image"); }
};

class MapExportTest : public ::testing::Test {
protected:
    MapExportTest() : form(ui, {kDataFolder}) { form.Create(); }
    IsolatedUser user;  // the page width chosen is remembered
    ScriptedInteraction ui;
    TFormMain form;
    TempDir folder;
};

TEST_F(MapExportTest, EachPresetsSvgFallsOnItsRasterOutlines) {
    for (auto preset : {&TFormMain::OpenWorldClick, &TFormMain::OpenUKClick,
                        &TFormMain::OpenScandinaviaClick, &TFormMain::OpenMiddleEastClick}) {
        (form.*preset)();
        form.SaveMap(folder / "map.svg");
        const Bitmap& raster = *form.Image1.Picture();
        const Bitmap rendered = RenderSvg(folder / "map.svg", raster.Width(), raster.Height());
        ASSERT_EQ(rendered.Width(), raster.Width());
        EXPECT_GE(OutlineCoverage(raster, rendered), 0.98) << form.MapView.MapWest;
        EXPECT_GE(InkNearOutlines(raster, rendered), 0.98) << form.MapView.MapWest;
        // The fills agree away from the outlines.
        EXPECT_EQ(rendered.PixelColour(5, 5) & 0xFFFFFF, raster.PixelColour(5, 5));
    }
}

TEST_F(MapExportTest, ExportCommandWritesTheChosenFormatAndPdfNamesItsBounds) {
    form.OpenUKClick();
    ui.dialogAnswers = {folder / "uk.pdf", folder / "uk.png", std::nullopt};
    form.Export1Click();
    form.Export1Click();
    form.Export1Click();
    EXPECT_TRUE(ui.errors.empty());
    const CommandResult info = RunCommand("pdfinfo " + Quoted(folder / "uk.pdf"));
    EXPECT_NE(info.out.find("Page size:       900 x 450 pts"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("11.0181 W to 21.5024 E, 49.5106 N to 59.0106 N"), std::string::npos)
        << info.out;
    Bitmap png;
    ASSERT_TRUE(LoadPngToBitmap(png, folder / "uk.png", true));
    EXPECT_EQ(png.PixelColour(450, 200), form.Image1.Picture()->PixelColour(450, 200));
}

TEST_F(MapExportTest, ExportAsksThePageWidthOfDocumentsAndRemembersIt) {
    form.OpenUKClick();
    ui.dialogAnswers = {folder / "a4.pdf", folder / "again.svg", folder / "none.pdf",
                        folder / "map.png"};
    ui.choiceAnswers = {0, 2, std::nullopt};
    form.Export1Click();
    ASSERT_EQ(ui.choicesShown.size(), 1u);
    EXPECT_EQ(ui.choicesShown[0].items,
              (std::vector<std::string>{"A4 landscape (297 mm)", "A3 landscape (420 mm)",
                                        "A2 landscape (594 mm)", "One point per pixel"}));
    EXPECT_EQ(ui.choicesShown[0].itemIndex, 3);
    // 297 mm is 841.9 points, and the PDF writer keeps whole points.
    const CommandResult info = RunCommand("pdfinfo " + Quoted(folder / "a4.pdf"));
    EXPECT_NE(info.out.find("Page size:       842 x 421 pts"), std::string::npos) << info.out;

    form.Export1Click();
    EXPECT_EQ(ui.choicesShown.at(1).itemIndex, 0);
    EXPECT_NE(ReadText(folder / "again.svg").find("width=\"594mm\""), std::string::npos);
    form.Export1Click();  // cancelled: nothing written, the choice kept
    EXPECT_EQ(ui.choicesShown.at(2).itemIndex, 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "none.pdf"));
    form.Export1Click();  // a raster has no page
    EXPECT_EQ(ui.choicesShown.size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(folder / "map.png"));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(MapExportTest, HeightColoursLieBeneathUnfilledOutlines) {
    form.OpenUKClick();
    RecordingPainter plain;
    form.MapView.DrawFigures(plain, *form.CartogList, nullptr);
    ASSERT_GT(plain.calls.size(), 2u);
    EXPECT_EQ(plain.calls.front(), "rectangle");
    EXPECT_GT(plain.filled, 1);

    RecordingPainter coloured;
    form.MapView.DrawFigures(coloured, *form.CartogList, form.Image1.Picture());
    EXPECT_EQ(coloured.calls.front(), "image");
    EXPECT_EQ(coloured.calls.size(), plain.calls.size() + 1);
    EXPECT_EQ(coloured.filled, 0);
}

TEST_F(MapExportTest, FiguresOffTheImageAreLeftOut) {
    RecordingPainter world;
    form.OpenWorldClick();
    form.MapView.DrawFigures(world, *form.CartogList, nullptr);
    RecordingPainter uk;
    form.OpenUKClick();
    form.MapView.DrawFigures(uk, *form.CartogList, nullptr);
    EXPECT_LT(uk.calls.size() * 4, world.calls.size());
}

}  // namespace
