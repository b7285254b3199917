#pragma once
// Runs a program without a display. A main.cpp does not call this directly: app::RunProgram
// (shared/program/RunProgram.h) calls app::RunBatch when "--batch" is given. Tests call RunForm or
// RunBatch with string streams.
//
// The batch run is the forms' life cycle (FormLifeCycle.h) whose run is: FormShow; then the
// form's enabled timers in virtual time (no real waiting: the timer due first fires, and a
// handler may disable or enable timers) until none is enabled or the form has closed; then the
// command. A form left open is then asked to close. An error a handler lets through is shown
// and the run carries on, as in the window. Exit status: 0 when no error was shown; 1 when one
// was, or when the program could not go on (Terminate called, or the form closed before its
// command).
#include <functional>
#include <ostream>

#include "BatchInteraction.h"
#include "Form.h"
#include "ProgramDescription.h"

namespace batch {

// Fires timers in virtual time as described above. False when timers were still running
// after maxFirings, which stops them (a timer nobody disables would run for ever).
bool RunTimers(ui::Form& form, ui::Interaction& ui, int maxFirings = 10000);

// The life cycle of a form made by the caller, without an About box.
int RunForm(ui::Form& form, BatchInteraction& ui, const std::function<void()>& command = {});

}  // namespace batch

namespace app {

// The whole batch run of a program: makes its main form (and About box), binds the progress
// bar to the terminal when showProgress, answers dialogs from the options, and runs the form
// with the program's batch command.
int RunBatch(const ProgramDescription& program, const Options& options, std::ostream& out,
             std::ostream& err, bool showProgress);

}  // namespace app
