#pragma once
// What a program tells the shared start-up (app::RunProgram, app::RunBatch) about itself.
// A main.cpp fills one and hands it over; see RunProgram.h for an example.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Form.h"
#include "Interaction.h"
#include "Options.h"
#include "VersionBlock.h"

namespace app {

struct ProgramDescription {
    std::string name;     // the executable's name: "terrafold"
    std::string title;    // the title on message boxes; "" for the version block's product name
    std::string summary;  // one line for --help
    const VersionBlock* version = nullptr;  // the compiled-in block (--version, the About box)
    std::vector<OptionSpec> options;        // the program's own options
    // The program keeps settings (QSettings under "Varnholt" and its name); the window front end
    // then keeps the open dialogs' size there too. Programs without settings must not gain any.
    bool keepsSettings = false;

    // The main window, made after the command line was read. Its constructor makes the
    // controls; FormCreate runs afterwards.
    std::function<std::unique_ptr<ui::Form>(ui::Interaction&, const Options&)> makeMainForm;
    // Optional: the About box, made right after the main window's FormCreate and kept until the
    // program ends. The factory gets the main form so it can hand the box to it.
    std::function<std::unique_ptr<ui::Form>(ui::Interaction&, ui::Form& mainForm)> makeAboutBox;

    // Batch mode only. The answer to a file-open dialog (the matching option's value); nothing
    // means cancelled, as it does when this is not given.
    std::function<std::optional<std::string>(const ui::OpenDialog&, const Options&)> answerDialog;
    // The main command, run once the start-up and its timers are over. An error it throws is
    // shown on standard error and makes the exit status 1.
    std::function<void(ui::Form&, const Options&)> batchCommand;
    // The progress bar shown on a terminal; "" for the form's first one.
    std::string progressBar;
    // Optional: what is wrong with options the parser accepted ("" when they are usable), for
    // checks that involve several options. A problem ends the program with status 2.
    std::function<std::string(const Options&)> checkOptions;
};

// The title message boxes carry: the given title, else the product name of the version block
// (as the About box spells it: "Orbisko"), else the executable's name.
std::string ApplicationTitle(const ProgramDescription& program);

// The command line read by the program's options and checked by its checkOptions; a problem
// found by the check comes back as a failure like the parser's own.
ParsedCommandLine ParseProgramCommandLine(const std::vector<std::string>& args,
                                          const ProgramDescription& program);

}  // namespace app
