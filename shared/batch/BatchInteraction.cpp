#include "BatchInteraction.h"

#include "BarProgress.h"
#include "OpenDialogNames.h"

namespace batch {

std::string MessageLines(const std::string& text) {
    std::string lines = ui::WithNewlines(text);
    while (!lines.empty() && lines.back() == '\n') lines.pop_back();
    return lines;
}

BatchInteraction::BatchInteraction(std::ostream& out, std::ostream& err, std::string programName,
                                   bool quiet)
    : out_(out), err_(err), programName_(std::move(programName)), quiet_(quiet) {}

void BatchInteraction::BreakProgressLine() {
    if (progress_) progress_->BreakLine();
}

void BatchInteraction::ShowMessage(const std::string& text) {
    if (quiet_) return;
    BreakProgressLine();
    out_ << MessageLines(text) << '\n' << std::flush;
}

void BatchInteraction::ShowError(const std::string& text) {
    ++errorCount_;
    ShowWarning(text);
}

void BatchInteraction::ShowWarning(const std::string& text) {
    BreakProgressLine();
    if (!programName_.empty()) err_ << programName_ << ": ";
    err_ << MessageLines(text) << '\n' << std::flush;
}

std::optional<std::string> BatchInteraction::ExecuteOpen(const ui::OpenDialog& dialog) {
    if (!answerOpen) return std::nullopt;
    std::optional<std::string> answer = answerOpen(dialog);
    if (!answer) return std::nullopt;
    // An answer the window's dialog would refuse goes through as given, so that the program's
    // own check names the file the script asked for.
    return ui::AcceptedPath(dialog, *answer).value_or(*answer);
}

void BatchInteraction::ShowModal(ui::Form& form) {
    form.OpenModal();
    form.CloseNow();
}

}  // namespace batch
