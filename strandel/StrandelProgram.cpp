#include "StrandelProgram.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>

#include "AboutDisplay.h"
#include "BmpFile.h"
#include "Errors.h"
#include "GSHHSdata.h"
#include "GeoreferenceChoice.h"
#include "PNG_IO.h"
#include "ProgramVersion.h"
#include "RegistryVariables.h"
#include "StrandelForm.h"

namespace {

enum class MapFormat { Png, Bmp, Unknown };

MapFormat FormatOf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == ".png") return MapFormat::Png;
    if (extension == ".bmp") return MapFormat::Bmp;
    return MapFormat::Unknown;
}

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
         .help = "batch mode: write the finished map to FILE, a .png or a .bmp",
         .defaultValue = ""},
        app::NoGeorefOption(),
    };
}

void SaveMap(const TFormMain& form, const std::string& path, bool georeferenced) {
    if (FormatOf(path) == MapFormat::Png) {
        const std::string source = std::filesystem::path(form.DataFile->Value).filename().string();
        SaveBitmapToPng(*form.WorldBitmap, path, "", "Shorelines of " + source, "Strandel",
                        "Shoreline Map");
    } else {
        SaveBitmapToBmp(*form.WorldBitmap, path);
    }
    const Bitmap& map = *form.WorldBitmap;
    WriteGeoreference(path, georeferenced
                                ? Wgs84Reference(GeoToPixelTransform(map.Width(), map.Height()))
                                : GeoReference{});
}

void RunBatchCommand(TFormMain& form, const app::Options& options) {
    const std::string view = options.Value("view");
    if (view == "land") form.ViewLand.Click();
    if (view == "lakes") form.ViewLargeLakes.Click();
    // The window keeps quiet about an unreadable file; a script must not take a blank map.
    if (form.ReadFailure()) throw VarnholtError(*form.ReadFailure());
    if (options.Has("save")) SaveMap(form, options.Value("save"), app::GeoreferenceWanted(options));
}

}  // namespace

app::ProgramDescription StrandelProgram() {
    app::ProgramDescription program;
    program.name = "strandel";
    program.keepsSettings = true;
    program.summary =
        "Draws the shorelines of a GSHHS file as black outlines on a white 3600 x 1800 world map.";
    program.version = &ProgramVersionBlock();
    program.options = ProgramOptions();
    program.makeMainForm = [](ui::Interaction& ui, const app::Options& options) {
        auto form = std::make_unique<TFormMain>(ui);
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
        if (options.Has("save") && FormatOf(options.Value("save")) == MapFormat::Unknown)
            return "--save needs a file name ending in .png or .bmp, not '" +
                   options.Value("save") + "'";
        return "";
    };
    return program;
}
