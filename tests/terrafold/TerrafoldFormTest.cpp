#include <gtest/gtest.h>

#include <QSettings>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Errors.h"
#include "GSHHSdata.h"
#include "HandOver.h"
#include "HandOverPauses.h"
#include "InFolder.h"
#include "IsolatedUser.h"
#include "PNG_IO.h"
#include "ScriptedInteraction.h"
#include "TempDir.h"
#include "TerrafoldFixtures.h"
#include "TerrafoldForm.h"

using pngfiles::FileChunks;
using terrafold_test::Pixel;

namespace {

// Each test has its own home folder (the default data locations) and its own settings store.
class TerrafoldStartupTest : public ::testing::Test {
protected:
    std::string DefaultTileFolder() const { return home.Folder() + "GTOPO30/"; }
    std::string DefaultShorelineFile() const { return home.Folder() + "GSHHS/gshhs_l.b"; }

    void MakeDefaultShorelineFile(const ShorelineFile& file = ShorelineFile::Blank()) const {
        std::filesystem::create_directories(home.Path() / "GSHHS");
        file.WriteTo(DefaultShorelineFile());
    }
    std::unique_ptr<GtopoTiles> MakeTiles(const std::string& folder) const {
        std::filesystem::create_directories(folder);
        return std::make_unique<GtopoTiles>(folder);
    }

    static std::string Stored(const char* name) {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Varnholt",
                         "test_terrafold")
            .value(name)
            .toString()
            .toStdString();
    }
    static void Store(const char* name, const std::string& value) {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Varnholt", "test_terrafold")
            .setValue(name, QString::fromStdString(value));
    }

    std::unique_ptr<TFormMain> Start(TerrafoldStartup startup = {}) {
        auto form = std::make_unique<TFormMain>(ui, std::move(startup));
        form->Create();
        return form;
    }

    IsolatedUser user;
    const TempDir& home = user.home;
    ScriptedInteraction ui;
};

}  // namespace

TEST_F(TerrafoldStartupTest, WindowHasItsControlsMenusAndWorldBitmaps) {
    TFormMain form(ui);
    EXPECT_EQ(form.Caption(), "GTOPO30 - Convert Tile Data To Bitmap");
    EXPECT_EQ(form.ImageDisplay.GetBounds(), (ui::Bounds{8, 0, 720, 360}));
    EXPECT_TRUE(form.ImageDisplay.Stretch());
    EXPECT_EQ(form.ButtonRefresh.Caption(), "Refresh");
    EXPECT_EQ(form.ButtonClose.Caption(), "Close");
    EXPECT_EQ(form.ProgressBar.Max(), 100);
    EXPECT_EQ(form.FindMenuItem("FileExit")->Caption(), "E&xit");
    EXPECT_EQ(form.FindMenuItem("HelpAbout")->Caption(), "&About...");
    EXPECT_EQ(form.OpenDialog.filter, "All files (*.*)|*.*");

    // Only the picture follows the window's width and height; the buttons keep to the
    // bottom right corner and the bar to the bottom left.
    form.SetClientSize(form.ClientWidth() + 100, form.ClientHeight() + 50);
    EXPECT_EQ(form.ImageDisplay.GetBounds(), (ui::Bounds{8, 0, 820, 410}));
    EXPECT_EQ(form.ButtonRefresh.GetBounds(), (ui::Bounds{604, 426, 97, 25}));
    EXPECT_EQ(form.ButtonClose.GetBounds(), (ui::Bounds{732, 426, 97, 25}));
    EXPECT_EQ(form.ProgressBar.GetBounds(), (ui::Bounds{8, 426, 177, 17}));

    form.Create();  // no data: the program ends, but the bitmaps exist
    const Bitmap* shown = form.ImageDisplay.Picture();
    ASSERT_EQ(shown, &form.HeightBitmap);
    for (const Bitmap* bitmap : {&form.HeightBitmap, &form.MaskBitmap}) {
        EXPECT_EQ(bitmap->Width(), 5400);
        EXPECT_EQ(bitmap->Height(), 2700);
        EXPECT_EQ(bitmap->Format(), PixelFormat::Indexed8);
        ASSERT_EQ(bitmap->Palette().size(), 256u);
        EXPECT_EQ(bitmap->Palette()[77], (PaletteEntry{77, 77, 77}));
    }
}

TEST_F(TerrafoldStartupTest, DataInTheDefaultPlacesNeedsNoDialogAndIsStoredAtExit) {
    auto tiles = MakeTiles(DefaultTileFolder());
    MakeDefaultShorelineFile();
    auto form = Start();
    EXPECT_TRUE(form->HasTiles());
    EXPECT_TRUE(ui.dialogsShown.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_FALSE(ui.Terminated());
    form.reset();
    EXPECT_EQ(Stored("GTOPO30Folder"), DefaultTileFolder());
    EXPECT_EQ(Stored("GSHHSFile"), DefaultShorelineFile());
}

TEST_F(TerrafoldStartupTest, MissingTileFolderAndCancelledDialogEndsTheProgram) {
    MakeDefaultShorelineFile();
    auto form = Start();
    ASSERT_EQ(ui.dialogsShown.size(), 1u);
    EXPECT_EQ(ui.dialogsShown[0].fileName, "E020N40.dem");
    EXPECT_EQ(ui.dialogsShown[0].title, "Please point to the folder containing the GTOPO30 data");
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Terrafold cannot continue without GTOPO30 data files!"});
    EXPECT_TRUE(ui.Terminated());
    EXPECT_FALSE(form->HasTiles());
    EXPECT_EQ(form->GSHHSFileSetting, nullptr);
    form.reset();
    EXPECT_EQ(Stored("GTOPO30Folder"), DefaultTileFolder());
    EXPECT_EQ(Stored("GSHHSFile"), "");  // never created, never stored
}

TEST_F(TerrafoldStartupTest, FolderPickedWithoutTilesLeavesAnInertWindowAndIsStored) {
    TempDir elsewhere;
    ui.dialogAnswers.push_back(elsewhere / "notes.txt");
    auto form = Start();
    EXPECT_EQ(ui.errors,
              std::vector<std::string>{"Cannot open file: " + elsewhere.Folder() + "W180N90.dem"});
    EXPECT_FALSE(ui.Terminated());
    EXPECT_FALSE(form->HasTiles());
    EXPECT_EQ(form->GSHHSFileSetting, nullptr);

    // Refresh does nothing without tiles but say why.
    TempDir work;
    {
        InFolder inWork(work.Path());
        form->ButtonRefresh.OnClick();
    }
    EXPECT_TRUE(ui.cursorHistory.empty());
    EXPECT_EQ(form->ProgressBar.Max(), 100);
    EXPECT_TRUE(std::filesystem::is_empty(work.Path()));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Cannot refresh without the GTOPO30 tiles. " +
                                                    ui.errors.at(0)});

    form.reset();
    EXPECT_EQ(Stored("GTOPO30Folder"), elsewhere.Folder());
}

TEST_F(TerrafoldStartupTest, StoredFolderWithoutFinalSeparatorAsksAndTakesThePickedFilesFolder) {
    TempDir data;
    auto tiles = MakeTiles(data.Folder());
    MakeDefaultShorelineFile();
    Store("GTOPO30Folder", data.Path().string());  // no final "/"
    ui.dialogAnswers.push_back(data / "W180N90.dem");
    auto form = Start();
    EXPECT_EQ(ui.dialogsShown.size(), 1u);
    EXPECT_TRUE(form->HasTiles());
    EXPECT_EQ(form->GTOPO30FolderSetting->Value, data.Folder());
}

TEST_F(TerrafoldStartupTest, TileNamesInCapitalsAreFound) {
    auto tiles = MakeTiles(DefaultTileFolder());
    std::filesystem::rename(DefaultTileFolder() + "E020N40.dem",
                            DefaultTileFolder() + "E020N40.DEM");
    std::filesystem::rename(DefaultTileFolder() + "W000S60.dem",
                            DefaultTileFolder() + "w000s60.DEM");
    MakeDefaultShorelineFile();
    auto form = Start();
    EXPECT_TRUE(ui.dialogsShown.empty());
    EXPECT_TRUE(form->HasTiles());
}

TEST_F(TerrafoldStartupTest, MissingShorelineFileAsksForItAndEndsWhenNoneIsGiven) {
    auto tiles = MakeTiles(DefaultTileFolder());
    {
        auto form = Start();
        ASSERT_EQ(ui.dialogsShown.size(), 1u);
        EXPECT_EQ(ui.dialogsShown[0].fileName, "GSHHS*.*");
        EXPECT_EQ(ui.dialogsShown[0].initialDir, home.Folder());
        EXPECT_EQ(ui.dialogsShown[0].title, "Please point to the GSHHS file you would like to use");
        EXPECT_EQ(ui.messages,
                  std::vector<std::string>{"Terrafold cannot continue without a GSHHS data file!"});
        EXPECT_TRUE(ui.Terminated());
        EXPECT_TRUE(form->HasTiles());
    }
    EXPECT_EQ(Stored("GSHHSFile"), DefaultShorelineFile());

    // A picked file that has gone by the time it is checked is no file either.
    ScriptedInteraction second;
    second.dialogAnswers.push_back(home / "vanished.b");
    TFormMain form(second);
    form.Create();
    EXPECT_EQ(second.messages.size(), 1u);
    EXPECT_TRUE(second.Terminated());
}

TEST_F(TerrafoldStartupTest, PickedShorelineFileIsTakenAndRemembered) {
    auto tiles = MakeTiles(DefaultTileFolder());
    const std::string chosen = home / "GSHHS_i.b";
    ShorelineFile::Blank().WriteTo(chosen);
    ui.dialogAnswers.push_back(chosen);
    {
        auto form = Start();
        EXPECT_FALSE(ui.Terminated());
        EXPECT_TRUE(ui.messages.empty());
    }
    EXPECT_EQ(Stored("GSHHSFile"), chosen);

    // The next start finds it without asking.
    ScriptedInteraction second;
    TFormMain form(second);
    form.Create();
    EXPECT_TRUE(second.dialogsShown.empty());
    EXPECT_EQ(form.GSHHSFileSetting->Value, chosen);
}

TEST_F(TerrafoldStartupTest, NonShorelineFileIsRefusedWhereverItIsNamed) {
    auto tiles = MakeTiles(DefaultTileFolder());
    const std::string text = "# Notes\n\nNothing here is a polygon header of any kind.\n";
    const std::string notes = home.Write("notes.md", {text.begin(), text.end()});
    const std::string refused = notes + " is not a GSHHS shoreline file";
    {
        // Picked in the start-up dialog: as if none were picked.
        ui.dialogAnswers.push_back(notes);
        auto form = Start();
        EXPECT_EQ(ui.errors, std::vector<std::string>{refused});
        EXPECT_EQ(ui.messages,
                  std::vector<std::string>{"Terrafold cannot continue without a GSHHS data file!"});
        EXPECT_EQ(form->GSHHSFileSetting->Value, DefaultShorelineFile());
    }
    EXPECT_EQ(Stored("GSHHSFile"), DefaultShorelineFile());

    // Given at start beside a good stored file: said, and the stored one kept.
    MakeDefaultShorelineFile();
    ScriptedInteraction second;
    auto form = std::make_unique<TFormMain>(second, TerrafoldStartup{std::nullopt, notes});
    form->Create();
    EXPECT_EQ(second.errors, std::vector<std::string>{refused});
    EXPECT_TRUE(form->ShorelineRefused());
    EXPECT_FALSE(second.Terminated());
    EXPECT_EQ(form->GSHHSFileSetting->Value, DefaultShorelineFile());

    // The stored file replaced by another kind since start-up: Refresh writes nothing.
    std::filesystem::copy_file(notes, DefaultShorelineFile(),
                               std::filesystem::copy_options::overwrite_existing);
    TempDir work;
    InFolder inWork(work.Path());
    EXPECT_THROW(form->ButtonRefreshClick(), ENotShorelineFile);
    EXPECT_TRUE(std::filesystem::is_empty(work.Path()));
}

TEST_F(TerrafoldStartupTest, LocationsGivenAtStartReplaceStoredOnesAndAreStored) {
    TempDir data;
    auto tiles = MakeTiles(data.Folder());
    const std::string shoreline = data / "gshhs_c.b";
    ShorelineFile::Blank().WriteTo(shoreline);
    Store("GTOPO30Folder", "/nowhere/");
    Store("GSHHSFile", "/nowhere/gshhs_l.b");
    {
        // A file inside the tile folder, in any capitals as in the dialog, stands for the folder;
        // a relative path is kept whole.
        auto form = [&] {
            InFolder inData(data.Path());
            return Start({data / "w180n90.DEM", "gshhs_c.b"});
        }();
        EXPECT_TRUE(ui.dialogsShown.empty());
        EXPECT_TRUE(form->HasTiles());
    }
    EXPECT_EQ(Stored("GTOPO30Folder"), data.Folder());
    EXPECT_EQ(Stored("GSHHSFile"), shoreline);
}

TEST_F(TerrafoldStartupTest, CloseAndExitCloseTheWindowAndAboutShowsTheBox) {
    TFormMain form(ui);
    ui::Form about(ui, "AboutBoxVRN1");
    form.AboutBox = &about;
    form.FindMenuItem("HelpAbout")->Click();
    EXPECT_EQ(ui.modalForms, std::vector<std::string>{"AboutBoxVRN1"});
    form.ButtonClose.OnClick();
    EXPECT_TRUE(form.IsClosed());
    TFormMain other(ui);
    other.FindMenuItem("FileExit")->Click();
    EXPECT_TRUE(other.IsClosed());
}

namespace {

// A full run on a full-size sparse tile set, writing into a folder of its own.
class TerrafoldRefreshTest : public TerrafoldStartupTest {
protected:
    TempDir work;

private:
    InFolder inWork_{work.Path()};
};

std::string Text(const pngfiles::Chunk& chunk) {
    std::string text(chunk.data.begin(), chunk.data.end());
    std::replace(text.begin(), text.end(), '\0', '=');
    return text;
}

}  // namespace

TEST_F(TerrafoldRefreshTest, WritesBothImagesWithLakesAndTheSameBytesEachTime) {
    auto tiles = MakeTiles(DefaultTileFolder());
    tiles->PutCell(0, 0, 7197);               // pixel (0, 0)
    tiles->PutCell(4800, 6000, 100);          // pixel (600, 750)
    tiles->PutCell(43192, 21592, -9999);      // pixel (5399, 2699)
    tiles->PutCell(8 * 1510, 8 * 610, 2000);  // inside the lake below
    MakeDefaultShorelineFile(ShorelineFile()
                                 .Box(2, 20001, Pixel(1500, 600), Pixel(1530, 620))
                                 .Box(2, 20000, Pixel(1600, 600), Pixel(1630, 620)));
    auto form = Start();
    ASSERT_TRUE(form->HasTiles());

    std::vector<int> positions;
    auto watchBar = form->ProgressBar.Subscribe(
        {[&] { positions.push_back(form->ProgressBar.Position()); }, {}});
    int repaints = 0;
    auto watchImage = form->ImageDisplay.Subscribe({{}, [&] { ++repaints; }});
    form->ButtonRefresh.OnClick();

    EXPECT_EQ(ui.messages, std::vector<std::string>{"Image(s) written to file topo.png"});
    EXPECT_EQ(ui.cursorHistory,
              (std::vector<ui::Cursor>{ui::Cursor::HourGlass, ui::Cursor::Default}));
    EXPECT_EQ(form->ProgressBar.Max(), 33);
    EXPECT_EQ(form->ProgressBar.Position(), 0);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), 33);
    EXPECT_EQ(positions.back(), 0);
    EXPECT_EQ(repaints, 34);  // once per tile, once after the lakes

    Bitmap topo;
    Bitmap mask;
    ASSERT_TRUE(LoadPngToBitmap(topo, "topo.png", false));
    ASSERT_TRUE(LoadPngToBitmap(mask, "LandSeaMask.png", false));
    ASSERT_EQ(topo.Width(), 5400);
    ASSERT_EQ(topo.Height(), 2700);
    EXPECT_EQ(topo.Row(0)[0], 255);
    EXPECT_EQ(mask.Row(0)[0], 255);
    EXPECT_EQ(topo.Row(750)[600], 30);
    EXPECT_EQ(topo.Row(2699)[5399], 0);
    EXPECT_EQ(topo.Row(1)[1], 1);
    EXPECT_EQ(mask.Row(1)[1], 0);
    EXPECT_EQ(topo.Row(610)[1510], 0);  // land under a large lake is water
    EXPECT_EQ(mask.Row(610)[1510], 0);
    EXPECT_EQ(topo.Row(610)[1610], 1);  // the lake at the threshold is not filled
    for (int y = 0; y < 2700; ++y) {
        ASSERT_EQ(std::memcmp(topo.Row(y), form->HeightBitmap.Row(y), 5400), 0) << y;
        ASSERT_EQ(std::memcmp(mask.Row(y), form->MaskBitmap.Row(y), 5400), 0) << y;
    }

    // One-channel 8-bit grey with the four texts; a second run differs only in its time stamp.
    std::vector<std::string> texts;
    auto chunks = FileChunks("topo.png");
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[0].data[8], 8);  // bit depth
    EXPECT_EQ(chunks[0].data[9], 0);  // grey
    for (const auto& chunk : chunks)
        if (chunk.type == "tEXt") texts.push_back(Text(chunk));
    EXPECT_EQ(texts, (std::vector<std::string>{"Author=" + TerrafoldAuthor(),
                                               "Description=Scaled World Map Heights",
                                               "Software=Terrafold", "Title=Topographic Data"}));
    texts.clear();
    for (const auto& chunk : FileChunks("LandSeaMask.png"))
        if (chunk.type == "tEXt") texts.push_back(Text(chunk));
    EXPECT_EQ(texts[1], "Description=Scaled World Map Mask");

    auto withoutTime = [](const std::string& path) {
        auto all = FileChunks(path);
        std::erase_if(all, [](const auto& chunk) { return chunk.type == "tIME"; });
        std::vector<unsigned char> bytes;
        for (const auto& chunk : all) {
            bytes.insert(bytes.end(), chunk.type.begin(), chunk.type.end());
            bytes.insert(bytes.end(), chunk.data.begin(), chunk.data.end());
        }
        return bytes;
    };
    const auto firstTopo = withoutTime("topo.png");
    const auto firstMask = withoutTime("LandSeaMask.png");
    form->ButtonRefresh.OnClick();
    EXPECT_EQ(withoutTime("topo.png"), firstTopo);
    EXPECT_EQ(withoutTime("LandSeaMask.png"), firstMask);
}

TEST_F(TerrafoldStartupTest, ThePointerReadsDegreesHeightAndLandFromTheWorldImage) {
    TFormMain form(ui);
    ASSERT_TRUE(form.ImageDisplay.degrees);
    const ui::PictureDegrees& degrees = *form.ImageDisplay.degrees;
    // 15 pixels a degree, each centred on the 30-second cell it samples: pixel (2700, 1350)
    // on cell (21600, 10800), half a cell east and south of (0, 0).
    EXPECT_NEAR(degrees.centreLon + 2700 * degrees.lonPerColumn, 1 / 240.0, 1e-12);
    EXPECT_NEAR(degrees.centreLat + 1350 * degrees.latPerRow, -1 / 240.0, 1e-12);
    form.Create();
    form.HeightBitmap.Row(10)[20] = 95;
    form.MaskBitmap.Row(10)[20] = 255;
    EXPECT_EQ(form.ImageDisplay.DescribePixel(20, 10), "land, 1003 m");
    EXPECT_EQ(form.ImageDisplay.DescribePixel(21, 10), "sea");
}

TEST_F(TerrafoldStartupTest, LocationsOpenedFromTheMenuAreTakenAndListedAsRecent) {
    auto tiles = MakeTiles(DefaultTileFolder());
    MakeDefaultShorelineFile();
    auto form = Start();
    ASSERT_TRUE(form->HasTiles());
    const std::string other = (home.Path() / "other.b").string();
    ShorelineFile::Blank().WriteTo(other);
    ui.dialogAnswers.push_back(other);
    form->FileOpenShoreline.Click();
    EXPECT_EQ(form->GSHHSFileSetting->Value, other);
    form->OnFileDropped(DefaultTileFolder() + "E020N40.dem");
    EXPECT_TRUE(form->HasTiles());
    EXPECT_EQ(form->GTOPO30FolderSetting->Value, DefaultTileFolder());
    const ui::MenuItem& first = *form->FileRecent.Items().front();
    EXPECT_EQ(first.Caption(), "&1 " + DefaultTileFolder());
    EXPECT_EQ(form->FileRecent.Items()[1]->Caption(), "&2 " + other);
    EXPECT_FALSE(form->FileRecent.Items()[3]->Visible());
    EXPECT_THROW(form->OpenLocation(home.Folder() + "missing.b"), EFOpenError);
}

TEST_F(TerrafoldRefreshTest, ChosenWidthIsWrittenShownReducedAndRemembered) {
    constexpr int kWidth = 8640;  // a pixel every 5 cells
    auto tiles = MakeTiles(DefaultTileFolder());
    tiles->PutCell(5 * 4319, 5 * 2159, 7197);  // image pixel (4319, 2159)
    tiles->PutCell(5 * 4320, 5 * 2160, 100);   // image pixel (4320, 2160), display (2700, 1350)
    MakeDefaultShorelineFile();
    auto form = Start();
    ASSERT_TRUE(form->HasTiles());
    EXPECT_TRUE(form->FindMenuItem("FileWidth5400")->Checked());
    form->FindMenuItem("FileWidth8640")->Click();
    EXPECT_EQ(form->ImageWidth, kWidth);
    EXPECT_FALSE(form->FindMenuItem("FileWidth5400")->Checked());
    form->ButtonRefresh.OnClick();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Image(s) written to file topo.png"});
    EXPECT_EQ(form->ProgressBar.Max(), (kWidth / 2 + 63) / 64);
    EXPECT_EQ(form->ProgressBar.Position(), 0);

    Bitmap topo;
    ASSERT_TRUE(LoadPngToBitmap(topo, "topo.png", false));
    ASSERT_EQ(topo.Width(), kWidth);
    ASSERT_EQ(topo.Height(), kWidth / 2);
    EXPECT_EQ(topo.Row(2159)[4319], 255);
    EXPECT_EQ(topo.Row(2160)[4320], 30);
    // The display holds image pixel (x * 8640 / 5400, y * 4320 / 2700) at (x, y).
    ASSERT_EQ(form->HeightBitmap.Width(), kWorldImageWidth);
    for (int y = 0; y < kWorldImageHeight; y += 7)
        for (int x = 0; x < kWorldImageWidth; x += 3)
            ASSERT_EQ(form->HeightBitmap.Row(y)[x], topo.Row(y * 8 / 5)[x * 8 / 5])
                << x << ", " << y;
    EXPECT_EQ(form->HeightBitmap.Row(1350)[2700], 30);

    // The window's choice outlives it; a width given at start is for that run alone.
    form.reset();
    EXPECT_EQ(Stored("ImageWidth"), std::to_string(kWidth));
    EXPECT_EQ(Start()->ImageWidth, kWidth);
    TerrafoldStartup once;
    once.ImageWidth = 43200;
    auto given = Start(once);
    EXPECT_EQ(given->ImageWidth, 43200);
    EXPECT_TRUE(given->FindMenuItem("FileWidth43200")->Checked());
    given.reset();
    EXPECT_EQ(Stored("ImageWidth"), std::to_string(kWidth));
}

TEST_F(TerrafoldRefreshTest, LakesReachTheHeightFileWhenItsWriterRunsAheadOfThePainter) {
    // The painter lags behind each band it hands over, so a writer given a band before its lakes
    // are painted would write the land beneath them.
    static std::thread::id painter;
    painter = std::this_thread::get_id();
    handover::SetTestPause([](handover::Side side) {
        if (side == handover::Side::Given && std::this_thread::get_id() == painter)
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
    });
    struct Unpause {
        ~Unpause() { handover::SetTestPause(nullptr); }
    } unpause;
    auto tiles = MakeTiles(DefaultTileFolder());
    tiles->PutCell(8 * 1510, 8 * 610, 2000);   // the first band
    tiles->PutCell(8 * 4010, 8 * 2610, 2000);  // the last band
    MakeDefaultShorelineFile(ShorelineFile()
                                 .Box(2, 20001, Pixel(1500, 600), Pixel(1530, 620))
                                 .Box(2, 20001, Pixel(4000, 2600), Pixel(4030, 2620)));
    auto form = Start();
    ASSERT_TRUE(form->HasTiles());
    form->ButtonRefresh.OnClick();

    Bitmap topo;
    ASSERT_TRUE(LoadPngToBitmap(topo, "topo.png", false));
    EXPECT_EQ(topo.Row(610)[1510], 0);
    EXPECT_EQ(topo.Row(2610)[4010], 0);
    for (int y = 0; y < 2700; ++y)
        ASSERT_EQ(std::memcmp(topo.Row(y), form->HeightBitmap.Row(y), 5400), 0) << y;
}

TEST_F(TerrafoldRefreshTest, BandsWrittenUnderRandomPausesGiveTheSameFiles) {
    auto tiles = MakeTiles(DefaultTileFolder());
    for (int i = 0; i < 40; ++i) tiles->PutCell(8 * (i * 131 % 5400), 8 * (i * 67 % 2700), 50 * i);
    MakeDefaultShorelineFile(ShorelineFile()
                                 .Box(2, 20001, Pixel(1500, 740), Pixel(1530, 760))
                                 .Box(2, 20001, Pixel(4000, 2240), Pixel(4030, 2260)));
    auto form = Start();
    ASSERT_TRUE(form->HasTiles());
    form->ButtonRefresh.OnClick();
    const auto topo = FileChunks("topo.png");
    const auto mask = FileChunks("LandSeaMask.png");
    auto withoutTime = [](std::vector<pngfiles::Chunk> chunks) {
        std::erase_if(chunks, [](const auto& chunk) { return chunk.type == "tIME"; });
        return chunks;
    };

    RandomHandOverPauses pauses;
    for (int run = 0, runs = StressRuns(2, 0.01); run < runs; ++run) {
        form->ButtonRefresh.OnClick();
        ASSERT_EQ(withoutTime(FileChunks("topo.png")), withoutTime(topo)) << "run " << run;
        ASSERT_EQ(withoutTime(FileChunks("LandSeaMask.png")), withoutTime(mask)) << "run " << run;
    }
}
