#include "LumbrelProgram.h"

#include <memory>
#include <optional>
#include <string>

#include "AboutDisplay.h"
#include "AsciiCase.h"
#include "GeoreferenceChoice.h"
#include "LumbrelForm.h"
#include "ProgramVersion.h"

app::ProgramDescription LumbrelProgram() {
    app::ProgramDescription program;
    program.name = "lumbrel";
    program.summary =
        "Shades a world height image and writes it coloured and hill-shaded as combined.bmp.\n"
        "Batch mode: lumbrel --batch [FILE], FILE being the height PNG (default topo.png).";
    program.version = &ProgramVersionBlock();
    program.options = {
        {"file", "FILE", "the height PNG to shade", "topo.png", false, true},
        {"save", "FILE",
         "where the combined image goes: FILE ending in .bmp is a 24-bit BMP, in .png a\n"
         "24-bit PNG, about a quarter of the BMP's size (2.8 GB at 43200 x 21600)",
         "combined.bmp"},
        app::NoGeorefOption()};
    program.makeMainForm = [](ui::Interaction& ui, const app::Options& options) {
        auto form = std::make_unique<TFormMain>(ui);
        form->HeightFileName = options.Value("file");
        form->SaveFileName = options.Value("save");
        form->FileGeoreferencing.SetChecked(app::GeoreferenceWanted(options));
        return form;
    };
    program.makeAboutBox = AboutBoxMaker<TFormMain>(&ProgramVersionBlock(), AboutVariant::Standard);
    program.answerDialog = [](const ui::OpenDialog&,
                              const app::Options& options) -> std::optional<std::string> {
        if (!options.Has("file")) return std::nullopt;
        return options.Value("file");
    };
    // Counts exist once the shading was done; after an earlier failure zeros would mislead.
    program.batchCommand = [](ui::Form& form, const app::Options&) {
        auto& shader = static_cast<TFormMain&>(form);
        if (shader.CombinedBitmap && !shader.CombinedBitmap->IsEmpty())
            shader.ViewCellStatisticsClick();
    };
    program.progressBar = "ProgressBarPercent";
    // A name of neither format would fail only after all the shading.
    program.checkOptions = [](const app::Options& options) -> std::string {
        const std::string name = options.Value("save");
        const std::size_t dot = name.find_last_of('.');
        const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
        if (EqualsIgnoringCase(extension, ".bmp") || EqualsIgnoringCase(extension, ".png"))
            return "";
        return "--save: " + name + " does not end in .bmp or .png";
    };
    return program;
}
