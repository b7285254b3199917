#pragma once
// The map commands of a batch run, in the order the command line gives them:
//   --preset world|uk|scandinavia|middleeast, --bounds W,S,E,N (whole arc-minutes, applied as a
//   rubber-band zoom would: the view becomes that rectangle at the next redraw), --region
//   W,S,E,N (the same in decimal degrees, rounded to the nearest minute), --zoom-out,
//   --monochrome (toggles, as the menu item does).
// Each is carried out as its window command would be, including the redraw it causes; then the
// map is drawn (and coloured by height with --topography) and saved, and the bounds it shows
// are said: the view widens the rectangle asked for to the east or north to keep its shape.
#include <string>
#include <vector>

#include "Options.h"

class TFormMain;

struct MapCommand {
    enum class Kind { Preset, Bounds, ZoomOut, Monochrome };
    Kind kind = Kind::ZoomOut;
    std::string preset;  // lower case, as given
    int west = 0;
    int south = 0;
    int east = 0;
    int north = 0;
};

struct MapCommandLine {
    std::vector<MapCommand> commands;
    std::string error;  // what was wrong with a value; empty when all were usable
};

// "Bounds drawn (W,S,E,N degrees): ..." with the edges of the drawn image, as --region takes
// them.
std::string DrawnBoundsText(const TFormMain& form);

// The map commands among the options, in the order given.
MapCommandLine MapCommandsOf(const app::Options& options);

// The size of the map a batch run draws, from "WxH" (--size).
struct MapSize {
    int width = 900;
    int height = 450;
};
// The largest: a whole-world map at 30 arc-seconds a pixel, whose 24-bit BMP is within the
// format's limits.
inline constexpr int kMaxMapSide = 43200;
inline constexpr long long kMaxMapPixels = 43200LL * 21600;
// The size given; error (else left empty) says what was wrong with it.
MapSize ParseMapSize(const std::string& text, std::string& error);

// Each command followed by the redraws of the form's timers, run as in a batch run.
void RunMapCommands(TFormMain& form, const std::vector<MapCommand>& commands);
// Draws the map of the current view (coloured by height when asked) and saves it by the file's
// extension (TFormMain::SaveMap).
void DrawAndSaveMap(TFormMain& form, bool topography, const std::string& fileName,
                    double pageWidthMm = 0);
