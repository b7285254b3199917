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
#include "RegistryVariables.h"
#include "TileData.h"
#include "WorldHeightImage.h"

// Locations given on the command line, taken as if picked in the start-up dialogs.
struct TerrafoldStartup {
    std::optional<std::string> GTOPO30Folder;  // a folder, or any file inside it
    std::optional<std::string> GSHHSFile;
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

    bool HasTiles() const { return Tiles != nullptr; }

    ui::Image& ImageDisplay;
    ui::Button& ButtonRefresh;
    ui::Button& ButtonClose;
    ui::ProgressBar& ProgressBar;
    ui::OpenDialog OpenDialog;
    ui::MenuItem& FileMenu;
    // Checked: world files and .aux.xml files are written beside both images.
    ui::MenuItem& FileGeoreferencing;
    ui::MenuItem& FileExit;
    ui::MenuItem& HelpMenu;
    ui::MenuItem& HelpAbout;

    // The picture of ImageDisplay.
    Bitmap& HeightBitmap;
    Bitmap MaskBitmap;
    std::unique_ptr<TTileArray> Tiles;
    std::unique_ptr<TRegistryString> GTOPO30FolderSetting;
    std::unique_ptr<TRegistryString> GSHHSFileSetting;

protected:
    void FormCreate() override;
    void FormDestroy() override;

private:
    // False when the program has to end.
    bool FindTileFolder();
    void OpenTiles();
    bool FindShorelineFile();
    // The world file and .aux.xml beside an image just written (or their removal).
    GeoReference Reference() const;

    TerrafoldStartup startup_;
    HeightCodeTable heightCodes_{};
};

// The Author text of both images: the maker's name and web address.
std::string TerrafoldAuthor();
