#include "TerrafoldForm.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "AsciiCase.h"
#include "Errors.h"
#include "FileLookup.h"
#include "GSHHSdata.h"
#include "GeoreferenceChoice.h"
#include "LargeLakes.h"
#include "OpenDialogNames.h"
#include "PNG_IO.h"
#include "PointerReadout.h"
#include "ProgramVersion.h"
#include "VersInfo.h"

std::string TerrafoldAuthor() {
    // The same maker and address as the About box shows.
    TdfsVersionInfoResource info(&ProgramVersionBlock());
    return info.Value(pdCompanyName) + ", " + info.ValueByKey("Web site");
}

namespace {

const char* const kTileProbe = "E020N40.dem";
const char* const kAllFilesFilter = "All files (*.*)|*.*";

// A location from the command line is stored at exit, so it must not depend on the folder the
// program happened to start in.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// A folder given on the command line, or any file inside it as the tile dialog takes it.
std::string FolderOf(const std::string& location, const ui::OpenDialog& tileDialog) {
    std::string path = AbsolutePath(location);
    if (std::optional<std::string> file = ui::AcceptedPath(tileDialog, path);
        file && FileExists(*file))
        return FolderPart(*file);
    return path.ends_with('/') ? path : path + "/";
}

std::string SizeCaption(int width) {
    return std::to_string(width) + " x " + std::to_string(width / 2);
}

// Rows of the made images at a time when they are too large to hold: some 2.8 MB of each at
// the full width.
constexpr int kBandRows = 64;

// Copies the band's rows that the display shows into it.
void CopyReduced(const Bitmap& band, int firstRow, int lastRow, int imageWidth, Bitmap& display) {
    const int imageHeight = imageWidth / 2;
    const std::int64_t displayHeight = display.Height();
    const std::int64_t displayWidth = display.Width();
    // The first display row whose image row, y * imageHeight / displayHeight, is firstRow or later.
    std::int64_t y = (std::int64_t(firstRow) * displayHeight + imageHeight - 1) / imageHeight;
    for (; y < displayHeight; ++y) {
        const std::int64_t row = y * imageHeight / displayHeight;
        if (row >= lastRow) break;
        const std::uint8_t* in = band.Row(int(row - firstRow));
        std::uint8_t* out = display.Row(int(y));
        for (std::int64_t x = 0; x < displayWidth; ++x) out[x] = in[x * imageWidth / displayWidth];
    }
}

}  // namespace

TFormMain::TFormMain(ui::Interaction& interaction, TerrafoldStartup startup)
    : ui::Form(interaction, "FormMain"),
      ImageDisplay(Make<ui::Image>("ImageDisplay")),
      ButtonRefresh(Make<ui::Button>("ButtonRefresh")),
      ButtonClose(Make<ui::Button>("ButtonClose")),
      ProgressBar(Make<ui::ProgressBar>("ProgressBar")),
      FileMenu(MainMenu().Add("FileMenu", "&File")),
      FileOpenTiles(
          FileMenu.Add("FileOpenTiles", "&Open tile folder...", [this] { FileOpenTilesClick(); })),
      FileOpenShoreline(FileMenu.Add("FileOpenShoreline", "Open &shoreline file...",
                                     [this] { FileOpenShorelineClick(); })),
      FileRecent(FileMenu.Add("FileRecent", "Open &recent")),
      FileGeoreferencing(AddGeoreferenceItem(FileMenu)),
      FileImageSize(FileMenu.Add("FileImageSize", "Image &size")),
      FileExit((FileMenu.AddSeparator("N1"),
                FileMenu.Add("FileExit", "E&xit", [this] { FileExitClick(); }))),
      HelpMenu(MainMenu().Add("HelpMenu", "&Help")),
      HelpAbout(HelpMenu.Add("HelpAbout", "&About...", [this] { HelpAboutClick(); })),
      HeightBitmap(ImageDisplay.OwnPicture()),
      startup_(std::move(startup)) {
    SetCaption("GTOPO30 - Convert Tile Data To Bitmap");
    SetDesign(192, 107, 746, 455);

    ImageDisplay.SetBounds({8, 0, 720, 360});
    ImageDisplay.SetAnchors(ui::AnchorsAll);
    ImageDisplay.SetStretch(true);
    ImageDisplay.navigable = true;
    ImageDisplay.degrees = PictureDegreesOf(WorldImageTransform());
    ImageDisplay.DescribePixel = [this](int column, int row) {
        const int mask = MaskBitmap.Row(row)[column];
        if (mask == 0) return LandSeaText(mask);
        return LandSeaText(mask) + ", " + HeightCodeText(HeightBitmap.Row(row)[column]);
    };

    FileOpenTiles.shortcut = "Ctrl+O";
    FileExit.shortcut = "Ctrl+Q";
    recentFiles_ = std::make_unique<TRecentFiles>(
        FileRecent, [this](const std::string& path) { OpenLocation(path); });
    OnFileDropped = [this](const std::string& path) { OpenLocation(path); };

    ButtonRefresh.SetCaption("Refresh");
    ButtonRefresh.SetBounds({504, 376, 97, 25});
    ButtonRefresh.SetAnchors(ui::AnchorRight | ui::AnchorBottom);
    ButtonRefresh.SetTabOrder(0);
    ButtonRefresh.OnClick = [this] { ButtonRefreshClick(); };

    ButtonClose.SetCaption("Close");
    ButtonClose.SetBounds({632, 376, 97, 25});
    ButtonClose.SetAnchors(ui::AnchorRight | ui::AnchorBottom);
    ButtonClose.SetTabOrder(1);
    ButtonClose.OnClick = [this] { ButtonCloseClick(); };

    ProgressBar.SetBounds({8, 376, 177, 17});
    ProgressBar.SetAnchors(ui::AnchorLeft | ui::AnchorBottom);
    ProgressBar.SetMin(0);
    ProgressBar.SetMax(100);
    ProgressBar.smooth = true;
    ProgressBar.SetTabOrder(2);

    for (int width : kWorldImageWidths) {
        ui::MenuItem& item =
            FileImageSize.Add("FileWidth" + std::to_string(width), SizeCaption(width),
                              [this, width] { ChooseImageWidth(width); });
        item.SetRadioItem(true, 1);
        item.SetChecked(width == ImageWidth);
    }

    OpenDialog.name = "OpenDialog";
    OpenDialog.filter = kAllFilesFilter;
    OpenDialog.initialDir = HomePath("");
    OpenDialog.options =
        ui::HideReadOnly | ui::PathMustExist | ui::FileMustExist | ui::EnableSizing;
}

TFormMain::~TFormMain() { Destroy(); }

void TFormMain::FormCreate() {
    for (Bitmap* bitmap : {&HeightBitmap, &MaskBitmap}) {
        bitmap->SetFormat(PixelFormat::Indexed8);
        bitmap->SetSize(kWorldImageWidth, kWorldImageHeight);
        SetGreyPalette(*bitmap);
    }
    ImageDisplay.PictureChanged();

    recentFiles_->Load();
    GTOPO30FolderSetting = std::make_unique<TRegistryString>("GTOPO30Folder", HomePath("GTOPO30/"));
    PrepareTileDialog();
    if (startup_.GTOPO30Folder)
        GTOPO30FolderSetting->Value = FolderOf(*startup_.GTOPO30Folder, OpenDialog);
    // The window's choice is remembered; a width given on the command line is for this run.
    ImageWidthSetting =
        std::make_unique<TRegistryString>("ImageWidth", std::to_string(kWorldImageWidth));
    int stored = 0;
    try {
        stored = std::stoi(ImageWidthSetting->Value);
    } catch (const std::exception&) {
        // Not a number: the default, as for any other width the images cannot have.
    }
    ShowImageWidth(startup_.ImageWidth         ? *startup_.ImageWidth
                   : IsWorldImageWidth(stored) ? stored
                                               : kWorldImageWidth);
    if (!FindTileFolder()) return;
    OpenTiles();
    if (!Tiles) return;

    GSHHSFileSetting = std::make_unique<TRegistryString>("GSHHSFile", HomePath("GSHHS/gshhs_l.b"));
    if (startup_.GSHHSFile) TakeShorelineFile(AbsolutePath(*startup_.GSHHSFile));
    FindShorelineFile();
}

void TFormMain::TakeShorelineFile(const std::string& path) {
    try {
        CheckShorelineFile(path);
    } catch (const ENotShorelineFile& error) {
        shorelineRefused_ = true;
        Ui().ShowError(error.what());
        return;
    } catch (const EInOutError&) {
        // A missing file is taken as before, and asked for in the dialog.
    }
    shorelineRefused_ = false;
    GSHHSFileSetting->Value = path;
}

bool TFormMain::FindTileFolder() {
    // The folder is joined to the name as stored: one without its final "/" finds nothing.
    if (FileExists(ResolveFileName(GTOPO30FolderSetting->Value, kTileProbe))) return true;
    if (std::optional<std::string> picked = Ui().ExecuteOpen(OpenDialog)) {
        GTOPO30FolderSetting->Value = FolderPart(*picked);
        return true;
    }
    Ui().ShowMessage("Terrafold cannot continue without GTOPO30 data files!");
    Ui().Terminate();
    return false;
}

void TFormMain::OpenTiles() {
    try {
        Tiles = std::make_unique<TTileArray>(
            GTOPO30FolderSetting->Value,
            [this](const std::string& text) { Ui().ShowMessage(text); });
        recentFiles_->Add(GTOPO30FolderSetting->Value);
    } catch (const std::exception& error) {
        // The window still opens, without tiles; Refresh then says why it does nothing.
        tileFailure_ = error.what();
        Ui().ShowError(error.what());
    }
}

bool TFormMain::FindShorelineFile() {
    if (!FileExists(GSHHSFileSetting->Value)) {
        PrepareShorelineDialog();
        if (std::optional<std::string> picked = Ui().ExecuteOpen(OpenDialog))
            TakeShorelineFile(*picked);
    }
    if (FileExists(GSHHSFileSetting->Value)) {
        recentFiles_->Add(GSHHSFileSetting->Value);
        return true;
    }
    Ui().ShowMessage("Terrafold cannot continue without a GSHHS data file!");
    Ui().Terminate();
    return false;
}

void TFormMain::FormDestroy() {
    Tiles.reset();
    GTOPO30FolderSetting.reset();
    GSHHSFileSetting.reset();
    recentFiles_->Store();
    ImageWidthSetting.reset();
}

void TFormMain::PrepareTileDialog() {
    OpenDialog.fileName = kTileProbe;
    OpenDialog.title = "Please point to the folder containing the GTOPO30 data";
    // The tiles are found in any capitals, so the tile dialog takes names so too.
    OpenDialog.namesIgnoreCase = true;
}

void TFormMain::PrepareShorelineDialog() {
    OpenDialog.fileName = "GSHHS*.*";
    OpenDialog.namesIgnoreCase = false;
    OpenDialog.initialDir = HomePath("");
    OpenDialog.title = "Please point to the GSHHS file you would like to use";
}

void TFormMain::FileOpenTilesClick() {
    PrepareTileDialog();
    if (std::optional<std::string> picked = Ui().ExecuteOpen(OpenDialog))
        OpenLocation(FolderPart(*picked));
}

void TFormMain::FileOpenShorelineClick() {
    PrepareShorelineDialog();
    if (std::optional<std::string> picked = Ui().ExecuteOpen(OpenDialog)) OpenLocation(*picked);
}

void TFormMain::OpenLocation(const std::string& path) {
    // Locations are remembered only once the start-up has made its settings.
    if (!GTOPO30FolderSetting) return;
    std::error_code error;
    const bool folder = path.ends_with('/') || std::filesystem::is_directory(path, error);
    if (folder || EqualsIgnoringCase(std::filesystem::path(path).extension().string(), ".dem")) {
        GTOPO30FolderSetting->Value =
            folder ? (path.ends_with('/') ? path : path + "/") : FolderPart(path);
        Tiles.reset();
        OpenTiles();
        if (Tiles && !GSHHSFileSetting)
            GSHHSFileSetting =
                std::make_unique<TRegistryString>("GSHHSFile", HomePath("GSHHS/gshhs_l.b"));
        return;
    }
    if (!FileExists(path)) throw EFOpenError("Cannot open file: " + path);
    if (!GSHHSFileSetting)
        GSHHSFileSetting =
            std::make_unique<TRegistryString>("GSHHSFile", HomePath("GSHHS/gshhs_l.b"));
    TakeShorelineFile(path);
    if (!shorelineRefused_) recentFiles_->Add(path);
}

void TFormMain::ChooseImageWidth(int width) {
    if (!IsWorldImageWidth(width)) return;
    ShowImageWidth(width);
    if (ImageWidthSetting) ImageWidthSetting->Value = std::to_string(width);
}

void TFormMain::ShowImageWidth(int width) {
    if (!IsWorldImageWidth(width)) return;
    ImageWidth = width;
    if (ui::MenuItem* item = FileImageSize.Find("FileWidth" + std::to_string(width)))
        item->SetChecked(true);
}

void TFormMain::ButtonRefreshClick() {
    if (!Tiles) {
        Ui().ShowMessage("Cannot refresh without the GTOPO30 tiles. " + tileFailure_);
        return;
    }
    // A shoreline file replaced by something else since start-up: nothing is written without
    // its lakes. One that vanished only costs the lakes, as before.
    const std::string gshhsFile = GSHHSFileSetting ? GSHHSFileSetting->Value : std::string();
    try {
        CheckShorelineFile(gshhsFile);
    } catch (const EInOutError&) {
    }
    ui::BusyCursor busy(Ui());
    ProgressBar.SetMax(TTileArray::kTileCount);
    FillHeightCodeTable(heightCodes_);

    // The lakes are read meanwhile; without a shoreline setting (possible only when start-up
    // went its own way) there are simply no lakes, as with a missing file.
    LakesAhead lakes(gshhsFile, ImageWidth, ImageWidth / 2);
    const std::string author = TerrafoldAuthor();
    if (ImageWidth == kWorldImageWidth)
        WriteWholeImages(lakes, author);
    else
        WriteImagesInBands(lakes, author);
    for (const char* image : {"topo.png", "LandSeaMask.png"}) WriteGeoreference(image, Reference());
    if (lakes.End().cut) Ui().ShowWarning(ShorelineCutText(gshhsFile, lakes.End().wholePolygons));
    Ui().ShowMessage("Image(s) written to file topo.png");
}

void TFormMain::WriteWholeImages(LakesAhead& lakes, const std::string& author) {
    TileSamplingEvents events;
    events.TileStarting = [this] { ProgressBar.StepBy(1); };
    events.TileDone = [this] {
        ImageDisplay.PictureChanged();
        ImageDisplay.Repaint();
    };

    // A band of rows is final, lakes and all, once its tiles are sampled: the heights are written
    // from it while the later bands are sampled; the mask, quicker to write, waits for the
    // sampling to free a core.
    PngFilesAsRowsArrive files({{&HeightBitmap, "topo.png", author, "Scaled World Map Heights",
                                 "Terrafold", "Topographic Data"},
                                {&MaskBitmap, "LandSeaMask.png", author, "Scaled World Map Mask",
                                 "Terrafold", "Topographic Data", true}});
    int rowsFinal = 0;
    events.BandDone = [&](int rowsDone) {
        PaintLakeSpans(lakes.Spans(), HeightBitmap, MaskBitmap, rowsFinal, rowsDone);
        rowsFinal = rowsDone;
        files.RowsReady(rowsDone);
    };
    SampleTiles(*Tiles, heightCodes_, HeightBitmap, MaskBitmap, events);
    ImageDisplay.PictureChanged();
    ImageDisplay.Repaint();
    MaskBitmap.MarkModified();
    ProgressBar.SetPosition(0);
    WithdrawStaleSidecars();
    files.Commit();
}

void TFormMain::WriteImagesInBands(LakesAhead& lakes, const std::string& author) {
    const int width = ImageWidth;
    const int height = width / 2;
    PngFilesInBands files({{&HeightBitmap, "topo.png", author, "Scaled World Map Heights",
                            "Terrafold", "Topographic Data"},
                           {&MaskBitmap, "LandSeaMask.png", author, "Scaled World Map Mask",
                            "Terrafold", "Topographic Data"}},
                          width, height, kBandRows);
    const int bands = (height + kBandRows - 1) / kBandRows;
    ProgressBar.SetMax(bands);
    // About as often as the default width shows its tiles.
    const int bandsPerRepaint = std::max(1, bands / TTileArray::kTileCount);
    std::optional<std::vector<RowSpan>> spans;
    for (int band = 0; files.StartBand(); ++band) {
        ProgressBar.StepBy(1);
        const int first = files.FirstRow();
        const int last = first + files.Rows();
        SampleRows(*Tiles, heightCodes_, width, first, last, files.Band(0), files.Band(1));
        if (!spans) {
            spans = lakes.Spans();
            SortByRow(*spans);
        }
        PaintLakeSpansInBand(*spans, files.Band(0), files.Band(1), first, last);
        CopyReduced(files.Band(0), first, last, width, HeightBitmap);
        CopyReduced(files.Band(1), first, last, width, MaskBitmap);
        files.FinishBand();
        if ((band + 1) % bandsPerRepaint == 0 || last == height) {
            HeightBitmap.MarkModified();
            ImageDisplay.PictureChanged();
            ImageDisplay.Repaint();
        }
    }
    MaskBitmap.MarkModified();
    ProgressBar.SetPosition(0);
    WithdrawStaleSidecars();
    files.Commit();
}

// Before the images replace the old ones, so that a run cut short never leaves an image beside
// another run's sidecars.
void TFormMain::WithdrawStaleSidecars() {
    for (const char* image : {"topo.png", "LandSeaMask.png"})
        WithdrawStaleGeoreference(image, Reference());
}

GeoReference TFormMain::Reference() const {
    return FileGeoreferencing.Checked() ? Wgs84Reference(WorldImageTransform(ImageWidth))
                                        : GeoReference{};
}

void TFormMain::ButtonCloseClick() { Close(); }

void TFormMain::FileExitClick() { Close(); }

void TFormMain::HelpAboutClick() {
    if (AboutBox) Ui().ShowModal(*AboutBox);
}
