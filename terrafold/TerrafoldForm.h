#pragma once
// The height-image builder's window. At start-up it finds the GTOPO30 tile folder and the GSHHS
// shoreline file (stored settings, defaults ~/GTOPO30/ and ~/GSHHS/gshhs_l.b, or a file-open
// dialog), opens the 33 tiles, and on Refresh writes topo.png and LandSeaMask.png into the
// current folder. Without tiles the window stays open and Refresh does nothing; without data
// locations the program ends after saying why. Settings are stored when the window is destroyed,
// including locations picked during a start-up that then ended.
#include <memory>
#include <optional>
#include <string>

#include "Bitmap.h"
#include "Form.h"
#include "RecentFiles.h"
#include "RegistryVariables.h"
#include "TileData.h"
#include "WorldHeightImage.h"

class LakesAhead;

// Locations given on the command line, taken as if picked in the start-up dialogs.
struct TerrafoldStartup {
    std::optional<std::string> GTOPO30Folder;  // a folder, or any file inside it
    std::optional<std::string> GSHHSFile;
    std::optional<int> ImageWidth = std::nullopt;  // one of kWorldImageWidths, for this run only
};

class TFormMain : public ui::Form {
public:
    explicit TFormMain(ui::Interaction& interaction, TerrafoldStartup startup = {});
    ~TFormMain() override;

    // The About box shown by Help, About...; owned by the program.
    ui::Form* AboutBox = nullptr;

    void ButtonRefreshClick();
    void ButtonCloseClick();
    void FileExitClick();
    void HelpAboutClick();
    void FileOpenTilesClick();
    void FileOpenShorelineClick();
    // Another data location, from the menu, a recent entry or a drop: a folder (ending in "/")
    // or a .dem file inside one opens the tiles there; any other file becomes the shoreline file.
    void OpenLocation(const std::string& path);

    bool HasTiles() const { return Tiles != nullptr; }
    // A shoreline file named on the command line or in the start-up dialog was no shoreline
    // file: the error was shown and the setting kept its file.
    bool ShorelineRefused() const { return shorelineRefused_; }

    ui::Image& ImageDisplay;
    ui::Button& ButtonRefresh;
    ui::Button& ButtonClose;
    ui::ProgressBar& ProgressBar;
    ui::OpenDialog OpenDialog;
    ui::MenuItem& FileMenu;
    ui::MenuItem& FileOpenTiles;
    ui::MenuItem& FileOpenShoreline;
    ui::MenuItem& FileRecent;
    // Checked: world files and .aux.xml files are written beside both images.
    ui::MenuItem& FileGeoreferencing;
    // The width of both images: radio items, one for each of kWorldImageWidths.
    ui::MenuItem& FileImageSize;
    ui::MenuItem& FileExit;
    ui::MenuItem& HelpMenu;
    ui::MenuItem& HelpAbout;

    // The picture of ImageDisplay: at the default width both images themselves, at the others
    // a reduced copy (pixel (x, y) of the display is pixel (x * W / 5400, y * W / 5400) of the
    // image), since the full images are never held.
    Bitmap& HeightBitmap;
    Bitmap MaskBitmap;
    // Width of the images the next Refresh writes; the height is half of it.
    int ImageWidth = kWorldImageWidth;
    // The File menu's choice, remembered for later runs.
    void ChooseImageWidth(int width);
    std::unique_ptr<TTileArray> Tiles;
    std::unique_ptr<TRegistryString> GTOPO30FolderSetting;
    std::unique_ptr<TRegistryString> GSHHSFileSetting;
    std::unique_ptr<TRegistryString> ImageWidthSetting;

protected:
    void FormCreate() override;
    void FormDestroy() override;

private:
    // False when the program has to end.
    bool FindTileFolder();
    void OpenTiles();
    bool FindShorelineFile();
    // Takes a shoreline file into the setting unless it is no shoreline file, which is said.
    void TakeShorelineFile(const std::string& path);
    // Sets ImageWidth and checks its menu item.
    void ShowImageWidth(int width);
    // Both images at the default width, held whole and shown as they are made.
    void WriteWholeImages(LakesAhead& lakes, const std::string& author);
    // Both images at any width, a band of rows at a time, with a reduced copy shown.
    void WriteImagesInBands(LakesAhead& lakes, const std::string& author);
    // The georeferencing of the images at the chosen width, or none.
    GeoReference Reference() const;
    // Removes sidecars that would describe another image than the one about to replace them.
    void WithdrawStaleSidecars();

    void PrepareTileDialog();
    void PrepareShorelineDialog();

    TerrafoldStartup startup_;
    bool shorelineRefused_ = false;
    std::string tileFailure_;  // why the tiles could not be opened
    std::unique_ptr<TRecentFiles> recentFiles_;
    HeightCodeTable heightCodes_{};
};

// The Author text of both images: the maker's name and web address.
std::string TerrafoldAuthor();
