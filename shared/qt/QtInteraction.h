#pragma once
// The interaction of a program with a window: QMessageBox for messages and errors, an
// OpenFileDialog for file-open dialogs, QInputDialog for a choice from a list, the wait cursor for
// the hourglass, the desktop's browser for links, and a ModalDialog for a form shown modally. Needs
// a QApplication. RunProgram makes it and hands it to the forms as their ui::Interaction.
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "Interaction.h"

namespace qtui {

class QtInteraction : public ui::Interaction {
public:
    QtInteraction() = default;
    ~QtInteraction() override;

    // The window dialogs are centred on (none: the screen).
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    // The caption of message boxes (the application's title).
    void SetTitle(const std::string& title) { title_ = title; }
    // File-open dialogs open at the size last left (in the program's settings) and keep theirs.
    void SetDialogSizeRemembered(bool remembered) { rememberDialogSize_ = remembered; }
    // While the event loop runs, Terminate ends it once the current handler returns.
    void SetEventLoopRunning(bool running) { loopRunning_ = running; }

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    std::optional<std::string> ExecuteOpen(const ui::OpenDialog& dialog) override;
    std::optional<std::string> ExecuteSave(const ui::OpenDialog& dialog) override;
    std::optional<int> ExecuteChoice(const ui::ChoiceDialog& dialog) override;
    ui::Cursor GetCursor() const override { return cursor_; }
    void SetCursor(ui::Cursor cursor) override;
    void Terminate() override;
    bool Terminated() const override { return terminated_; }
    void OpenUrl(const std::string& url) override;
    void ShowModal(ui::Form& form) override;

private:
    QWidget* DialogParent() const;
    QString Title() const;
    void ShowBox(QMessageBox::Icon icon, const std::string& text);

    QPointer<QWidget> mainWindow_;
    std::string title_;
    bool rememberDialogSize_ = false;
    bool loopRunning_ = false;
    bool terminated_ = false;
    bool cursorOverridden_ = false;
    ui::Cursor cursor_ = ui::Cursor::Default;
};

}  // namespace qtui
