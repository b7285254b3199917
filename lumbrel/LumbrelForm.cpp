#include "LumbrelForm.h"

#include <filesystem>

#include "BmpFile.h"
#include "FileLookup.h"
#include "GeoreferenceChoice.h"
#include "HeightImageFile.h"
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
      TimerOnShow(MakeTimer("TimerOnShow")),
      MenuFile(MainMenu().Add("MenuFile", "&File")),
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

    ui::BusyCursor busy(Ui());
    SetStep(0);
    // Shading starts on a second core while the file is still being decoded; the images shown
    // are replaced only once whole.
    auto source = std::make_shared<Bitmap>(0, 0, PixelFormat::Indexed8);
    SetGreyPalette(*source);
    auto combined = std::make_shared<Bitmap>(0, 0, PixelFormat::Bgr24);
    ShadingAhead shading(*source, *combined);
    LoadHeightImage(*source, fileName, [&shading](int rows) { shading.Publish(rows); });
    Replace(SourceBitmap, source);
    SourceReference = FileGeoreferencing.Checked() ? ReadGeoreference(fileName) : GeoReference{};
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
    WithdrawStaleGeoreference("combined.bmp", SourceReference);
    SaveBitmapToBmp(*CombinedBitmap, "combined.bmp");
    WriteGeoreference("combined.bmp", SourceReference);

    SetStep(0);
    Ui().ShowMessage("Coloured, shaded image written to COMBINED.BMP");
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
