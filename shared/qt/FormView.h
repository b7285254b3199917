#pragma once
// The client area of a form's window: one widget per control at its bounds (children inside
// their container's area), a QTimer per timer, the menu bar, and the keys Enter and Escape for
// the default and cancel buttons. Every handler runs through RunEvent: an error is shown with
// the interaction's ShowError and the program carries on. Resizing the view resizes the form's
// client area, whose anchors move the controls, which the widgets follow.
//
// Controls and timers are taken as they are when the view is made (after FormCreate); the view
// must be destroyed before its form, and it unbinds itself from the form's objects.
// Made by MainWindow and ModalDialog; tests reach widgets and timers through it by name.
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "ControlWidgets.h"
#include "Form.h"
#include "MenuBinding.h"

class QMenuBar;

namespace qtui {

class FormView : public QWidget {
public:
    FormView(ui::Form& form, ui::Interaction& ui, QWidget* parent = nullptr);
    ~FormView() override;

    ui::Form& GetForm() const { return form_; }
    // Fills the bar from the form's main menu; false when the form has no menu.
    bool BuildMenu(QMenuBar* bar);
    void RunEvent(const std::function<void()>& handler);

    QWidget* WidgetFor(const std::string& controlName) const;
    QTimer* TimerFor(const std::string& timerName) const;
    QAction* ActionFor(const std::string& itemName) const { return menu_.ActionFor(itemName); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void BuildTimers();
    void SetTabOrder();
    void SyncControl(ui::Control& control);
    void SyncTimer(ui::Timer& timer, QTimer* qtimer);
    void FillAligned(ui::Control* container, QRect area);
    void FitScrollContent(ui::Control& scrollBox);
    QWidget* AreaFor(ui::Control* container) const;
    bool PressButton(bool cancel);

    ui::Form& form_;
    ui::Interaction& ui_;
    EventRunner runner_;
    std::map<ui::Control*, ControlWidget> widgets_;
    std::vector<std::pair<ui::Timer*, QTimer*>> timers_;
    MenuBinding menu_;
    std::vector<ui::Subscription> subscriptions_;
};

}  // namespace qtui
