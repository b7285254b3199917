#pragma once
// The Qt front end (the window, and the SVG and PDF map writer) lives in a module the programs
// load when they first need it, so that batch runs start without Qt Gui and Widgets. The module
// calls back into the program that loaded it: the programs export their symbols for it.
//
// Found beside the executable (the build tree), else in <libdir>/varnholt, reached from the
// executable's folder (an installed tree, wherever its prefix lies).
#include <functional>
#include <string>
#include <vector>

#include "MapDocument.h"
#include "MapPainter.h"

namespace app {
struct ProgramDescription;
}

// What the module offers. Both are called with the loading program's own types.
struct FrontEnd {
    // Makes the QApplication, which takes Qt's own options from the command line, then runs
    // the rest as app::RunProgram would: the window, or without one what the options ask.
    int (*runProgram)(int argc, char** argv, const app::ProgramDescription& program);
    // SaveVectorMap (MapDocument.h).
    void (*saveVectorMap)(const std::string& path, const MapDocument& document,
                          const std::function<void(MapPainter&)>& draw);
};

// The module's one entry point; the programs look it up by its name.
extern "C" __attribute__((visibility("default"))) const FrontEnd* varnholt_front_end();
inline constexpr const char* kFrontEndEntryName = "varnholt_front_end";

inline constexpr const char* kFrontEndModuleName = "varnholt-frontend.so";

// Where the module is looked for, first found first: beside the executable, then the installed
// <libdir>/varnholt (installedFromBin is that folder relative to the executable's).
std::vector<std::string> FrontEndModuleCandidates(const std::string& executableFolder,
                                                  const std::string& installedFromBin);

// The module, opened on the first call and kept until the program ends. Throws VarnholtError
// "Cannot load the window front end: <the loader's reason, naming the file>" when it is
// missing or unusable.
const FrontEnd& LoadFrontEnd();
