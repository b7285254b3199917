#include "StrandelForm.h"

#include <exception>
#include <filesystem>

#include "BmpFile.h"
#include "Canvas.h"
#include "Errors.h"
#include "FileLookup.h"
#include "GSHHSdata.h"
#include "MapDocument.h"
#include "MapExportDialog.h"
#include "PNG_IO.h"
#include "RecentFiles.h"
#include "RegistryVariables.h"
#include "ShorelineOutline.h"
#include "ShorelineReadAhead.h"

namespace {

// Top-level menus are made on first use, so each item can be bound in the initialiser list.
ui::MenuItem& Menu(ui::Form& form, const std::string& name, const std::string& caption) {
    if (ui::MenuItem* menu = form.MainMenu().Find(name)) return *menu;
    return form.MainMenu().Add(name, caption);
}

ui::MenuItem& ViewItem(ui::Form& form, const std::string& name, const std::string& caption) {
    ui::MenuItem& item = Menu(form, "View1", "&View").Add(name, caption);
    item.SetRadioItem(true);
    return item;
}

}  // namespace

TFormMain::TFormMain(ui::Interaction& interaction)
    : ui::Form(interaction, "FormMain"),
      ScrollBox1(Make<ui::ScrollBox>("ScrollBox1")),
      Image1(Make<ui::Image>("Image1", &ScrollBox1)),
      RadioGroupView(Make<ui::RadioGroup>("RadioGroupView")),
      ButtonExit(Make<ui::Button>("ButtonExit")),
      TimerLoad(MakeTimer("TimerLoad")),
      FileOpen(Menu(*this, "File1", "&File").Add("FileOpen", "&Open")),
      FileRecent(Menu(*this, "File1", "&File").Add("FileRecent", "Open &recent")),
      FileExport(Menu(*this, "File1", "&File").Add("FileExport", "&Export map...")),
      FileExit((Menu(*this, "File1", "&File").AddSeparator("N1"),
                Menu(*this, "File1", "&File").Add("FileExit", "E&xit"))),
      ViewBoth(ViewItem(*this, "ViewBoth", "&Both")),
      ViewLand(ViewItem(*this, "ViewLand", "&Land")),
      ViewLargeLakes(ViewItem(*this, "ViewLargeLakes", "Large la&kes")),
      About1(Menu(*this, "Help1", "&Help").Add("About1", "&About...")) {
    SetCaption("Read GSHHS Data");
    SetDesign(0, 0, 587, 469, true);

    ScrollBox1.SetBounds({8, 0, 561, 372});
    ScrollBox1.SetAnchors(ui::AnchorsAll);
    Image1.SetBounds({0, 0, 0, 0});
    // One-pixel coast lines on white: the Full view shrinks the map about six times.
    Image1.lineDrawing = true;
    Image1.navigable = true;
    Image1.scaleBar = true;
    // Column 0 is centred on 180 W and row 0 on the north pole (GeoToPixel).
    SetMapWidth(kDefaultMapWidth);

    RadioGroupView.SetBounds({288, 376, 137, 41});
    RadioGroupView.SetCaption(" View ");
    RadioGroupView.SetItems({"Full", "Zoom"});
    RadioGroupView.SetColumns(2);
    RadioGroupView.SetAnchors(ui::AnchorRight | ui::AnchorBottom);
    RadioGroupView.OnClick = [this] { RadioGroupViewClick(); };

    ButtonExit.SetBounds({488, 387, 81, 25});
    ButtonExit.SetCaption("Exit");
    ButtonExit.SetAnchors(ui::AnchorRight | ui::AnchorBottom);
    ButtonExit.OnClick = [this] { ButtonExitClick(); };

    FileOpen.OnClick = [this] { FileOpenClick(); };
    FileOpen.shortcut = "Ctrl+O";
    FileExport.shortcut = "Ctrl+E";
    FileExit.shortcut = "Ctrl+Q";
    recentFiles_ = std::make_unique<TRecentFiles>(
        FileRecent, [this](const std::string& path) { OpenFile(path); });
    OnFileDropped = [this](const std::string& path) { OpenFile(path); };
    FileExport.OnClick = [this] { FileExportClick(); };
    FileExit.OnClick = [this] { FileExitClick(); };
    ViewBoth.OnClick = [this] { ViewBothClick(); };
    ViewLand.OnClick = [this] { ViewLandClick(); };
    ViewLargeLakes.OnClick = [this] { ViewLargeLakesClick(); };
    About1.OnClick = [this] { About1Click(); };
    ViewBoth.SetChecked(true);

    TimerLoad.SetInterval(200);
    TimerLoad.SetEnabled(false);
    TimerLoad.OnTimer = [this] { TimerLoadTimer(); };

    OpenDialog1.name = "OpenDialog1";
    OpenDialog1.initialDir = HomePath("GSHHS");
    OpenDialog1.options =
        ui::HideReadOnly | ui::PathMustExist | ui::FileMustExist | ui::EnableSizing;

    ExportDialog = MapExportDialog("shorelines.svg");
}

TFormMain::~TFormMain() { Destroy(); }

std::string TFormMain::MapWidthProblem(long long width) {
    if (width < kMinMapWidth || width > kMaxMapWidth || width % 360 != 0)
        return "The map's width must be a multiple of 360 from " + std::to_string(kMinMapWidth) +
               " to " + std::to_string(kMaxMapWidth) + ", not " + std::to_string(width);
    return "";
}

void TFormMain::SetMapWidth(int width) {
    if (!MapWidthProblem(width).empty()) throw EInvalidGraphicOperation(MapWidthProblem(width));
    mapWidth_ = width;
    Image1.degrees = ui::PictureDegrees{-180, 90, 360.0 / width, -180.0 / MapHeight()};
}

// Black and white as bytes 0 and 255, through the grey palette: a third of the memory of
// 24-bit pixels, which the files are written as.
std::shared_ptr<Bitmap> TFormMain::NewMap() const {
    auto map = std::make_shared<Bitmap>(MapWidth(), MapHeight(), PixelFormat::Indexed8);
    SetGreyPalette(*map);
    return map;
}

void TFormMain::FormCreate() {
    WorldBitmap = NewMap();
    Image1.SetBounds({0, 0, WorldBitmap->Width(), WorldBitmap->Height()});
    DataFile = std::make_unique<TRegistryString>("DataFile", HomePath("GSHHS/gshhs_l.b"));
    ViewMode = 0;
    recentFiles_->Load();
}

void TFormMain::FormShow() { TimerLoad.SetEnabled(true); }

void TFormMain::FormResize() {
    if (!Closing) RadioGroupViewClick();
}

bool TFormMain::FormCloseQuery() {
    Closing = true;
    return true;
}

void TFormMain::FormDestroy() {
    Image1.ClearPicture();
    WorldBitmap.reset();
    DataFile.reset();
    recentFiles_->Store();
}

bool TFormMain::TakeFile(const std::string& path) {
    try {
        CheckShorelineFile(path);
    } catch (const ENotShorelineFile& error) {
        fileRefused_ = true;
        Ui().ShowError(error.what());
        return false;
    } catch (const EInOutError&) {
        // An unreadable file is taken as before: the drawing stops at once, silently.
    }
    fileRefused_ = false;
    DataFile->Value = path;
    return true;
}

void TFormMain::TimerLoadTimer() {
    TimerLoad.SetEnabled(false);
    if (Closing) return;
    // A refused file leaves the stored one to be drawn, without asking again.
    const bool refused = CommandLineFile && !TakeFile(*CommandLineFile);
    if (!refused && !FileExists(DataFile->Value)) {
        if (auto chosen = Ui().ExecuteOpen(OpenDialog1)) TakeFile(*chosen);
    }
    DrawShorelines();
    ShowMap();
    RadioGroupView.SetItemIndex(0);
    if (!readFailure_) recentFiles_->Add(DataFile->Value);
}

void TFormMain::FileOpenClick() {
    if (auto chosen = Ui().ExecuteOpen(OpenDialog1)) OpenFile(*chosen);
}

void TFormMain::OpenFile(const std::string& path) {
    if (!TakeFile(path)) return;
    DrawShorelines();
    ShowMap();
    if (!readFailure_) recentFiles_->Add(path);
}

void TFormMain::SelectView(std::uint8_t viewMode, ui::MenuItem& item) {
    ViewMode = viewMode;
    item.SetChecked(true);
    DrawShorelines();
    ShowMap();
}

void TFormMain::ViewBothClick() { SelectView(0, ViewBoth); }
void TFormMain::ViewLandClick() { SelectView(1, ViewLand); }
void TFormMain::ViewLargeLakesClick() { SelectView(2, ViewLargeLakes); }

void TFormMain::RadioGroupViewClick() {
    switch (RadioGroupView.ItemIndex()) {
        // Both views fill the box: the window pans the full-size map by dragging, where the
        // box once scrolled it.
        case 0:
        case 1: {
            Image1.ClearPicture();
            const ui::Bounds& box = ScrollBox1.GetBounds();
            Image1.SetBounds({0, 0, box.width, box.height});
            Image1.SetStretch(RadioGroupView.ItemIndex() == 0);
            ScrollBox1.SetScrollBarsVisible(false, false);
            ShowMap();
            break;
        }
        default:
            break;
    }
}

void TFormMain::ShowMap() { Image1.Show(WorldBitmap); }

void TFormMain::FileExitClick() { Close(); }
void TFormMain::ButtonExitClick() { Close(); }

void TFormMain::About1Click() {
    if (AboutBox) Ui().ShowModal(*AboutBox);
}

void TFormMain::DrawShorelines() {
    // The frame and its filling cover every pixel, so a fresh bitmap draws the same map.
    if (WorldBitmap.use_count() > 1) {
        std::shared_ptr<Bitmap> fresh = NewMap();
        fresh->CountModificationsOn(*WorldBitmap);
        WorldBitmap = std::move(fresh);
    }
    Canvas canvas(*WorldBitmap);
    readFailure_.reset();
    readWarning_.reset();
    // Each used point is drawn as it is read, so a read failure inside a polygon keeps its
    // beginning. The frame and its white are painted while the first points are read.
    CanvasOutlinePen pen(canvas);
    try {
        const ShorelineReadEnd end = ReadSelectedOutlines(
            pen, {}, [this, &canvas] { canvas.Rectangle(0, 0, MapWidth(), MapHeight()); });
        if (end.cut) readWarning_ = ShorelineCutText(DataFile->Value, end.wholePolygons);
    } catch (const ENotShorelineFile& error) {
        // A stored file that became another: said, unlike a damaged one.
        fileRefused_ = true;
        Ui().ShowError(error.what());
    } catch (const std::exception& error) {
        readFailure_ = error.what();
    }
    WorldBitmap->MarkModified();
    SetCaption("Strandel - " + DataFile->Value);
}

bool TFormMain::IsSelected(const TGSHHSHeader& header) const {
    bool land = header.Level == 1;
    bool largeLake = header.Level == 2 && header.Area > 10000u;
    switch (ViewMode) {
        case 0:
            return land || largeLake;
        case 1:
            return land;
        case 2:
            return largeLake;
        default:
            return false;
    }
}

ShorelineReadEnd TFormMain::ReadSelectedOutlines(OutlinePen& pen,
                                                 const std::function<void()>& outlineEnd,
                                                 const std::function<void()>& background) {
    OutlineTracer tracer(pen, MapWidth());
    ShorelineCallbacks callbacks;
    callbacks.Select = [this](const TGSHHSHeader& header) { return IsSelected(header); };
    callbacks.OnPoint = [&tracer](const TGSHHSHeader&, std::int32_t index, Point pixel,
                                  PointF position) {
        tracer.Add(index, {pixel, position});
    };
    if (outlineEnd)
        callbacks.OnPolygon = [&outlineEnd](const TGSHHSHeader&, const std::vector<Point>&) {
            outlineEnd();
        };
    return ReadShorelinesAhead(DataFile->Value, MapWidth(), MapHeight(), LongitudeWrap::Once,
                               callbacks, background);
}

void TFormMain::DrawShorelineFigures(MapPainter& painter) {
    FigureOutlinePen pen(painter);
    try {
        ReadSelectedOutlines(
            pen, [&pen] { pen.EndRun(); },
            [this, &painter] { painter.Rectangle(0, 0, MapWidth(), MapHeight(), Colours::White); });
    } catch (...) {
        pen.Flush();
        throw;
    }
    pen.Flush();
}

// The page's edges: pixel column 0 is centred on 180 W, so the page reaches half a pixel
// further west; likewise for the rows from the north pole.
GeoBounds TFormMain::MapBounds() const {
    const double degreesPerColumn = 360.0 / MapWidth();
    const double degreesPerRow = 180.0 / MapHeight();
    return {-180 - degreesPerColumn / 2, -90 + degreesPerRow / 2, 180 - degreesPerColumn / 2,
            90 + degreesPerRow / 2};
}

void TFormMain::SaveMap(const std::string& path, double pageWidthMm) {
    const std::string source = std::filesystem::path(DataFile->Value).filename().string();
    switch (MapFileFormatOf(path)) {
        case MapFileFormat::Png:
            // The default size keeps the RGB file it always had; other sizes, large ones above
            // all, take the black and white the map holds at one bit a pixel.
            if (MapWidth() == kDefaultMapWidth)
                SaveBitmapToRgbPng(*WorldBitmap, path, "", "Shorelines of " + source, "Strandel",
                                   "Shoreline Map");
            else
                SaveBitmapToTwoLevelPng(*WorldBitmap, path, "", "Shorelines of " + source,
                                        "Strandel", "Shoreline Map");
            break;
        case MapFileFormat::Bmp:
            SaveBitmapToColourBmp(*WorldBitmap, path);
            break;
        case MapFileFormat::Svg:
        case MapFileFormat::Pdf: {
            MapDocument document;
            document.width = MapWidth();
            document.height = MapHeight();
            document.pageWidthMm = pageWidthMm;
            document.title = "Shorelines of " + source;
            document.creator = "Strandel";
            document.bounds = MapBounds();
            SaveVectorMap(path, document,
                          [this](MapPainter& painter) { DrawShorelineFigures(painter); });
            break;
        }
        case MapFileFormat::Unknown:
            throw EInvalidGraphicOperation(UnknownMapFormatText(path));
    }
}

void TFormMain::FileExportClick() {
    auto chosen = Ui().ExecuteSave(ExportDialog);
    if (!chosen) return;
    if (std::optional<double> pageWidthMm = AskPageWidth(Ui(), *chosen))
        SaveMap(*chosen, *pageWidthMm);
}
