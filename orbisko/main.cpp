// The map viewer: a window, or with --batch a map drawn from the command line and saved.
#include <memory>
#include <string>
#include <vector>

#include "BatchMap.h"
#include "GeoreferenceChoice.h"
#include "MapDocument.h"
#include "MapSaveOptions.h"
#include "OrbiskoForm.h"
#include "ProgramVersion.h"
#include "RunProgram.h"
#include "SearchFolders.h"

int main(int argc, char** argv) {
    app::ProgramDescription program;
    program.name = "orbisko";
    program.summary =
        "Draws a map of any region from Countries.dat, coloured by height on request.";
    program.version = &ProgramVersionBlock();
    program.options = {
        {"data", "DIR",
         "look in DIR for Countries.dat and a topography grid before the usual folders", ""},
        {"preset",
         "NAME",
         "view a preset region: world, uk, scandinavia or middleeast",
         "world",
         true,
         false,
         {"world", "uk", "scandinavia", "middleeast"}},
        {"bounds", "W,S,E,N", "view this rectangle, in whole arc-minutes (east and north positive)",
         "", true},
        {"zoom-out", "", "double the view's span about its centre", "", true},
        {"monochrome", "", "switch between the colour and the monochrome map", "", true},
        {"topography", "", "colour the land by height", ""},
        {"save", "FILE",
         "write the map to FILE, by its extension an .svg or .pdf vector document,\n"
         "a .png, or else a BMP",
         "temp.bmp"},
        {"size", "WxH", "batch mode: draw and save the map WxH pixels large", "900x450"},
        app::NoGeorefOption(),
        PageWidthOption(),
    };

    program.checkOptions = [](const app::Options& options) {
        std::string problem = MapCommandsOf(options).error;
        if (problem.empty()) ParseMapSize(options.Value("size"), problem);
        return problem.empty() ? PageWidthProblem(options) : problem;
    };

    program.makeMainForm = [](ui::Interaction& ui, const app::Options& options) {
        std::vector<std::string> folders;
        if (options.Has("data")) {
            std::string folder = options.Value("data");
            if (folder.empty() || folder.back() != '/') folder += '/';
            folders.push_back(folder);
            for (const std::string& usual : DefaultSearchFolders()) folders.push_back(usual);
        }
        auto form = std::make_unique<TFormMain>(ui, std::move(folders));
        form->FileGeoreferencing.SetChecked(app::GeoreferenceWanted(options));
        if (options.Batch()) {
            std::string unused;
            const MapSize size = ParseMapSize(options.Value("size"), unused);
            form->SetMapSize(size.width, size.height);
        }
        return form;
    };
    program.batchCommand = [](ui::Form& form, const app::Options& options) {
        auto& mapForm = static_cast<TFormMain&>(form);
        RunMapCommands(mapForm, MapCommandsOf(options).commands);
        DrawAndSaveMap(mapForm, options.Has("topography"), options.Value("save"),
                       ParsePageWidthMm(options.Value("page-width")));
    };
    return app::RunProgram(argc, argv, program);
}
