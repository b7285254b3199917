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
        "Draws a map of any region from Countries.dat, coloured by height on request.\n"
        "The 900 x 450 map keeps its shape: it widens the bounds asked for to the east or north\n"
        "(asking for 45 to 48 N gives a map reaching 49.1 N); batch mode prints the bounds drawn.";
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
        {"bounds", "W,S,E,N",
         "view this rectangle, in whole arc-minutes (east and north positive),\n"
         "for example --bounds 300,2700,1020,2880 for the Alps",
         "", true},
        {"region", "W,S,E,N",
         "view this rectangle, in decimal degrees (east and north positive),\n"
         "for example --region 5,45,17,48 for the Alps; not with --bounds",
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
        // A batch run without --topography has no use for the grid, so its absence is no news.
        form->QuietTopographySearch = options.Batch() && !options.Has("topography");
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
