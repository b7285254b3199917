#pragma once
// The map viewer's window: a 900 x 450 map of a chosen region drawn from "Countries.dat", with
// presets, zoom out, a rubber-band zoom, a monochrome variant, colouring by height from a
// topography grid, and saving the map as "temp.bmp". The first map is drawn by a one-shot
// 100 ms timer enabled at the end of start-up; zooms redraw through the same timer.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Cartography.h"
#include "Form.h"
#include "HeightColouring.h"
#include "MapView.h"
#include "Topography.h"

class TFormMain : public ui::Form {
public:
    // Without folders, the five standard search folders are used.
    explicit TFormMain(ui::Interaction& interaction, std::vector<std::string> searchFolders = {});
    ~TFormMain() override;

    void Timer1Timer();
    void Save1Click();
    void Export1Click();
    void Exit1Click();
    void OpenUKClick();
    void OpenScandinaviaClick();
    void OpenMiddleEastClick();
    void OpenWorldClick();
    void ViewTopographyClick();
    void Zoomout1Click();
    void Monochrome1Click();
    void Image1MouseDown(ui::MouseButton button, int x, int y);
    void Image1MouseMove(int x, int y);
    void Image1MouseUp(ui::MouseButton button, int x, int y);
    void Image1MouseWheel(int x, int y, int notches);
    void ViewBackClick();
    void ViewForwardClick();

    bool FindTopography();
    void LoadCartography();
    void DrawMap();
    void AddTopography();
    // DrawMap, with the height colours while "Add topography" is checked.
    void RedrawMap();
    // Writes the drawn map by the file's extension: as SVG or PDF figures on a page pageWidthMm
    // wide (0: a point a pixel), as PNG, or else as a Windows bitmap. There must be one drawn.
    void SaveMap(const std::string& fileName, double pageWidthMm = 0);
    bool MapDrawn() const { return mapDrawn_; }
    // Draws the maps that follow at this size instead of the window's 900 x 450 (a batch run's
    // choice; the window's image keeps its size). Keeps the view.
    void SetMapSize(int width, int height);
    // Whether the map shows height colours, which last until the next redraw.
    bool HeightColoured() const { return heightColoured_; }

    ui::Image& Image1;
    ui::Label& LabelDataSources;
    ui::ProgressBar& ProgressBar1;
    ui::Timer& Timer1;
    ui::MenuItem& File1;
    ui::MenuItem& Save1;
    // Checked: a world file and an .aux.xml are saved beside the bitmap.
    ui::MenuItem& FileGeoreferencing;
    ui::MenuItem& Export1;
    ui::MenuItem& Exit1;
    ui::MenuItem& View;
    ui::MenuItem& Presets;
    ui::MenuItem& OpenUK;
    ui::MenuItem& OpenScandinavia;
    ui::MenuItem& OpenMiddleEast;
    ui::MenuItem& OpenWorld;
    ui::MenuItem& ViewTopography;
    ui::MenuItem& Zoomout1;
    ui::MenuItem& Monochrome1;
    ui::MenuItem& ViewBack;
    ui::MenuItem& ViewForward;
    ui::OpenDialog ExportDialog;

    std::vector<std::string> SearchFolders;
    // Start-up says nothing about a missing topography grid (set before Create).
    bool QuietTopographySearch = false;
    std::unique_ptr<TCartogList> CartogList;
    std::string CartogFileName;
    TTopography Topography;
    TMapView MapView;
    THeightColouring Colouring;

    bool Dragging = false;
    int DragStartX = 0;
    int DragStartY = 0;
    int DragEndX = 0;
    int DragEndY = 0;
    // A rubber band smaller than this (in window pixels) both ways is a click, which changes
    // nothing.
    static constexpr int kLeastDrag = 8;

    // Panning with the middle button: where it started and the view it started from.
    bool Panning = false;
    int PanStartX = 0;
    int PanStartY = 0;

    // The views drawn, for Back and Forward; ViewIndex is the one shown.
    struct ViewBounds {
        int west, south, east, north;
        friend bool operator==(const ViewBounds&, const ViewBounds&) = default;
    };
    std::vector<ViewBounds> ViewHistory;
    std::size_t ViewIndex = 0;
    static constexpr std::size_t kViewsKept = 100;

protected:
    void FormCreate() override;
    void FormResize() override;
    void FormDestroy() override;

private:
    void RememberView();
    void GoToView(std::size_t index);
    // A redraw on the way somewhere (a pan in progress, Back, Forward).
    void RedrawWithoutRemembering();
    void DrawRubberBand();
    void ApplyPreset(MapPreset preset);

    std::vector<std::string> givenFolders_;
    // Image1's canvas brush as the last drawing left it; the rubber band fills with it.
    Colour imageBrush_ = Colours::White;
    bool mapDrawn_ = false;
    // The view of the drawn map: a zoom changes the view at once but the picture only at the
    // next redraw.
    GeoTransform drawnTransform_;
    bool heightColoured_ = false;
    ViewBounds panFrom_{};
    bool remembering_ = true;
};
