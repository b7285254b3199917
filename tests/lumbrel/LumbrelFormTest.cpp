#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "Errors.h"
#include "FileContents.h"
#include "LumbrelForm.h"
#include "PNG_IO.h"
#include "PngFiles.h"
#include "PointerReadout.h"
#include "ScriptedInteraction.h"
#include "ShaderTestSupport.h"
#include "TempDir.h"
#include "Tick.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Rgb = std::array<int, 3>;

// A 2 x 2 PNG put together here, so kinds the codec never writes can be tried.
Bytes HandMadePng(int bitDepth, int colourType, int bytesPerRow, const Bytes& extraChunkData,
                  const char* extraChunkType) {
    std::vector<pngfiles::Chunk> chunks = {pngfiles::Ihdr(2, 2, bitDepth, colourType)};
    if (extraChunkType) chunks.push_back({extraChunkType, extraChunkData});
    std::vector<Bytes> rows(2);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < bytesPerRow; ++i) rows[y].push_back(std::uint8_t(40 + 10 * i + y));
    chunks.push_back(pngfiles::Idat(rows));
    chunks.push_back(pngfiles::Iend());
    return pngfiles::MakePng(chunks);
}

// An uncompressed 24-bit BMP read independently of the writer: rows bottom-up, padded to 4.
struct BmpImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};
std::uint32_t Le(const Bytes& b, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | b.at(at + i);
    return value;
}
BmpImage ReadBmp(const std::string& fileName) {
    const Bytes b = ReadBytes(fileName);
    BmpImage image;
    EXPECT_GE(b.size(), 54u);
    EXPECT_EQ(b.at(0), 'B');
    EXPECT_EQ(b.at(1), 'M');
    EXPECT_EQ(Le(b, 28, 2), 24u);  // bits per pixel
    EXPECT_EQ(Le(b, 30, 4), 0u);   // no compression
    std::size_t offset = Le(b, 10, 4);
    image.width = int(Le(b, 18, 4));
    image.height = int(Le(b, 22, 4));
    std::size_t stride = (std::size_t(image.width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(b.size(), offset + stride * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            std::size_t p = offset + stride * (image.height - 1 - y) + 3 * std::size_t(x);
            image.pixels.push_back({b.at(p + 2), b.at(p + 1), b.at(p)});
        }
    return image;
}

class LumbrelForm : public ::testing::Test {
protected:
    LumbrelForm() : folder_(temp_.Path()) {
        form.Create();
        form.Show();
    }
    void Run() { form.TimerOnShow.Fire(); }

    TempDir temp_;
    InFolder folder_;
    ScriptedInteraction ui;
    TickClock clock = GetTickCount;
    TFormMain form{ui, [this] { return clock(); }};
};

}  // namespace

TEST_F(LumbrelForm, WindowHasItsTabsMenusAndDialog) {
    EXPECT_EQ(form.TabControlImage.Tabs(),
              (std::vector<std::string>{"Source", "Colour", "Relief", "Combined"}));
    EXPECT_EQ(form.TimerOnShow.Interval(), 300);
    EXPECT_EQ(form.OpenDialog.filter, "PNG images (*.png)|*.png");
    for (const char* item : {"FileExit", "ViewCellStatistics", "HelpAbout"})
        EXPECT_NE(form.FindMenuItem(item), nullptr) << item;
}

TEST_F(LumbrelForm, ShowingTheWindowStartsTheTimerAndTheRunStopsIt) {
    EXPECT_TRUE(form.TimerOnShow.Enabled());
    Run();
    EXPECT_FALSE(form.TimerOnShow.Enabled());
}

TEST_F(LumbrelForm, StatisticsBeforeTheRunAreFiveZeros) {
    form.FindMenuItem("ViewCellStatistics")->Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Number of cells at each height difference\r0  0  0  0  0  ");
}

TEST_F(LumbrelForm, MissingHeightFileNotFoundThroughTheDialogSaysSoAndCloses) {
    Run();
    ASSERT_EQ(ui.dialogsShown.size(), 1u);
    EXPECT_EQ(ui.dialogsShown[0].title, "Locate the world height PNG image");
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"Cannot find height PNG file topo.png, so closing down."}));
    EXPECT_TRUE(form.IsClosed());
    EXPECT_FALSE(std::filesystem::exists("combined.bmp"));

    ScriptedInteraction answered;
    answered.dialogAnswers.push_back("/nowhere/world.png");
    TFormMain shader(answered);
    shader.Create();
    shader.TimerOnShowTimer();
    EXPECT_EQ(answered.messages,
              (std::vector<std::string>{
                  "Cannot find height PNG file /nowhere/world.png, so closing down."}));
}

TEST_F(LumbrelForm, DialogAnswerStandsInForTheMissingFile) {
    std::filesystem::create_directory("maps");
    WriteHeightPng({{0, 3}, {3, 9}}, "maps/heights.png");
    ui.dialogAnswers.push_back(std::filesystem::absolute("maps/heights.png").string());
    Run();
    EXPECT_FALSE(form.IsClosed());
    EXPECT_TRUE(std::filesystem::exists("combined.bmp"));
}

TEST_F(LumbrelForm, OtherKindsOfPngAreRefusedNamingTheFile) {
    Bitmap rgb(2, 2, PixelFormat::Bgr24);
    SaveBitmapToPng(rgb, "rgb.png", "", "", "", "", {});
    Bitmap palette(2, 2, PixelFormat::Indexed8);
    palette.SetPalette({{10, 20, 30}, {40, 50, 60}});
    SaveBitmapToPng(palette, "palette.png", "", "", "", "", {});
    std::map<std::string, Bytes> handMade = {
        {"grey16.png", HandMadePng(16, 0, 4, {}, nullptr)},
        {"grey2.png", HandMadePng(2, 0, 1, {}, nullptr)},
        {"greyalpha.png", HandMadePng(8, 4, 4, {}, nullptr)},
        {"greytrns.png", HandMadePng(8, 0, 2, {0, 40}, "tRNS")},
    };
    for (const auto& [name, bytes] : handMade) temp_.Write(name, bytes);

    for (const char* name :
         {"rgb.png", "palette.png", "grey16.png", "grey2.png", "greyalpha.png", "greytrns.png"}) {
        ScriptedInteraction scripted;
        TFormMain shader(scripted);
        shader.HeightFileName = name;
        shader.Create();
        try {
            shader.TimerOnShowTimer();
            ADD_FAILURE() << name << " was accepted";
        } catch (const EPngError& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
        EXPECT_TRUE(shader.SourceBitmap->IsEmpty()) << name;
        EXPECT_EQ(shader.SourceBitmap->Format(), PixelFormat::Indexed8) << name;
        EXPECT_EQ(scripted.GetCursor(), ui::Cursor::Default) << name;
        EXPECT_FALSE(shader.IsClosed()) << name;
        EXPECT_FALSE(std::filesystem::exists("combined.bmp")) << name;
    }
}

TEST_F(LumbrelForm, UnreadableFileEndsTheRunAndKeepsTheWindow) {
    temp_.Write("topo.png", {'n', 'o', 't', ' ', 'p', 'n', 'g'});
    try {
        Run();
        ADD_FAILURE() << "a file that is no PNG was accepted";
    } catch (const VarnholtError& error) {
        EXPECT_STREQ(error.what(), "Is not a valid PNG !");
    }
    EXPECT_EQ(ui.cursorHistory,
              (std::vector<ui::Cursor>{ui::Cursor::HourGlass, ui::Cursor::Default}));
    EXPECT_FALSE(form.IsClosed());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(std::filesystem::exists("combined.bmp"));
}

TEST_F(LumbrelForm, WholeRunWritesColourShiftedByReliefToCombinedBmp) {
    const Codes codes = {{0, 1, 2, 3, 30, 255},
                         {0, 2, 1, 3, 2, 150},
                         {150, 1, 3, 3, 255, 30},
                         {2, 30, 150, 255, 0, 0}};
    // Colours of the heights these codes decode to: 0 m, 0 m, 1 m, 100 m, 2500 m, 7225 m.
    const std::map<int, Rgb> colourOfCode = {
        {0, {135, 180, 198}},  {1, {141, 225, 57}},    {2, {141, 225, 57}},    {3, {141, 225, 57}},
        {30, {187, 237, 137}}, {150, {176, 149, 132}}, {255, {255, 255, 255}},
    };
    const int width = 6, height = 4;
    const int seaLevel = codes[0][0];
    std::array<std::int64_t, 6> expectedCounts{};
    auto reliefOffset = [&](int x, int y) {
        if (x == width - 1 || y == height - 1) return 0;
        int a = codes[y][x], b = codes[y + 1][x + 1];
        if (a == seaLevel || b == seaLevel || a == b) return 0;
        int difference = std::abs(b - a);
        if (difference <= 5) ++expectedCounts[difference];
        int step = difference >= 5 ? 20 : std::array{5, 7, 10, 15}[difference - 1];
        return b > a ? step : -step;
    };

    WriteHeightPng(codes, "topo.png");
    temp_.Write("combined.bmp", Bytes(100000, 0xEE));
    Run();

    BmpImage written = ReadBmp("combined.bmp");
    ASSERT_EQ(written.width, width);
    ASSERT_EQ(written.height, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int offset = reliefOffset(x, y);
            Rgb expected = colourOfCode.at(codes[y][x]);
            for (int& channel : expected) channel = std::clamp(channel + offset, 0, 255);
            EXPECT_EQ(written.At(x, y), expected) << "at " << x << ", " << y;
        }

    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"Coloured, shaded image written to COMBINED.BMP"}));
    EXPECT_EQ(form.TabControlImage.TabIndex(), 3);
    EXPECT_EQ(form.ImageDisplay.Picture(), form.CombinedBitmap.get());
    EXPECT_EQ(form.ProgressBarStep.Position(), 0);
    EXPECT_EQ(form.ProgressBarPercent.Position(), 0);
    EXPECT_EQ(ui.GetCursor(), ui::Cursor::Default);

    form.ViewCellStatisticsClick();
    std::string counts;
    for (int difference = 1; difference <= 5; ++difference)
        counts += std::to_string(expectedCounts[difference]) + "  ";
    EXPECT_EQ(ui.messages.back(), "Number of cells at each height difference\r" + counts);
}

TEST_F(LumbrelForm, EachTabShowsItsImage) {
    WriteHeightPng({{0, 3, 9}, {4, 9, 30}}, "topo.png");
    int repaints = 0;
    auto watch = form.ImageDisplay.Subscribe({{}, [&] { ++repaints; }});
    Run();
    const std::array<Bitmap*, 4> images = {form.SourceBitmap.get(), form.ColourBitmap.get(),
                                           form.ReliefBitmap.get(), form.CombinedBitmap.get()};
    for (int tab = 0; tab < 4; ++tab) {
        int before = repaints;
        form.TabControlImage.UserSelect(tab);
        EXPECT_EQ(form.ImageDisplay.Picture(), images[tab]) << tab;
        EXPECT_EQ(repaints, before + 1) << tab;
    }
    for (Bitmap* grey : {form.SourceBitmap.get(), form.ReliefBitmap.get()}) {
        EXPECT_EQ(grey->Format(), PixelFormat::Indexed8);
        EXPECT_EQ(grey->Palette()[200], (PaletteEntry{200, 200, 200}));
    }
    EXPECT_EQ(form.SourceBitmap->Row(1)[2], 30);
}

TEST_F(LumbrelForm, PercentBarChangesOnlyAfterAHundredMilliseconds) {
    std::uint32_t now = 0xFFFFFFC0;  // the counter wraps on the way
    clock = [&] { return now; };
    form.ShowPercent(10);
    EXPECT_EQ(form.ProgressBarPercent.Position(), 10);
    now += 100;
    form.ShowPercent(40);
    EXPECT_EQ(form.ProgressBarPercent.Position(), 10);
    now += 1;
    form.ShowPercent(40);
    EXPECT_EQ(form.ProgressBarPercent.Position(), 40);
}

TEST_F(LumbrelForm, ExitClosesAndAboutShowsTheAboutBox) {
    ui::Form aboutBox(ui, "AboutBoxVRN1");
    form.AboutBox = &aboutBox;
    form.FindMenuItem("HelpAbout")->Click();
    EXPECT_EQ(ui.modalForms, (std::vector<std::string>{"AboutBoxVRN1"}));
    form.FindMenuItem("FileExit")->Click();
    EXPECT_TRUE(form.IsClosed());
}

TEST_F(LumbrelForm, OpenAndDropRunTheSequenceOnAnotherImageAndThePointerReadsItsHeight) {
    WriteHeightPng({{0, 3}, {30, 95}}, "first.png");
    WriteHeightPng({{0, 0, 0, 0}, {0, 0, 0, 255}}, "second.png");
    ui.dialogAnswers.push_back(std::filesystem::absolute("first.png").string());
    form.FileOpen.Click();
    EXPECT_EQ(form.FileOpen.shortcut, "Ctrl+O");
    ASSERT_EQ(form.SourceBitmap->Width(), 2);
    ASSERT_TRUE(form.ImageDisplay.degrees);
    // Without a world file the image is the whole world: pixel (1, 1) is centred on 90 E, 45 S.
    EXPECT_DOUBLE_EQ(form.ImageDisplay.degrees->centreLon + form.ImageDisplay.degrees->lonPerColumn,
                     90);
    EXPECT_DOUBLE_EQ(form.ImageDisplay.degrees->centreLat + form.ImageDisplay.degrees->latPerRow,
                     -45);
    EXPECT_EQ(form.ImageDisplay.DescribePixel(0, 0), "sea");
    EXPECT_EQ(form.ImageDisplay.DescribePixel(1, 0), "1 m");
    EXPECT_EQ(form.ImageDisplay.DescribePixel(1, 1), "1003 m");  // 95 * 95 / 9 = 1002.8

    form.OnFileDropped("second.png");
    EXPECT_EQ(form.SourceBitmap->Width(), 4);
    EXPECT_EQ(form.ImageDisplay.DescribePixel(3, 1), "7225 m");
    EXPECT_TRUE(form.ImageDisplay.navigable);
}

TEST_F(LumbrelForm, ImagesWiderThanTheHeldSizeAreWrittenWholeAndShownReduced) {
    // One column beyond the held width: every second cell each way is shown.
    const int width = TFormMain::kLargestHeldWidth + 1;
    Codes codes(3, std::vector<int>(std::size_t(width), 0));
    for (int x = 1; x < width; ++x) {
        codes[1][std::size_t(x)] = 3 + x % 40;
        codes[2][std::size_t(x)] = 3 + x % 7;
    }
    WriteHeightPng(codes, "topo.png");
    // As a window does; batch mode, which watches nothing, keeps no codes for a pointer.
    const ui::Subscription watching = form.ImageDisplay.Subscribe({});
    Run();
    ASSERT_EQ(ui.messages,
              (std::vector<std::string>{"Coloured, shaded image written to COMBINED.BMP"}));

    // The file holds what shading the whole image in memory gives.
    Bitmap expected;
    const CellCounts counts = MakeShadedImage(HeightImage(codes), expected, {});
    const BmpImage written = ReadBmp("combined.bmp");
    ASSERT_EQ(written.width, width);
    ASSERT_EQ(written.height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* bgr = expected.Row(y) + 3 * x;
            ASSERT_EQ(written.At(x, y), (Rgb{bgr[2], bgr[1], bgr[0]})) << x << ", " << y;
        }
    for (int d = 1; d <= 5; ++d) EXPECT_EQ(form.CellCounts[d], counts[d]) << d;

    EXPECT_EQ(form.LabelReduced.Caption(), "Shown at 1/2 of 5401 x 3");
    for (const auto& shown :
         {form.SourceBitmap, form.ColourBitmap, form.ReliefBitmap, form.CombinedBitmap}) {
        EXPECT_EQ(shown->Width(), 2701);
        EXPECT_EQ(shown->Height(), 2);
    }
    EXPECT_EQ(form.SourceBitmap->Row(1)[7], codes[2][14]);
    EXPECT_EQ(std::memcmp(form.CombinedBitmap->Row(1) + 3 * 7, expected.Row(2) + 3 * 14, 3), 0);
    // The pointer reads the pixel of the full image, where the reduced one stands for four.
    EXPECT_EQ(form.ImageDisplay.reduction, 2);
    EXPECT_EQ(form.ImageDisplay.DescribePixel(15, 2), HeightCodeText(codes[2][15]));
    EXPECT_EQ(form.ImageDisplay.DescribePixel(15, 1), HeightCodeText(codes[1][15]));
    EXPECT_EQ(form.ImageDisplay.DescribePixel(width, 2), "");
    ASSERT_TRUE(form.ImageDisplay.degrees);
    EXPECT_DOUBLE_EQ(form.ImageDisplay.degrees->lonPerColumn, 360.0 / width);

    // Exporting makes the full image again, here as a PNG.
    ui.dialogAnswers.push_back("export.png");
    form.FindMenuItem("FileExport")->Click();
    EXPECT_EQ(ui.messages.back(), "Coloured, shaded image written to export.png");
    Bitmap exported;
    LoadPngToBitmap(exported, "export.png", true);
    ASSERT_EQ(exported.Width(), width);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(std::memcmp(exported.Row(y), expected.Row(y), std::size_t(width) * 3), 0) << y;
}
