#pragma once
// The Qt widget made for each kind of control, and how it follows the control's state:
// Button → QPushButton, Label → QLabel (clickable, auto-sized), ProgressBar → QProgressBar,
// Image → ImageView, TabControl → a tab bar over one shared page, RadioGroup → a group box of
// radio buttons in columns, ScrollBox → QScrollArea, Panel → a bevelled frame.
// User actions reach the form's handlers through the event runner.
#include <QWidget>
#include <functional>

#include "Controls.h"
#include "QtSupport.h"

namespace qtui {

struct ControlWidget {
    QWidget* widget = nullptr;     // placed at the control's bounds in its parent's area
    QWidget* childArea = nullptr;  // where the control's children go (containers only)
    std::function<void()> sync;    // copies the kind's own state to the widget
    std::function<void()> repaintNow;
};

ControlWidget MakeControlWidget(ui::Control& control, QWidget* parent, const EventRunner& run);

}  // namespace qtui
