#include "FormLifeCycle.h"

namespace ui {

LifeCycleEnd RunLifeCycle(Interaction& ui, const LifeCycle& cycle) {
    // Declared first so it outlives the main form, which may hold a pointer to it.
    std::unique_ptr<Form> aboutBox;
    std::unique_ptr<Form> form;
    if (!RunHandler(ui, [&] { form = cycle.makeMainForm(); }) || !form)
        return LifeCycleEnd::NotMade;
    return RunMadeForm(ui, *form, aboutBox, cycle);
}

LifeCycleEnd RunMadeForm(Interaction& ui, Form& form, std::unique_ptr<Form>& aboutBox,
                         const LifeCycle& cycle) {
    auto goesOn = [&] { return !form.IsClosed() && !ui.Terminated(); };
    if (cycle.attach) cycle.attach(form);
    RunHandler(ui, [&] { form.Create(); });
    if (goesOn() && cycle.makeAboutBox)
        RunHandler(ui, [&] {
            aboutBox = cycle.makeAboutBox(form);
            if (aboutBox) aboutBox->Create();
        });
    bool finished = goesOn() && cycle.showAndRun(form);
    if (cycle.closeFormLeftOpen && !form.IsClosed()) RunHandler(ui, [&] { form.CloseNow(); });
    RunHandler(ui, [&] { form.Destroy(); });
    if (aboutBox) RunHandler(ui, [&] { aboutBox->Destroy(); });
    return finished ? LifeCycleEnd::Finished : LifeCycleEnd::Stopped;
}

}  // namespace ui
