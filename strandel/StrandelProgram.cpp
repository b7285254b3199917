#include "StrandelProgram.h"

#include <memory>
#include <optional>

#include "AboutDisplay.h"
#include "Errors.h"
#include "GSHHSdata.h"
#include "GeoreferenceChoice.h"
#include "MapDocument.h"
#include "MapSaveOptions.h"
#include "ProgramVersion.h"
#include "RegistryVariables.h"
#include "StrandelForm.h"

namespace {

std::vector<app::OptionSpec> ProgramOptions() {
    return {
        {.name = "gshhs",
         .placeholder = "GSHHSFILE",
         .help = "GSHHS file to draw, as if chosen in the open dialog; stored for the next run",
         .defaultValue = "",
         .positional = true},
        {.name = "view",
         .placeholder = "both|land|lakes",
         .help = "batch mode: select this View menu command before saving",
         .defaultValue = "both",
         .choices = {"both", "land", "lakes"}},
        {.name = "save",
         .placeholder = "FILE",
         .help = "batch mode: write the finished map to FILE, by its extension a .png or .bmp\n"
                 "raster, or an .svg or .pdf vector document",
         .defaultValue = ""},
        {.name = "width",
         .placeholder = "W",
         .help = "the map's width in pixels, a multiple of 360 up to 43200 (30 arc-seconds a\n"
                 "pixel); the height is half of it",
         .defaultValue = std::to_string(TFormMain::kDefaultMapWidth)},
        app::NoGeorefOption(),
        PageWidthOption(),
    };
}

int MapWidthOf(const app::Options& options) {
    return int(options.Integer("width", TFormMain::kMinMapWidth, TFormMain::kMaxMapWidth));
}

std::string MapWidthProblem(const app::Options& options) {
    try {
        const std::string problem = TFormMain::MapWidthProblem(MapWidthOf(options));
        return problem.empty() ? "" : "--width: " + problem;
    } catch (const app::UsageError& error) {
        return error.what();
    }
}

void RunBatchCommand(TFormMain& form, const app::Options& options) {
    // A refused file was said as an error already; nothing is drawn or written for it.
    if (form.FileRefused()) return;
    const std::string view = options.Value("view");
    if (view == "land") form.ViewLand.Click();
    if (view == "lakes") form.ViewLargeLakes.Click();
    // The window keeps quiet about an unreadable file; a script must not take a blank map.
    if (form.ReadFailure()) throw VarnholtError(*form.ReadFailure());
    if (form.ReadWarning()) form.Ui().ShowWarning(*form.ReadWarning());
    if (!options.Has("save")) return;
    const std::string path = options.Value("save");
    const MapFileFormat format = MapFileFormatOf(path);
    const bool raster = format == MapFileFormat::Png || format == MapFileFormat::Bmp;
    const Bitmap& map = *form.WorldBitmap;
    const GeoReference reference =
        app::GeoreferenceWanted(options)
            ? Wgs84Reference(GeoToPixelTransform(map.Width(), map.Height()))
            : GeoReference{};
    if (raster) WithdrawStaleGeoreference(path, reference);
    form.SaveMap(path, ParsePageWidthMm(options.Value("page-width")));
    if (raster) WriteGeoreference(path, reference);
}

}  // namespace

app::ProgramDescription StrandelProgram() {
    app::ProgramDescription program;
    program.name = "strandel";
    program.keepsSettings = true;
    program.summary =
        "Draws the shorelines of a GSHHS file as black outlines on a white world map, by default "
        "3600 x 1800.";
    program.version = &ProgramVersionBlock();
    program.options = ProgramOptions();
    program.makeMainForm = [](ui::Interaction& ui, const app::Options& options) {
        auto form = std::make_unique<TFormMain>(ui);
        form->SetMapWidth(MapWidthOf(options));
        if (options.Has("gshhs")) form->CommandLineFile = options.Value("gshhs");
        return form;
    };
    program.makeAboutBox = AboutBoxMaker<TFormMain>(&ProgramVersionBlock(), AboutVariant::Strandel);
    program.answerDialog = [](const ui::OpenDialog&,
                              const app::Options& options) -> std::optional<std::string> {
        if (options.Has("gshhs")) return options.Value("gshhs");
        return std::nullopt;
    };
    program.batchCommand = [](ui::Form& form, const app::Options& options) {
        RunBatchCommand(static_cast<TFormMain&>(form), options);
    };
    program.checkOptions = [](const app::Options& options) -> std::string {
        if (options.Has("save") && MapFileFormatOf(options.Value("save")) == MapFileFormat::Unknown)
            return "--save: " + UnknownMapFormatText(options.Value("save"));
        const std::string widthProblem = MapWidthProblem(options);
        return widthProblem.empty() ? PageWidthProblem(options) : widthProblem;
    };
    return program;
}
