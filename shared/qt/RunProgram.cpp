#include "RunProgram.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <cstdio>
#include <iostream>

#include "BatchRunner.h"
#include "BitmapImage.h"
#include "FormLifeCycle.h"
#include "FormWindows.h"
#include "ProgramIcon.h"
#include "ProgressPrinter.h"
#include "QtInteraction.h"
#include "VersInfo.h"

namespace app {

namespace {

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

// Qt's own options ("-platform offscreen", "-style fusion") start with one dash.
bool HasQtOptions(const std::vector<std::string>& args) {
    for (const auto& arg : args)
        if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') return true;
    return false;
}

// Help, version and errors in the options end the program here; nullopt means run it.
std::optional<int> HandleNonRun(const ParsedCommandLine& parsed,
                                const ProgramDescription& program) {
    switch (parsed.action) {
        case CommandLineAction::Fail:
            std::cerr << parsed.message;
            return 2;
        case CommandLineAction::Help:
            std::cout << parsed.message;
            return 0;
        case CommandLineAction::Version:
            std::cout << VersionLine(program) << "\n";
            return 0;
        case CommandLineAction::Run:
            return std::nullopt;
    }
    return std::nullopt;
}

void NameApplication(const ProgramDescription& program) {
    QCoreApplication::setOrganizationName("Varnholt");
    QCoreApplication::setApplicationName(QString::fromStdString(program.name));
}

}  // namespace

std::string VersionLine(const ProgramDescription& program) {
    TdfsVersionInfoResource info(program.version);
    std::string line = program.name;
    if (!info.FileVersion().DisplayText().empty()) line += " " + info.FileVersion().DisplayText();
    if (!info.Value(pdComments).empty()) line += " (" + info.Value(pdComments) + ")";
    return line;
}

namespace {

// FormShow in the main window, then the event loop until the form closes or the program ends.
bool ShowAndRun(ui::Form& form, qtui::QtInteraction& ui) {
    qtui::MainWindow window(form, ui);
    window.onClosed = [] { QCoreApplication::exit(0); };
    ui.SetMainWindow(&window);
    window.View().RunEvent([&] { form.Show(); });
    if (!form.IsClosed() && !ui.Terminated()) {
        window.show();
        ui.SetEventLoopRunning(true);
        QApplication::exec();
        ui.SetEventLoopRunning(false);
    }
    ui.SetMainWindow(nullptr);
    return true;
}

}  // namespace

int RunWindowed(const ProgramDescription& program, const Options& options) {
    QApplication::setWindowIcon(
        QPixmap::fromImage(qtui::DisplayImage(MakeProgramIcon(program.name)).copy()));
    // Lets the desktop match the windows to the installed <name>.desktop entry.
    QGuiApplication::setDesktopFileName(QString::fromStdString(program.name));
    // The loop ends when the main form closes or the program terminates, not when a message
    // box shown before the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    qtui::QtInteraction ui;
    ui.SetTitle(ApplicationTitle(program));
    ui.SetDialogSizeRemembered(program.keepsSettings);
    ui::LifeCycle cycle;
    cycle.makeMainForm = [&] { return program.makeMainForm(ui, options); };
    if (program.makeAboutBox)
        cycle.makeAboutBox = [&](ui::Form& main) { return program.makeAboutBox(ui, main); };
    cycle.showAndRun = [&](ui::Form& form) { return ShowAndRun(form, ui); };
    return ui::RunLifeCycle(ui, cycle) == ui::LifeCycleEnd::NotMade ? 1 : 0;
}

int RunProgram(int argc, char** argv, const ProgramDescription& program) {
    std::vector<std::string> args = ArgumentsOf(argc, argv);
    ParsedCommandLine parsed = ParseProgramCommandLine(args, program);
    // Help, version, batch mode and unusable options need no display; only options Qt may
    // understand wait for Qt to take its own.
    bool forQt = parsed.action == CommandLineAction::Fail && HasQtOptions(args);
    if (!forQt) {
        if (auto status = HandleNonRun(parsed, program)) return *status;
        if (parsed.options.Batch()) {
            // Settings go through QSettings, which wants an application object.
            QCoreApplication application(argc, argv);
            NameApplication(program);
            return RunBatch(program, parsed.options, std::cout, std::cerr,
                            ProgressWanted(parsed.options.Quiet()));
        }
    }
    QApplication application(argc, argv);
    NameApplication(program);
    if (forQt) {
        parsed = ParseProgramCommandLine(ArgumentsOf(argc, argv), program);
        if (auto status = HandleNonRun(parsed, program)) return *status;
        if (parsed.options.Batch())
            return RunBatch(program, parsed.options, std::cout, std::cerr,
                            ProgressWanted(parsed.options.Quiet()));
    }
    return RunWindowed(program, parsed.options);
}

}  // namespace app
