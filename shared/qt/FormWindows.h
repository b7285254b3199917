#pragma once
// The windows a form is shown in: MainWindow (QMainWindow) for a program's main form and
// ModalDialog (QDialog) for a form shown modally, such as the About box. Both put a FormView
// in their client area, build the menu bar, follow the form's caption and client size, and
// route closing through the form: Form::Close asks the window to close, and the window's close
// asks Form::CloseNow, which runs FormCloseQuery. The main window has a status bar (the image
// views write the pointer's place into it) and hands a dropped file to the form.
// RunProgram shows the main form, QtInteraction::ShowModal the others; a program only calls
// Form::Close and Interaction::ShowModal.
#include <QDialog>
#include <QMainWindow>
#include <functional>

#include "Form.h"
#include "FormView.h"

namespace qtui {

class MainWindow : public QMainWindow {
public:
    MainWindow(ui::Form& form, ui::Interaction& ui);
    ~MainWindow() override;

    FormView& View() const { return *view_; }
    // Runs once the form has agreed to close (RunProgram ends the event loop here).
    std::function<void()> onClosed;
    // Puts the window where the program's settings last left it, and keeps it there at close.
    void RememberGeometry();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SyncFromForm();

    ui::Form& form_;
    FormView* view_;
    int menuHeight_ = 0;  // with the status bar's
    bool rememberGeometry_ = false;
    bool fittedWithFrame_ = false;
    ui::Subscription windowBinding_;
    ui::Subscription formBinding_;
};

class ModalDialog : public QDialog {
public:
    ModalDialog(ui::Form& form, ui::Interaction& ui, QWidget* parent);
    ~ModalDialog() override;

    FormView& View() const { return *view_; }

public:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ui::Form& form_;
    FormView* view_;
    ui::Subscription windowBinding_;
    ui::Subscription formBinding_;
};

}  // namespace qtui
