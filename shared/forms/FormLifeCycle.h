#pragma once
// The life of a program's main form, the same with a window and without one: make it; let the
// front end attach; FormCreate; the About box (made and created, kept until the end); show and
// run it (the front end's part: the event loop, or the batch timers and command); ask a form
// left open to close, where the front end wants that; FormDestroy of the form, then of the
// About box. An error a step lets through is shown and the next step runs. Nothing is shown
// once FormCreate closed the form or terminated the program.
#include <functional>
#include <memory>

#include "Form.h"
#include "Interaction.h"

namespace ui {

struct LifeCycle {
    std::function<std::unique_ptr<Form>()> makeMainForm;
    // Optional: the About box, made after FormCreate. It may hand itself to the main form.
    std::function<std::unique_ptr<Form>(Form& mainForm)> makeAboutBox;
    // Optional: the front end attaches to the form, before FormCreate.
    std::function<void(Form& mainForm)> attach;
    // FormShow and the run that follows; true when the run went to its end.
    std::function<bool(Form& mainForm)> showAndRun;
    // A form still open after the run is asked to close (FormCloseQuery) before FormDestroy,
    // even after Terminate: the batch front end, which has no window to close.
    bool closeFormLeftOpen = false;
};

enum class LifeCycleEnd { NotMade, Stopped, Finished };

LifeCycleEnd RunLifeCycle(Interaction& ui, const LifeCycle& cycle);

// The steps after making, for a main form someone else owns. The About box is kept in
// aboutBox, which should outlive the form.
LifeCycleEnd RunMadeForm(Interaction& ui, Form& form, std::unique_ptr<Form>& aboutBox,
                         const LifeCycle& cycle);

}  // namespace ui
