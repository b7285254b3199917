#pragma once
// The window side of app::RunProgram (RunProgram.h), in the front-end module.
#include "ProgramDescription.h"

namespace app {

// Makes the QApplication (which takes Qt's own options from argv), reads the rest of the
// command line again and ends as it asks, or runs the window.
int RunWithQtApplication(int argc, char** argv, const ProgramDescription& program);

// The window under an existing QApplication: the forms' life cycle (FormLifeCycle.h) whose run
// shows the window (FormShow) and runs the event loop until the form closes or the program
// terminates. Returns 0, or 1 when the main form could not be made.
int RunWindowed(const ProgramDescription& program, const Options& options);

}  // namespace app
