#pragma once
// The shoreline viewer's window. It draws the outlines of a GSHHS shoreline file as one-pixel
// black lines on a white plate carree world map (3600 x 1800, ten pixels a degree, unless
// another width is set before the window is created; column 0 at 180 W, row 0 at 90 N) framed
// by a one-pixel black border, and shows the map fitted to the window ("Full") or at one pixel
// per pixel with scroll bars ("Zoom"). The map holds one byte a pixel, black or white.
//
// Which polygons are drawn follows ViewMode: land (level 1), lakes (level 2) larger than
// 1000 km2, or both. Each View command and each Open reads the whole file again; nothing is
// cached. An outline step of a quarter of the map's width or more is taken for a crossing of
// the 180th meridian and cut at both edges. A file that cannot be opened or read ends the
// drawing silently, keeping what was drawn (the batch front end asks ReadFailure()).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Bitmap.h"
#include "Form.h"
#include "Geometry.h"

class MapPainter;
class OutlinePen;
class TRecentFiles;
class TRegistryString;
struct GeoBounds;
struct ShorelineReadEnd;
struct TGSHHSHeader;

class TFormMain : public ui::Form {
public:
    static constexpr int kDefaultMapWidth = 3600;
    static constexpr int kDefaultMapHeight = 1800;
    // Widths a map may have: a whole number of pixels a degree, up to 30 arc-seconds a pixel.
    static constexpr int kMinMapWidth = 360;
    static constexpr int kMaxMapWidth = 43200;
    // "" when the width can be used, else why not.
    static std::string MapWidthProblem(long long width);

    explicit TFormMain(ui::Interaction& interaction);
    ~TFormMain() override;

    // Controls, as the window's control table names them.
    ui::ScrollBox& ScrollBox1;
    ui::Image& Image1;
    ui::RadioGroup& RadioGroupView;
    ui::Button& ButtonExit;
    ui::Timer& TimerLoad;
    ui::OpenDialog OpenDialog1;
    ui::OpenDialog ExportDialog;
    ui::MenuItem& FileOpen;
    ui::MenuItem& FileRecent;
    ui::MenuItem& FileExport;
    ui::MenuItem& FileExit;
    ui::MenuItem& ViewBoth;
    ui::MenuItem& ViewLand;
    ui::MenuItem& ViewLargeLakes;
    ui::MenuItem& About1;

    // The About box "&About..." shows; the program's start-up hands it over.
    ui::Form* AboutBox = nullptr;
    // A file named on the command line: taken as the open dialog's choice before the first
    // loading, so it is drawn at once and stored at exit.
    std::optional<std::string> CommandLineFile;
    // The map's size; the height is half the width. Set before the window is created.
    void SetMapWidth(int width);
    int MapWidth() const { return mapWidth_; }
    int MapHeight() const { return mapWidth_ / 2; }

    // State. The image control shows this bitmap itself; a redraw while it is shown draws into
    // a new one, so the control never sees a half-drawn map and no copy is made.
    std::shared_ptr<Bitmap> WorldBitmap;
    std::unique_ptr<TRegistryString> DataFile;
    std::uint8_t ViewMode = 0;  // 0 both, 1 land, 2 large lakes
    bool Closing = false;

    // Event handlers.
    void TimerLoadTimer();
    void FileOpenClick();
    // Draws another shoreline file, as Open does once a file is chosen (recent files, drops).
    void OpenFile(const std::string& path);
    void FileExportClick();
    void ViewBothClick();
    void ViewLandClick();
    void ViewLargeLakesClick();
    void RadioGroupViewClick();
    void FileExitClick();
    void ButtonExitClick();
    void About1Click();

    void DrawShorelines();
    // The same map as figures, read afresh from the file; a read failure is thrown after what
    // was read is drawn.
    void DrawShorelineFigures(MapPainter& painter);
    // Writes the map by the file's extension: the drawn raster as PNG or BMP, or its figures as
    // SVG or PDF on a page pageWidthMm wide (0: a point a pixel).
    void SaveMap(const std::string& path, double pageWidthMm);
    GeoBounds MapBounds() const;

    // Why the last DrawShorelines stopped before the end of its file (it cannot be opened, or a
    // read failed); nothing when the whole file was read. The window keeps quiet about it.
    const std::optional<std::string>& ReadFailure() const { return readFailure_; }
    // The last DrawShorelines found its file cut inside a record and drew what came before.
    const std::optional<std::string>& ReadWarning() const { return readWarning_; }
    // A file named on the command line or in the open dialog, or the stored one, was no
    // shoreline file, and no good file was taken since: the error was shown and the setting
    // did not take the refused file.
    bool FileRefused() const { return fileRefused_; }

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormResize() override;
    bool FormCloseQuery() override;
    void FormDestroy() override;

private:
    bool IsSelected(const TGSHHSHeader& header) const;
    // The selected polygons' outlines through the pen; outlineEnd (if any) after each;
    // background painted while the reading starts.
    ShorelineReadEnd ReadSelectedOutlines(OutlinePen& pen, const std::function<void()>& outlineEnd,
                                          const std::function<void()>& background);
    void SelectView(std::uint8_t viewMode, ui::MenuItem& item);
    // Takes a chosen file into DataFile unless it is no shoreline file, which is said instead.
    bool TakeFile(const std::string& path);
    void ShowMap();

    // A fresh map of the set size, ready to draw into.
    std::shared_ptr<Bitmap> NewMap() const;

    std::optional<std::string> readFailure_;
    std::optional<std::string> readWarning_;
    bool fileRefused_ = false;
    std::unique_ptr<TRecentFiles> recentFiles_;
    int mapWidth_ = kDefaultMapWidth;
};
