#pragma once
// The hill shader's main window: loads the height image once, shortly after it is first shown,
// makes the combined image, writes "combined.bmp" and shows each image on its tab; the colour
// and relief images are made when their tabs are first shown. The counts of small height
// differences stay for the "Cell statistics" command.
#include <cstdint>
#include <memory>
#include <string>

#include "Bitmap.h"
#include "Form.h"
#include "GeoReference.h"
#include "HeightCodeBands.h"
#include "ReliefShading.h"
#include "Tick.h"

class TFormMain : public ui::Form {
public:
    // The clock throttles the percent bar.
    explicit TFormMain(ui::Interaction& interaction, TickClock clock = GetTickCount);
    ~TFormMain() override;

    ui::TabControl& TabControlImage;
    ui::Image& ImageDisplay;
    ui::Label& LabelStep;
    ui::ProgressBar& ProgressBarStep;
    ui::Label& LabelPercent;
    ui::ProgressBar& ProgressBarPercent;
    // Says when the images shown are reduced copies; empty otherwise.
    ui::Label& LabelReduced;
    ui::Timer& TimerOnShow;
    ui::OpenDialog OpenDialog;
    ui::OpenDialog ExportDialog;
    ui::MenuItem& MenuFile;
    ui::MenuItem& FileOpen;
    ui::MenuItem& FileExport;
    // Checked: the height image's world file and .aux.xml are carried over to combined.bmp.
    ui::MenuItem& FileGeoreferencing;
    ui::MenuItem& FileExit;
    ui::MenuItem& MenuView;
    ui::MenuItem& ViewCellStatistics;
    ui::MenuItem& MenuHelp;
    ui::MenuItem& HelpAbout;

    // The height image the processing starts from; the open dialog is shown when it is missing.
    std::string HeightFileName = "topo.png";
    // Where the processing writes the combined image; the extension (.bmp or .png) chooses the
    // format.
    std::string SaveFileName = "combined.bmp";
    // The About box, made and owned by the program's start-up; none in a bare form.
    ui::Form* AboutBox = nullptr;

    // Up to this size the four images are held whole; a larger height image is shaded a row at
    // a time into the file, and the tabs show copies reduced by a whole factor each way.
    static constexpr int kLargestHeldWidth = 5400;
    static constexpr int kLargestHeldHeight = 2700;

    std::shared_ptr<Bitmap> SourceBitmap;
    std::shared_ptr<Bitmap> ColourBitmap;
    std::shared_ptr<Bitmap> ReliefBitmap;
    std::shared_ptr<Bitmap> CombinedBitmap;
    ::CellCounts CellCounts;
    // What lay beside the height image when it was loaded; empty with georeferencing off.
    GeoReference SourceReference;

    // The processing sequence, run once from the timer.
    void TimerOnShowTimer();
    void TabControlImageChange();
    void FileOpenClick();
    // The processing sequence on another height image (Open..., a dropped file).
    void ProcessHeightImage(const std::string& fileName);
    void ViewCellStatisticsClick();
    void FileExitClick();
    // Writes the combined image to a file the user names.
    void FileExportClick();
    void HelpAboutClick();

    void MakeColourImage();
    void MakeReliefImage();
    void MakeCombinedImage();
    // The combined image and the counts straight from the source, in one pass.
    void ShowPercent(int percent);

    std::string CellStatisticsMessage() const;

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormDestroy() override;

private:
    void LoadSourceImage(const std::string& fileName);
    // The four images held whole, the combined one written to target.
    void ShadeWholeImage(const std::string& fileName, const std::string& target);
    // The combined image written to target a row at a time; reduced copies kept for the tabs.
    void ShadeInRows(const std::string& fileName, int width, int height, const std::string& target);
    void SaveCombined(const std::string& target);
    // Where the image lies, for the readout of the pixel under the pointer.
    void ShowPlaceOf(int fullWidth, int fullHeight);
    // Selects a tab as the user would, so the display follows it and repaints at once.
    void SelectTab(int index);
    void SetStep(int step);

    TickClock clock_;
    std::string shadedFileName_;  // the height image the images came from
    int reduction_ = 1;           // of the images shown: 1 when they are whole
    HeightCodeBands fullCodes_;   // the full image's codes while the images shown are reduced
    std::uint32_t lastProgressTick_ = 0;
};
