#pragma once
// What a form asks of the person in front of it: message boxes, file-open dialogs, the busy
// cursor, the web browser, ending the program. The Qt front end shows real dialogs, the batch
// front end prints and answers from its options, tests script the answers.
#include <exception>
#include <new>
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
    // Input used all the same though damaged (a cut file): batch mode says so on standard error
    // without failing; the window keeps quiet, since every redraw would repeat it.
    virtual void ShowWarning(const std::string&) {}
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<std::string> ExecuteOpen(const OpenDialog& dialog) = 0;
    // A file-save dialog with the same properties; a front end without one cancels.
    virtual std::optional<std::string> ExecuteSave(const OpenDialog&) { return std::nullopt; }
    // The index of the item picked, or nothing when cancelled; a front end without such a dialog
    // takes the item picked at first.
    virtual std::optional<int> ExecuteChoice(const ChoiceDialog& dialog) {
        return dialog.itemIndex;
    }
    virtual Cursor GetCursor() const = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    // Ends the program once the current handler returns (no window is shown if it has not been).
    virtual void Terminate() = 0;
    virtual bool Terminated() const = 0;
    virtual void OpenUrl(const std::string& url) = 0;
    // Shows another form (an About box) modally until it closes.
    virtual void ShowModal(Form& form) = 0;
};

// Runs one event handler at the boundary between a front end and a form: an error the handler
// lets through is shown and the program carries on. False when the handler failed.
template <class Handler>
bool RunHandler(Interaction& ui, Handler&& handler) {
    try {
        handler();
        return true;
    } catch (const std::bad_alloc&) {
        ui.ShowError("Out of memory");
    } catch (const std::exception& error) {
        ui.ShowError(error.what());
    } catch (...) {
        ui.ShowError("Unexpected error");
    }
    return false;
}

// The busy cursor for the length of a command, and the one before it back on every way out.
class BusyCursor {
public:
    explicit BusyCursor(Interaction& ui) : ui_(ui), remembered_(ui.GetCursor()) {
        ui_.SetCursor(Cursor::HourGlass);
    }
    ~BusyCursor() { ui_.SetCursor(remembered_); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Interaction& ui_;
    Cursor remembered_;
};

// The forms' texts break lines with CR LF or a lone CR; front ends show them with "\n".
std::string WithNewlines(const std::string& text);

}  // namespace ui
