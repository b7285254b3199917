#pragma once
// The interaction of a program run without a display: message-box texts go to standard output
// one a line (a line break inside a message starts a new line), errors and warnings to standard
// error with the program's name in front (only errors count for the exit status), file-open
// dialogs are answered by answerOpen (cancelled when it is not set or gives nothing; a name in
// other capitals is taken as the dialog would take it), the cursor is only remembered, a modal
// form is shown and closed at once, and web links are not opened.
// RunBatch makes it and hands it to the forms as their ui::Interaction.
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "Form.h"
#include "Interaction.h"

namespace batch {

class BarProgress;

class BatchInteraction : public ui::Interaction {
public:
    BatchInteraction(std::ostream& out, std::ostream& err, std::string programName = {},
                     bool quiet = false);

    std::function<std::optional<std::string>(const ui::OpenDialog&)> answerOpen;
    // Progress shown on the terminal; its line is ended before any other output.
    void SetProgress(BarProgress* progress) { progress_ = progress; }

    int ErrorCount() const { return errorCount_; }

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowWarning(const std::string& text) override;
    std::optional<std::string> ExecuteOpen(const ui::OpenDialog& dialog) override;
    ui::Cursor GetCursor() const override { return cursor_; }
    void SetCursor(ui::Cursor cursor) override { cursor_ = cursor; }
    void Terminate() override { terminated_ = true; }
    bool Terminated() const override { return terminated_; }
    void OpenUrl(const std::string&) override {}
    void ShowModal(ui::Form& form) override;

private:
    void BreakProgressLine();

    std::ostream& out_;
    std::ostream& err_;
    std::string programName_;
    bool quiet_;
    BarProgress* progress_ = nullptr;
    int errorCount_ = 0;
    ui::Cursor cursor_ = ui::Cursor::Default;
    bool terminated_ = false;
};

// A message's text with its line breaks (CR LF, lone CR, LF) as "\n" and no trailing break.
std::string MessageLines(const std::string& text);

}  // namespace batch
