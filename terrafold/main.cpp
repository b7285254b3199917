// terrafold: builds the world height image topo.png and the land/sea mask LandSeaMask.png (5400
// x 2700 unless another width is chosen) from the 33 GTOPO30 tiles and the large lakes of a
// GSHHS shoreline file.
#include <memory>
#include <string>

#include "AboutDisplay.h"
#include "GeoreferenceChoice.h"
#include "ProgramVersion.h"
#include "RunProgram.h"
#include "TerrafoldForm.h"

int main(int argc, char** argv) {
    app::ProgramDescription program;
    program.name = "terrafold";
    program.summary =
        "Writes the world height image topo.png and the land/sea mask LandSeaMask.png.";
    program.version = &ProgramVersionBlock();
    program.keepsSettings = true;
    program.options = {
        {"gtopo30", "DIR", "folder of the GTOPO30 tiles, remembered for later runs",
         "the remembered folder, else ~/GTOPO30/"},
        {"gshhs", "FILE", "GSHHS shoreline file, remembered for later runs",
         "the remembered file, else ~/GSHHS/gshhs_l.b"},
        {"width",
         "W",
         "width of both images, remembered for later runs: 43200, 21600, 14400,\n"
         "10800, 8640, 7200 or 5400 (one pixel every 43200 / W cells); the height\n"
         "is W / 2",
         "the remembered width, else 5400",
         false,
         false,
         {"43200", "21600", "14400", "10800", "8640", "7200", "5400"}},
        app::NoGeorefOption(),
    };
    program.makeMainForm = [](ui::Interaction& ui, const app::Options& options) {
        TerrafoldStartup startup;
        if (options.Has("gtopo30")) startup.GTOPO30Folder = options.Value("gtopo30");
        if (options.Has("gshhs")) startup.GSHHSFile = options.Value("gshhs");
        if (options.Has("width")) startup.ImageWidth = std::stoi(options.Value("width"));
        auto form = std::make_unique<TFormMain>(ui, startup);
        form->FileGeoreferencing.SetChecked(app::GeoreferenceWanted(options));
        return form;
    };
    program.makeAboutBox = AboutBoxMaker<TFormMain>(&ProgramVersionBlock(), AboutVariant::Standard);
    // Without tiles, or with a refused shoreline file, the form has already shown why, which
    // makes the exit status 1; nothing is written.
    program.batchCommand = [](ui::Form& form, const app::Options&) {
        auto& main = static_cast<TFormMain&>(form);
        if (main.HasTiles() && !main.ShorelineRefused()) main.ButtonRefreshClick();
    };
    return app::RunProgram(argc, argv, program);
}
