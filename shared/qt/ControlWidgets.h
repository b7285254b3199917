#pragma once
// The Qt widget made for each kind of control, and how it follows the control's state:
// Button → QPushButton, Label → QLabel (clickable, auto-sized), ProgressBar → QProgressBar,
// Image → ImageView, TabControl → a tab bar over one shared page (children are placed in the
// tab control's coordinates, client-aligned ones on the page), RadioGroup → a group box of
// radio buttons in columns, ScrollBox → QScrollArea, Panel → a bevelled frame.
// User actions reach the form's handlers through the event runner.
// Made by FormView; a program only makes the ui:: controls.
#include <QWidget>
#include <functional>

#include "Controls.h"
#include "QtSupport.h"

namespace qtui {

struct ControlWidget {
    QWidget* widget = nullptr;     // placed at the control's bounds in its parent's area
    QWidget* childArea = nullptr;  // where the control's children go (containers only)
    // Containers: the page area that client-aligned children fill, in childArea's coordinates,
    // and the widget whose resizing changes it.
    std::function<QRect()> clientRect;
    QWidget* clientWatch = nullptr;
    std::function<void()> sync;  // copies the kind's own state to the widget
    std::function<void()> repaintNow;
};

ControlWidget MakeControlWidget(ui::Control& control, QWidget* parent, const EventRunner& run);

}  // namespace qtui
