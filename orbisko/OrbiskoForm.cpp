#include "OrbiskoForm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "BmpFile.h"
#include "Canvas.h"
#include "Errors.h"
#include "GeoreferenceChoice.h"
#include "MapDocument.h"
#include "MapExportDialog.h"
#include "PNG_IO.h"
#include "PointerReadout.h"
#include "SearchFolders.h"

namespace {

const char* const kCartographyFile = "Countries.dat";

}  // namespace

TFormMain::TFormMain(ui::Interaction& interaction, std::vector<std::string> searchFolders)
    : ui::Form(interaction, "FormMain"),
      Image1(Make<ui::Image>("Image1")),
      LabelDataSources(Make<ui::Label>("LabelDataSources")),
      ProgressBar1(Make<ui::ProgressBar>("ProgressBar1")),
      Timer1(MakeTimer("Timer1")),
      File1(MainMenu().Add("File1", "&File")),
      Save1(File1.Add("Save1", "&Save bitmap")),
      FileGeoreferencing(AddGeoreferenceItem(File1)),
      Export1(File1.Add("Export1", "&Export map...")),
      Exit1((File1.AddSeparator("N1"), File1.Add("Exit1", "E&xit"))),
      View(MainMenu().Add("View", "&View")),
      Presets(View.Add("Presets", "&Presets...")),
      OpenUK(Presets.Add("OpenUK", "&UK")),
      OpenScandinavia(Presets.Add("OpenScandinavia", "&Scandinavia")),
      OpenMiddleEast(Presets.Add("OpenMiddleEast", "&MiddleEast")),
      OpenWorld(Presets.Add("OpenWorld", "&World")),
      ViewTopography(View.Add("ViewTopography", "&Add topography")),
      Zoomout1(View.Add("Zoomout1", "&Zoom out")),
      Monochrome1(View.Add("Monochrome1", "&Monochrome")),
      ViewBack((View.AddSeparator("N2"), View.Add("ViewBack", "&Back"))),
      ViewForward(View.Add("ViewForward", "&Forward")),
      MapView(900, 450),
      givenFolders_(std::move(searchFolders)) {
    SetCaption("Topograhic Map Viewer");
    SetDesign(0, 0, 920, 528, true);

    Image1.SetBounds({8, 8, 900, 450});
    // The map follows the window's size at the same scale (FormResize).
    Image1.SetAnchors(ui::AnchorsAll);
    Image1.scaleBar = true;
    // At the screen's device pixels, by the same drawing rules as any other map size.
    Image1.devicePixels = true;
    Image1.OnPixelRatioChange = [this] { FormResize(); };
    Image1.OnMouseWheel = [this](int x, int y, int notches) { Image1MouseWheel(x, y, notches); };
    Image1.OnMouseDown = [this](ui::MouseButton b, int x, int y) { Image1MouseDown(b, x, y); };
    Image1.OnMouseMove = [this](int x, int y) { Image1MouseMove(x, y); };
    Image1.OnMouseUp = [this](ui::MouseButton b, int x, int y) { Image1MouseUp(b, x, y); };

    LabelDataSources.SetBounds({8, 464, 62, 13});
    LabelDataSources.SetCaption("Data sources");
    LabelDataSources.SetAnchors(ui::AnchorLeft | ui::AnchorBottom);

    ProgressBar1.SetBounds({152, 465, 337, 17});
    ProgressBar1.SetAnchors(ui::AnchorLeft | ui::AnchorBottom);
    ProgressBar1.SetVisible(false);

    Timer1.SetInterval(100);
    Timer1.SetEnabled(false);
    Timer1.OnTimer = [this] { Timer1Timer(); };

    Save1.OnClick = [this] { Save1Click(); };
    Export1.OnClick = [this] { Export1Click(); };
    Exit1.OnClick = [this] { Exit1Click(); };
    OpenUK.OnClick = [this] { OpenUKClick(); };
    OpenScandinavia.OnClick = [this] { OpenScandinaviaClick(); };
    OpenMiddleEast.OnClick = [this] { OpenMiddleEastClick(); };
    OpenWorld.OnClick = [this] { OpenWorldClick(); };
    ViewTopography.OnClick = [this] { ViewTopographyClick(); };
    Zoomout1.OnClick = [this] { Zoomout1Click(); };
    Monochrome1.OnClick = [this] { Monochrome1Click(); };
    ViewBack.OnClick = [this] { ViewBackClick(); };
    ViewForward.OnClick = [this] { ViewForwardClick(); };
    ViewBack.shortcut = "Alt+Left";
    ViewForward.shortcut = "Alt+Right";
    ViewBack.SetEnabled(false);
    ViewForward.SetEnabled(false);
    Save1.shortcut = "Ctrl+S";
    Export1.shortcut = "Ctrl+E";
    Exit1.shortcut = "Ctrl+Q";

    ExportDialog = MapExportDialog("map.svg");
}

TFormMain::~TFormMain() { Destroy(); }

void TFormMain::FormCreate() {
    SearchFolders = givenFolders_.empty() ? DefaultSearchFolders() : givenFolders_;
    Topography.TopoLayout = 0;
    if (!FindTopography() && !QuietTopographySearch)
        Ui().ShowMessage("Topography will not be available");
    LoadCartography();
    LabelDataSources.SetHint("Topo:    " + Topography.TopoFileName + "\r" +
                             "Cartog: " + CartogFileName);
    MapView.SetPreset(MapPreset::World);
    Timer1.SetEnabled(true);
}

void TFormMain::FormResize() {
    const ui::Bounds& area = Image1.GetBounds();
    const int width = Image1.DevicePixels(area.width), height = Image1.DevicePixels(area.height);
    if (width == MapView.ImageWidth() && height == MapView.ImageHeight()) return;
    MapView.SetImageSize(width, height);
    if (mapDrawn_) Timer1.SetEnabled(true);
}

void TFormMain::FormDestroy() {
    CartogList.reset();
    Topography.Release();
}

bool TFormMain::FindTopography() {
    const bool found = Topography.Find(SearchFolders);
    if (!found && !QuietTopographySearch) Ui().ShowMessage("Cannot find any topography data");
    return found && Topography.TopoLayout != 0;
}

void TFormMain::LoadCartography() {
    CartogFileName = kCartographyFile;
    CartogList = std::make_unique<TCartogList>();
    for (const std::string& folder : SearchFolders) {
        if (auto path = FindDataFile(folder, kCartographyFile)) {
            CartogFileName = *path;
            CartogList->LoadFromFile(CartogFileName);
            return;
        }
    }
    Ui().ShowMessage(
        "Cannot find any cartography data.  Please check the location for the file "
        "Countries.dat");
    CartogList.reset();
    CartogFileName.clear();
}

void TFormMain::DrawMap() {
    MapView.SetScales();
    if (!CartogList || CartogList->Count() == 0) return;

    // Hidden while drawing so that the finished map shows at once; not while a drag pans it,
    // which would lose the mouse to hiding and shows each finished map anyway.
    if (!Panning) Image1.SetVisible(false);
    struct ShowAgain {
        ui::Image& image;
        ~ShowAgain() { image.SetVisible(true); }
    } showAgain{Image1};

    Bitmap& picture = Image1.OwnPicture();
    if (picture.Width() != MapView.ImageWidth() || picture.Height() != MapView.ImageHeight() ||
        picture.Format() != PixelFormat::Bgr24)
        picture = Bitmap(MapView.ImageWidth(), MapView.ImageHeight(), PixelFormat::Bgr24);
    imageBrush_ = MapView.DrawSegments(picture, *CartogList);
    mapDrawn_ = true;
    drawnTransform_ = MapView.PixelTransform();
    Image1.degrees = PictureDegreesOf(drawnTransform_);
    heightColoured_ = false;
    Image1.PictureChanged();
    if (remembering_) RememberView();
}

void TFormMain::RedrawMap() {
    DrawMap();
    if (ViewTopography.Checked()) AddTopography();
}

void TFormMain::RememberView() {
    const ViewBounds shown{MapView.MapWest, MapView.MapSouth, MapView.MapEast, MapView.MapNorth};
    if (!ViewHistory.empty() && ViewHistory[ViewIndex] == shown) return;
    if (!ViewHistory.empty()) ViewHistory.resize(ViewIndex + 1);
    if (ViewHistory.size() == kViewsKept) ViewHistory.erase(ViewHistory.begin());
    ViewHistory.push_back(shown);
    ViewIndex = ViewHistory.size() - 1;
    ViewBack.SetEnabled(ViewIndex > 0);
    ViewForward.SetEnabled(false);
}

void TFormMain::GoToView(std::size_t index) {
    if (index >= ViewHistory.size()) return;
    ViewIndex = index;
    const ViewBounds& view = ViewHistory[index];
    MapView.SetBounds(view.west, view.south, view.east, view.north);
    RedrawWithoutRemembering();
    ViewBack.SetEnabled(ViewIndex > 0);
    ViewForward.SetEnabled(ViewIndex + 1 < ViewHistory.size());
}

void TFormMain::RedrawWithoutRemembering() {
    remembering_ = false;
    struct Remember {
        bool& flag;
        ~Remember() { flag = true; }
    } rememberAgain{remembering_};
    RedrawMap();
}

void TFormMain::ViewBackClick() {
    if (ViewIndex > 0) GoToView(ViewIndex - 1);
}

void TFormMain::ViewForwardClick() { GoToView(ViewIndex + 1); }

void TFormMain::SetMapSize(int width, int height) {
    TMapView resized(width, height);
    resized.SetBounds(MapView.MapWest, MapView.MapSouth, MapView.MapEast, MapView.MapNorth);
    resized.MonochromeMap = MapView.MonochromeMap;
    MapView = resized;
}

void TFormMain::AddTopography() {
    // Without a drawn map there is nothing to colour.
    if (!mapDrawn_ || !Image1.Picture()) return;
    TColouringProgress progress;
    progress.started = [this](int maxRow) {
        ProgressBar1.SetMin(0);
        ProgressBar1.SetMax(maxRow);
        ProgressBar1.SetPosition(0);
        ProgressBar1.SetVisible(true);
    };
    progress.position = [this](int row) {
        ProgressBar1.SetPosition(row);
        ProgressBar1.Repaint();
    };
    progress.bandCopied = [this](int, int) {
        Image1.PictureChanged();
        Image1.Repaint();
    };
    progress.finished = [this] { ProgressBar1.SetVisible(false); };
    if (Colouring.AddTopography(*Image1.Picture(), Topography, MapView, progress))
        heightColoured_ = true;
}

void TFormMain::SaveMap(const std::string& fileName, double pageWidthMm) {
    const Bitmap* picture = Image1.Picture();
    if (!picture || picture->IsEmpty()) throw EInvalidGraphicOperation("There is no map to save");
    const MapFileFormat format = MapFileFormatOf(fileName);
    const bool raster = format != MapFileFormat::Svg && format != MapFileFormat::Pdf;
    const GeoReference reference = FileGeoreferencing.Checked() && mapDrawn_
                                       ? Wgs84Reference(drawnTransform_)
                                       : GeoReference{};
    if (raster) WithdrawStaleGeoreference(fileName, reference);
    switch (format) {
        case MapFileFormat::Svg:
        case MapFileFormat::Pdf: {
            // A map is drawn only with segments, so the list is there.
            MapDocument document;
            document.width = MapView.ImageWidth();
            document.height = MapView.ImageHeight();
            document.pageWidthMm = pageWidthMm;
            document.title = "Orbisko map";
            document.creator = "Orbisko";
            document.bounds = MapView.Bounds();
            const Bitmap* heightColours = heightColoured_ ? picture : nullptr;
            SaveVectorMap(fileName, document, [&](MapPainter& painter) {
                MapView.DrawFigures(painter, *CartogList, heightColours);
            });
            break;
        }
        case MapFileFormat::Png:
            SaveBitmapToPng(*picture, fileName, "", "Map of " + DescribeBounds(MapView.Bounds()),
                            "Orbisko", "Map");
            break;
        default:
            SaveBitmapToBmp(*picture, fileName);
    }
    if (raster) WriteGeoreference(fileName, reference);
}

void TFormMain::Export1Click() {
    auto chosen = Ui().ExecuteSave(ExportDialog);
    if (!chosen) return;
    if (std::optional<double> pageWidthMm = AskPageWidth(Ui(), *chosen))
        SaveMap(*chosen, *pageWidthMm);
}

void TFormMain::Timer1Timer() {
    Timer1.SetEnabled(false);
    RedrawMap();
}

void TFormMain::Save1Click() { SaveMap("temp.bmp"); }

void TFormMain::Exit1Click() { Close(); }

void TFormMain::ApplyPreset(MapPreset preset) {
    MapView.SetPreset(preset);
    RedrawMap();
}

void TFormMain::OpenUKClick() { ApplyPreset(MapPreset::UK); }
void TFormMain::OpenScandinaviaClick() { ApplyPreset(MapPreset::Scandinavia); }
void TFormMain::OpenMiddleEastClick() { ApplyPreset(MapPreset::MiddleEast); }
void TFormMain::OpenWorldClick() { ApplyPreset(MapPreset::World); }

// A check item: the colours stay through every redraw until it is chosen again.
void TFormMain::ViewTopographyClick() {
    ViewTopography.SetChecked(!ViewTopography.Checked());
    RedrawMap();
}

void TFormMain::Zoomout1Click() {
    MapView.ZoomOut();
    Timer1.SetEnabled(true);
}

void TFormMain::Monochrome1Click() {
    Monochrome1.SetChecked(!Monochrome1.Checked());
    MapView.MonochromeMap = Monochrome1.Checked();
    RedrawMap();
}

// Drawn by exclusive-or, outline and fill alike, so drawing it twice restores the map.
void TFormMain::DrawRubberBand() {
    Bitmap* picture = Image1.Picture();
    if (!picture || picture->IsEmpty()) return;
    Canvas canvas(*picture);
    canvas.SetPen(Pen{Colours::Aqua, PenStyle::Dashed, PenMode::Xor});
    canvas.SetBrush(Brush{imageBrush_, BrushStyle::Solid});
    canvas.Rectangle(std::min(DragStartX, DragEndX), std::min(DragStartY, DragEndY),
                     std::max(DragStartX, DragEndX), std::max(DragStartY, DragEndY));
    Image1.PictureChanged();
}

void TFormMain::Image1MouseDown(ui::MouseButton button, int x, int y) {
    if (Dragging || Panning) return;
    if (button == ui::MouseButton::Middle) {
        Panning = true;
        PanStartX = x;
        PanStartY = y;
        panFrom_ = {MapView.MapWest, MapView.MapSouth, MapView.MapEast, MapView.MapNorth};
        Image1.SetMouseCapture(true);
        return;
    }
    // The rubber band is the left button's; the others have nothing to do here.
    if (button != ui::MouseButton::Left) return;
    DragStartX = DragEndX = x;
    DragStartY = DragEndY = y;
    Image1.SetMouseCapture(true);
    DrawRubberBand();
    Dragging = true;
}

void TFormMain::Image1MouseMove(int x, int y) {
    if (Panning) {
        if (!mapDrawn_) return;
        MapView.SetBounds(panFrom_.west, panFrom_.south, panFrom_.east, panFrom_.north);
        MapView.SetScales();
        MapView.PanBy(x - PanStartX, y - PanStartY, y);
        RedrawWithoutRemembering();
        return;
    }
    if (!Dragging) return;
    DrawRubberBand();
    DragEndX = x;
    DragEndY = y;
    DrawRubberBand();
}

// The release position itself is not used: the end corner is the last one seen while moving.
void TFormMain::Image1MouseUp(ui::MouseButton button, int, int) {
    if (Panning) {
        if (button != ui::MouseButton::Middle) return;
        Panning = false;
        Image1.SetMouseCapture(false);
        if (mapDrawn_) RememberView();
        return;
    }
    if (!Dragging || button != ui::MouseButton::Left) return;
    DrawRubberBand();
    Dragging = false;
    Image1.SetMouseCapture(false);
    // A click or a slip of the hand is not a zoom.
    if (std::max(std::abs(DragEndX - DragStartX), std::abs(DragEndY - DragStartY)) <
        Image1.DevicePixels(kLeastDrag))
        return;
    MapView.ZoomToRectangle(DragStartX, DragStartY, DragEndX, DragEndY);
    Timer1.SetEnabled(true);
}

void TFormMain::Image1MouseWheel(int x, int y, int notches) {
    if (!mapDrawn_ || Dragging || Panning) return;
    MapView.SetScales();
    MapView.ZoomAbout(x, y, std::pow(1.5L, notches));
    RedrawMap();
}
