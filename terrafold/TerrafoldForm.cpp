#include "TerrafoldForm.h"

#include <filesystem>
#include <system_error>

#include "FileLookup.h"
#include "GeoreferenceChoice.h"
#include "LargeLakes.h"
#include "OpenDialogNames.h"
#include "PNG_IO.h"
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

}  // namespace

TFormMain::TFormMain(ui::Interaction& interaction, TerrafoldStartup startup)
    : ui::Form(interaction, "FormMain"),
      ImageDisplay(Make<ui::Image>("ImageDisplay")),
      ButtonRefresh(Make<ui::Button>("ButtonRefresh")),
      ButtonClose(Make<ui::Button>("ButtonClose")),
      ProgressBar(Make<ui::ProgressBar>("ProgressBar")),
      FileMenu(MainMenu().Add("FileMenu", "&File")),
      FileGeoreferencing(AddGeoreferenceItem(FileMenu)),
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

    GTOPO30FolderSetting = std::make_unique<TRegistryString>("GTOPO30Folder", HomePath("GTOPO30/"));
    OpenDialog.fileName = kTileProbe;
    OpenDialog.title = "Please point to the folder containing the GTOPO30 data";
    // The tiles are found in any capitals, so the tile dialog takes names so too.
    OpenDialog.namesIgnoreCase = true;
    if (startup_.GTOPO30Folder)
        GTOPO30FolderSetting->Value = FolderOf(*startup_.GTOPO30Folder, OpenDialog);
    if (!FindTileFolder()) return;
    OpenTiles();
    if (!Tiles) return;

    GSHHSFileSetting = std::make_unique<TRegistryString>("GSHHSFile", HomePath("GSHHS/gshhs_l.b"));
    if (startup_.GSHHSFile) GSHHSFileSetting->Value = AbsolutePath(*startup_.GSHHSFile);
    FindShorelineFile();
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
    } catch (const std::exception& error) {
        // The window still opens, without tiles; Refresh then does nothing.
        Ui().ShowError(error.what());
    }
}

bool TFormMain::FindShorelineFile() {
    if (!FileExists(GSHHSFileSetting->Value)) {
        OpenDialog.fileName = "GSHHS*.*";
        OpenDialog.namesIgnoreCase = false;
        OpenDialog.initialDir = HomePath("");
        OpenDialog.title = "Please point to the GSHHS file you would like to use";
        if (std::optional<std::string> picked = Ui().ExecuteOpen(OpenDialog)) {
            GSHHSFileSetting->Value = *picked;
        }
    }
    if (FileExists(GSHHSFileSetting->Value)) return true;
    Ui().ShowMessage("Terrafold cannot continue without a GSHHS data file!");
    Ui().Terminate();
    return false;
}

void TFormMain::FormDestroy() {
    Tiles.reset();
    GTOPO30FolderSetting.reset();
    GSHHSFileSetting.reset();
}

void TFormMain::ButtonRefreshClick() {
    if (!Tiles) return;
    ui::BusyCursor busy(Ui());
    ProgressBar.SetMax(TTileArray::kTileCount);
    FillHeightCodeTable(heightCodes_);

    TileSamplingEvents events;
    events.TileStarting = [this] { ProgressBar.StepBy(1); };
    events.TileDone = [this] {
        ImageDisplay.PictureChanged();
        ImageDisplay.Repaint();
    };

    // A band of rows is final, lakes and all, once its tiles are sampled: the heights are written
    // from it while the later bands are sampled, the lakes read meanwhile; the mask, quicker to
    // write, waits for the sampling to free a core. Without a
    // shoreline setting (possible only when start-up went its own way) there are simply no
    // lakes, as with a missing file.
    LakesAhead lakes(GSHHSFileSetting ? GSHHSFileSetting->Value : std::string(),
                     HeightBitmap.Width(), HeightBitmap.Height());
    const std::string author = TerrafoldAuthor();
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

    for (const char* image : {"topo.png", "LandSeaMask.png"})
        WithdrawStaleGeoreference(image, Reference());
    files.Commit();
    for (const char* image : {"topo.png", "LandSeaMask.png"}) WriteGeoreference(image, Reference());
    Ui().ShowMessage("Image(s) written to file topo.png");
}

GeoReference TFormMain::Reference() const {
    return FileGeoreferencing.Checked() ? Wgs84Reference(WorldImageTransform()) : GeoReference{};
}

void TFormMain::ButtonCloseClick() { Close(); }

void TFormMain::FileExitClick() { Close(); }

void TFormMain::HelpAboutClick() {
    if (AboutBox) Ui().ShowModal(*AboutBox);
}
