#include "RunWindowed.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>

#include "BitmapImage.h"
#include "FormLifeCycle.h"
#include "FormWindows.h"
#include "ProgramIcon.h"
#include "QtInteraction.h"
#include "RunProgram.h"

namespace app {

namespace {

// FormShow in the main window, then the event loop until the form closes or the program ends.
bool ShowAndRun(ui::Form& form, qtui::QtInteraction& ui, bool keepsSettings) {
    qtui::MainWindow window(form, ui);
    if (keepsSettings) window.RememberGeometry();
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
    cycle.showAndRun = [&](ui::Form& form) { return ShowAndRun(form, ui, program.keepsSettings); };
    return ui::RunLifeCycle(ui, cycle) == ui::LifeCycleEnd::NotMade ? 1 : 0;
}

int RunWithQtApplication(int argc, char** argv, const ProgramDescription& program) {
    QApplication application(argc, argv);
    NameApplication(program);
    const ParsedCommandLine parsed = ParseProgramCommandLine(ArgumentsOf(argc, argv), program);
    if (auto status = RunWithoutWindow(parsed, program)) return *status;
    return RunWindowed(program, parsed.options);
}

}  // namespace app
