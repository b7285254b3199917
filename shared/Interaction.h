#pragma once
// What a form asks of the person in front of it: message boxes, file-open dialogs, the busy
// cursor, the web browser, ending the program. The Qt front end shows real dialogs, the batch
// front end prints and answers from its options, tests script the answers.
#include <optional>
#include <string>

#include "Controls.h"

namespace ui {

class Form;

class Interaction {
public:
    virtual ~Interaction() = default;

    // A modal message box with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // An error that no handler caught; the program carries on.
    virtual void ShowError(const std::string& text) = 0;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<std::string> ExecuteOpen(const OpenDialog& dialog) = 0;
    virtual Cursor GetCursor() const = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    // Ends the program once the current handler returns (no window is shown if it has not been).
    virtual void Terminate() = 0;
    virtual bool Terminated() const = 0;
    virtual void OpenUrl(const std::string& url) = 0;
    // Shows another form (an About box) modally until it closes.
    virtual void ShowModal(Form& form) = 0;
};

}  // namespace ui
