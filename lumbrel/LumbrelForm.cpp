#include "LumbrelForm.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

#include "CombinedImageFile.h"
#include "FileLookup.h"
#include "GeoreferenceChoice.h"
#include "HeightImageFile.h"
#include "PointerReadout.h"
#include "Tick.h"

namespace {

constexpr int kTabSource = 0;
constexpr int kTabColour = 1;
constexpr int kTabRelief = 2;
constexpr int kTabCombined = 3;
constexpr std::uint32_t kPercentIntervalMs = 100;
constexpr unsigned kAnchorsBottomLeft = ui::AnchorLeft | ui::AnchorBottom;

// A bitmap made anew in place of the one shown: views must take it for a change.
void Replace(std::shared_ptr<Bitmap>& shown, std::shared_ptr<Bitmap> made) {
    made->CountModificationsOn(*shown);
    made->MarkModified();
    shown = std::move(made);
}

ui::ProgressBar& PlaceBar(ui::ProgressBar& bar, ui::Bounds bounds, int max) {
    bar.SetBounds(bounds);
    bar.SetAnchors(kAnchorsBottomLeft);
    bar.SetMax(max);
    bar.smooth = true;
    return bar;
}

ui::Label& PlaceLabel(ui::Label& label, const char* caption, int left, int top) {
    label.SetCaption(caption);
    label.SetBounds({left, top, 0, 0});
    label.SetAnchors(kAnchorsBottomLeft);
    return label;
}

// The whole factor each way that brings an image within the size that is held.
int ReductionFor(int width, int height) {
    const int across = (width + TFormMain::kLargestHeldWidth - 1) / TFormMain::kLargestHeldWidth;
    const int down = (height + TFormMain::kLargestHeldHeight - 1) / TFormMain::kLargestHeldHeight;
    return std::max({across, down, 1});
}

std::string WrittenMessage(const std::string& target) {
    if (target == "combined.bmp") return "Coloured, shaded image written to COMBINED.BMP";
    return "Coloured, shaded image written to " + target;
}

}  // namespace

TFormMain::TFormMain(ui::Interaction& interaction, TickClock clock)
    : ui::Form(interaction, "FormMain"),
      TabControlImage(Make<ui::TabControl>("TabControlImage")),
      ImageDisplay(Make<ui::Image>("ImageDisplay", &TabControlImage)),
      LabelStep(PlaceLabel(Make<ui::Label>("LabelStep"), "Step", 8, 488)),
      ProgressBarStep(PlaceBar(Make<ui::ProgressBar>("ProgressBarStep"), {40, 488, 97, 17}, 4)),
      LabelPercent(PlaceLabel(Make<ui::Label>("LabelPercent"), "Percent", 176, 488)),
      ProgressBarPercent(
          PlaceBar(Make<ui::ProgressBar>("ProgressBarPercent"), {232, 488, 145, 17}, 100)),
      LabelReduced(PlaceLabel(Make<ui::Label>("LabelReduced"), "", 400, 488)),
      TimerOnShow(MakeTimer("TimerOnShow")),
      MenuFile(MainMenu().Add("MenuFile", "&File")),
      FileOpen(MenuFile.Add("FileOpen", "&Open...", [this] { FileOpenClick(); })),
      FileExport(
          MenuFile.Add("FileExport", "&Export combined image...", [this] { FileExportClick(); })),
      FileGeoreferencing(AddGeoreferenceItem(MenuFile)),
      FileExit((MenuFile.AddSeparator("N1"),
                MenuFile.Add("FileExit", "E&xit", [this] { FileExitClick(); }))),
      MenuView(MainMenu().Add("MenuView", "View")),
      ViewCellStatistics(MenuView.Add("ViewCellStatistics", "Cell statistics",
                                      [this] { ViewCellStatisticsClick(); })),
      MenuHelp(MainMenu().Add("MenuHelp", "&Help")),
      HelpAbout(MenuHelp.Add("HelpAbout", "&About...", [this] { HelpAboutClick(); })),
      clock_(std::move(clock)) {
    SetCaption("GTOPO30 - Shade height image for display");
    SetDesign(192, 107, 758, 556);

    TabControlImage.SetBounds({0, 0, 750, 481});
    TabControlImage.SetAnchors(ui::AnchorsAll);
    TabControlImage.SetTabs({"Source", "Colour", "Relief", "Combined"});
    TabControlImage.SetTabIndex(kTabSource);
    TabControlImage.OnChange = [this] { TabControlImageChange(); };

    // The page area below the tabs, which the display fills as the window grows.
    ImageDisplay.SetBounds({4, 24, 742, 453});
    ImageDisplay.align = ui::Align::Client;
    ImageDisplay.SetStretch(true);
    ImageDisplay.navigable = true;
    // Every tab shows an image of the source's size, so each reads its height there: in the
    // full image, also when the tabs show it reduced.
    ImageDisplay.DescribePixel = [this](int column, int row) -> std::string {
        if (reduction_ > 1) {
            const std::optional<std::uint8_t> code = fullCodes_.Code(column, row);
            return code ? HeightCodeText(*code) : std::string();
        }
        if (!SourceBitmap || column >= SourceBitmap->Width() || row >= SourceBitmap->Height())
            return {};
        return HeightCodeText(SourceBitmap->Row(row)[column]);
    };

    FileOpen.shortcut = "Ctrl+O";
    FileExport.shortcut = "Ctrl+E";
    FileExit.shortcut = "Ctrl+Q";
    OnFileDropped = [this](const std::string& path) { ProcessHeightImage(path); };

    TimerOnShow.SetEnabled(false);
    TimerOnShow.SetInterval(300);
    TimerOnShow.OnTimer = [this] { TimerOnShowTimer(); };

    OpenDialog.name = "OpenDialog";
    OpenDialog.title = "Locate the world height PNG image";
    OpenDialog.filter = "PNG images (*.png)|*.png";
    OpenDialog.fileName = "world.png";
    OpenDialog.defaultExt = "PNG";
    OpenDialog.options =
        ui::HideReadOnly | ui::PathMustExist | ui::FileMustExist | ui::EnableSizing;

    ExportDialog.name = "ExportDialog";
    ExportDialog.title = "Export combined image";
    ExportDialog.filter = "BMP images (*.bmp)|*.bmp|PNG images (*.png)|*.png";
    ExportDialog.fileName = "combined.bmp";
    ExportDialog.defaultExt = "bmp";
    ExportDialog.options = ui::HideReadOnly | ui::PathMustExist | ui::EnableSizing;
}

TFormMain::~TFormMain() { Destroy(); }

void TFormMain::FormCreate() {
    SourceBitmap = std::make_shared<Bitmap>(0, 0, PixelFormat::Indexed8);
    SetGreyPalette(*SourceBitmap);
    ColourBitmap = std::make_shared<Bitmap>(0, 0, PixelFormat::Bgr24);
    ReliefBitmap = std::make_shared<Bitmap>(0, 0, PixelFormat::Indexed8);
    SetGreyPalette(*ReliefBitmap);
    CombinedBitmap = std::make_shared<Bitmap>(0, 0, PixelFormat::Bgr24);
}

void TFormMain::FormShow() { TimerOnShow.SetEnabled(true); }

void TFormMain::FormDestroy() {
    ImageDisplay.ClearPicture();
    SourceBitmap.reset();
    ColourBitmap.reset();
    ReliefBitmap.reset();
    CombinedBitmap.reset();
}

void TFormMain::TimerOnShowTimer() {
    TimerOnShow.SetEnabled(false);

    std::string fileName = HeightFileName;
    if (!FileExists(fileName)) {
        if (auto chosen = Ui().ExecuteOpen(OpenDialog)) fileName = *chosen;
    }
    if (!FileExists(fileName)) {
        Ui().ShowMessage("Cannot find height PNG file " + fileName + ", so closing down.");
        Close();
        return;
    }
    ProcessHeightImage(fileName);
}

void TFormMain::FileOpenClick() {
    if (auto chosen = Ui().ExecuteOpen(OpenDialog)) ProcessHeightImage(*chosen);
}

void TFormMain::ProcessHeightImage(const std::string& fileName) {
    ui::BusyCursor busy(Ui());
    SetStep(0);
    const std::optional<HeightImageSize> size = PeekHeightImageSize(fileName);
    if (size && (size->width > kLargestHeldWidth || size->height > kLargestHeldHeight))
        ShadeInRows(fileName, size->width, size->height, SaveFileName);
    else
        ShadeWholeImage(fileName, SaveFileName);

    SetStep(0);
    Ui().ShowMessage(WrittenMessage(SaveFileName));
}

void TFormMain::ShadeWholeImage(const std::string& fileName, const std::string& target) {
    // Shading starts on a second core while the file is still being decoded; the images shown
    // are replaced only once whole.
    auto source = std::make_shared<Bitmap>(0, 0, PixelFormat::Indexed8);
    SetGreyPalette(*source);
    auto combined = std::make_shared<Bitmap>(0, 0, PixelFormat::Bgr24);
    ShadingAhead shading(*source, *combined);
    LoadHeightImage(*source, fileName, [&shading](int rows) { shading.Publish(rows); });
    Replace(SourceBitmap, source);
    shadedFileName_ = fileName;
    reduction_ = 1;
    fullCodes_ = HeightCodeBands();
    LabelReduced.SetCaption("");
    SourceReference = FileGeoreferencing.Checked() ? ReadGeoreference(fileName) : GeoReference{};
    ShowPlaceOf(SourceBitmap->Width(), SourceBitmap->Height());
    SelectTab(kTabSource);

    SetStep(1);
    // The colour and relief of an earlier image would no longer match; their tabs remake them.
    ColourBitmap->SetSize(0, 0);
    ReliefBitmap->SetSize(0, 0);
    CellCounts.Clear();
    CellCounts = shading.Finish([this](int percent) { ShowPercent(percent); });
    Replace(CombinedBitmap, combined);
    ProgressBarPercent.SetPosition(0);
    ProgressBarPercent.Repaint();
    SelectTab(kTabCombined);

    SetStep(4);
    SaveCombined(target);
}

void TFormMain::ShadeInRows(const std::string& fileName, int width, int height,
                            const std::string& target) {
    SetStep(1);
    const int reduction = ReductionFor(width, height);
    const int shownWidth = (width + reduction - 1) / reduction;
    const int shownHeight = (height + reduction - 1) / reduction;
    auto source = std::make_shared<Bitmap>(shownWidth, shownHeight, PixelFormat::Indexed8);
    SetGreyPalette(*source);
    auto relief = std::make_shared<Bitmap>(shownWidth, shownHeight, PixelFormat::Indexed8);
    SetGreyPalette(*relief);
    auto combined = std::make_shared<Bitmap>(shownWidth, shownHeight, PixelFormat::Bgr24);

    CombinedImageBands file(target, width, height);
    bool bandOpen = false;
    RowByRowShading shading(
        width, height,
        [&](int y, const std::uint8_t* codes, const std::uint8_t* reliefRow,
            const std::uint8_t* combinedRow) {
            if (!bandOpen) bandOpen = file.StartBand();
            std::memcpy(file.Band().Row(y - file.FirstRow()), combinedRow, std::size_t(width) * 3);
            if (y + 1 == file.FirstRow() + file.Rows()) {
                file.FinishBand();
                bandOpen = false;
            }
            if (y % reduction == 0) {
                const int shownRow = y / reduction;
                std::uint8_t* shownCodes = source->Row(shownRow);
                std::uint8_t* shownRelief = relief->Row(shownRow);
                std::uint8_t* shownCombined = combined->Row(shownRow);
                for (int x = 0; x < shownWidth; ++x) {
                    const std::size_t from = std::size_t(x) * std::size_t(reduction);
                    shownCodes[x] = codes[from];
                    shownRelief[x] = reliefRow[from];
                    std::memcpy(shownCombined + 3 * std::size_t(x), combinedRow + 3 * from, 3);
                }
            }
            ShowPercent(int(std::int64_t(y) * 100 / height));
        });
    ColourBitmap->SetSize(0, 0);
    ReliefBitmap->SetSize(0, 0);
    CellCounts.Clear();
    // Only for the pointer's readout: packing them costs a batch run a third of its time.
    const bool keepCodes = ImageDisplay.Watched();
    HeightCodeBands fullCodes(keepCodes ? width : 0);
    ReadHeightRows(fileName, [&](int, const std::uint8_t* codes) {
        if (keepCodes) fullCodes.AddRow(codes);
        shading.Add(codes);
    });
    CellCounts = shading.Finish();
    SetStep(4);
    SourceReference = FileGeoreferencing.Checked() ? ReadGeoreference(fileName) : GeoReference{};
    WithdrawStaleGeoreference(target, SourceReference);
    file.Commit();

    shadedFileName_ = fileName;
    reduction_ = reduction;
    fullCodes_ = std::move(fullCodes);
    WriteGeoreference(target, SourceReference);
    ShowPlaceOf(width, height);
    // The colour of each cell is its own, so the reduced colour image is that of the reduced
    // codes; the relief depends on neighbours the copy lacks and was taken from the full one.
    auto colour = std::make_shared<Bitmap>(0, 0, PixelFormat::Bgr24);
    ::MakeColourImage(*source, *colour, {});
    Replace(SourceBitmap, source);
    Replace(ColourBitmap, colour);
    Replace(ReliefBitmap, relief);
    Replace(CombinedBitmap, combined);
    LabelReduced.SetCaption("Shown at 1/" + std::to_string(reduction) + " of " +
                            std::to_string(width) + " x " + std::to_string(height));
    ProgressBarPercent.SetPosition(0);
    ProgressBarPercent.Repaint();
    SelectTab(kTabCombined);
}

// The pointer's readout: a height image without a world file beside it is the whole world, as
// terrafold makes it.
void TFormMain::ShowPlaceOf(int fullWidth, int fullHeight) {
    ImageDisplay.reduction = reduction_;
    ImageDisplay.degrees = SourceReference.transform ? PictureDegreesOf(*SourceReference.transform)
                                                     : WholeWorldDegrees(fullWidth, fullHeight);
}

void TFormMain::SaveCombined(const std::string& target) {
    // A run stopped between the image and its sidecars must not leave it beside older ones.
    WithdrawStaleGeoreference(target, SourceReference);
    SaveCombinedImage(*CombinedBitmap, target);
    WriteGeoreference(target, SourceReference);
}

void TFormMain::FileExportClick() {
    if (CombinedBitmap->IsEmpty()) return;
    std::optional<std::string> chosen = Ui().ExecuteSave(ExportDialog);
    if (!chosen) return;
    ui::BusyCursor busy(Ui());
    if (reduction_ > 1) {
        // Only the reduced copy is held: the full image is made again on its way to the file.
        const std::optional<HeightImageSize> size = PeekHeightImageSize(shadedFileName_);
        if (!size) return;
        ShadeInRows(shadedFileName_, size->width, size->height, *chosen);
        SetStep(0);
    } else {
        SaveCombined(*chosen);
    }
    Ui().ShowMessage(WrittenMessage(*chosen));
}

void TFormMain::TabControlImageChange() {
    switch (TabControlImage.TabIndex()) {
        case kTabSource:
            ImageDisplay.Show(SourceBitmap);
            break;
        case kTabColour:
            if (ColourBitmap->IsEmpty() && !CombinedBitmap->IsEmpty()) MakeColourImage();
            ImageDisplay.Show(ColourBitmap);
            break;
        case kTabRelief:
            if (ReliefBitmap->IsEmpty() && !CombinedBitmap->IsEmpty()) MakeReliefImage();
            ImageDisplay.Show(ReliefBitmap);
            break;
        case kTabCombined:
            ImageDisplay.Show(CombinedBitmap);
            break;
        default:
            break;
    }
    ImageDisplay.Repaint();
}

std::string TFormMain::CellStatisticsMessage() const {
    std::string text = "Number of cells at each height difference\r";
    for (int difference = 1; difference <= 5; ++difference)
        text += std::to_string(CellCounts[difference]) + "  ";
    return text;
}

void TFormMain::ViewCellStatisticsClick() { Ui().ShowMessage(CellStatisticsMessage()); }

void TFormMain::FileExitClick() { Close(); }

void TFormMain::HelpAboutClick() {
    if (AboutBox) Ui().ShowModal(*AboutBox);
}

void TFormMain::MakeColourImage() {
    ::MakeColourImage(*SourceBitmap, *ColourBitmap, [this](int percent) { ShowPercent(percent); });
}

void TFormMain::MakeReliefImage() {
    CellCounts.Clear();
    CellCounts = ::MakeReliefImage(*SourceBitmap, *ReliefBitmap,
                                   [this](int percent) { ShowPercent(percent); });
}

void TFormMain::MakeCombinedImage() {
    ::MakeCombinedImage(*ColourBitmap, *ReliefBitmap, *CombinedBitmap,
                        [this](int percent) { ShowPercent(percent); });
}

void TFormMain::ShowPercent(int percent) {
    const std::uint32_t now = clock_();
    if (std::uint32_t(now - lastProgressTick_) <= kPercentIntervalMs) return;
    ProgressBarPercent.SetPosition(percent);
    ProgressBarPercent.Repaint();
    lastProgressTick_ = now;
}

void TFormMain::SelectTab(int index) {
    TabControlImage.SetTabIndex(index);
    TabControlImageChange();
}

void TFormMain::SetStep(int step) {
    ProgressBarStep.SetPosition(step);
    ProgressBarStep.Repaint();
}
