#include "LumbrelProgram.h"

#include <memory>
#include <optional>

#include "AboutDisplay.h"
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
    program.options = {{"file", "FILE", "the height PNG to shade", "topo.png", false, true},
                       app::NoGeorefOption()};
    program.makeMainForm = [](ui::Interaction& ui, const app::Options& options) {
        auto form = std::make_unique<TFormMain>(ui);
        form->HeightFileName = options.Value("file");
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
    return program;
}
