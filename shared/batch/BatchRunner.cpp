#include "BatchRunner.h"

#include <memory>
#include <string>
#include <vector>

#include "BarProgress.h"
#include "FormLifeCycle.h"

namespace batch {

namespace {

// Each timer's place in virtual time, kept up to date through the timers' observers.
class VirtualTimers {
public:
    explicit VirtualTimers(ui::Form& form) : form_(form) {}
    VirtualTimers(const VirtualTimers&) = delete;
    VirtualTimers& operator=(const VirtualTimers&) = delete;

    // Picks up timers made since the last call.
    void Track() {
        const auto& timers = form_.Timers();
        while (entries_.size() < timers.size()) {
            std::size_t index = entries_.size();
            entries_.push_back({timers[index].get(), false, 0, {}});
            Schedule(index);
            entries_[index].watch =
                entries_[index].timer->Subscribe({[this, index] { Schedule(index); }, {}});
        }
    }

    // The running timer due first (the earlier made on a tie), or null.
    ui::Timer* Next() {
        Entry* next = nullptr;
        for (auto& entry : entries_)
            if (entry.running && (!next || entry.due < next->due)) next = &entry;
        if (!next) return nullptr;
        now_ = next->due;
        next->due = now_ + next->timer->Interval();
        return next->timer;
    }

private:
    struct Entry {
        ui::Timer* timer;
        bool running;
        long long due;
        ui::Subscription watch;
    };

    // Enabling or a new interval starts the count again, as a real timer does.
    void Schedule(std::size_t index) {
        Entry& entry = entries_[index];
        entry.running = entry.timer->Enabled() && entry.timer->Interval() > 0;
        if (entry.running) entry.due = now_ + entry.timer->Interval();
    }

    ui::Form& form_;
    std::vector<Entry> entries_;
    long long now_ = 0;
};

bool CanGoOn(ui::Form& form, ui::Interaction& ui) { return !form.IsClosed() && !ui.Terminated(); }

}  // namespace

bool RunTimers(ui::Form& form, ui::Interaction& ui, int maxFirings) {
    VirtualTimers timers(form);
    for (int firings = 0; CanGoOn(form, ui); ++firings) {
        timers.Track();
        ui::Timer* timer = timers.Next();
        if (!timer) return true;
        if (firings >= maxFirings) {
            ui.ShowError("Timer " + timer->name + " was still running after " +
                         std::to_string(maxFirings) + " firings and was stopped");
            return false;
        }
        ui::RunHandler(ui, [timer] { timer->Fire(); });
    }
    return true;
}

namespace {

// FormShow, the timers, then the command; true when the command ran and did not terminate.
bool ShowAndRun(ui::Form& form, ui::Interaction& ui, const std::function<void()>& command) {
    ui::RunHandler(ui, [&] { form.Show(); });
    if (!CanGoOn(form, ui)) return false;
    RunTimers(form, ui);
    if (!CanGoOn(form, ui)) return false;
    if (!command) return true;
    ui::RunHandler(ui, command);
    return !ui.Terminated();
}

int ExitStatus(ui::LifeCycleEnd end, const BatchInteraction& ui) {
    if (end != ui::LifeCycleEnd::Finished) return 1;
    return ui.ErrorCount() > 0 ? 1 : 0;
}

}  // namespace

int RunForm(ui::Form& form, BatchInteraction& ui, const std::function<void()>& command) {
    ui::LifeCycle cycle;
    cycle.showAndRun = [&](ui::Form& shown) { return ShowAndRun(shown, ui, command); };
    cycle.closeFormLeftOpen = true;
    std::unique_ptr<ui::Form> noAboutBox;
    return ExitStatus(ui::RunMadeForm(ui, form, noAboutBox, cycle), ui);
}

}  // namespace batch

namespace app {

namespace {

ui::ProgressBar* ProgressBarToShow(ui::Form& form, const std::string& name) {
    if (!name.empty()) {
        ui::Control* named = form.FindControl(name);
        return named && named->Kind() == ui::ControlKind::ProgressBar
                   ? static_cast<ui::ProgressBar*>(named)
                   : nullptr;
    }
    for (const auto& control : form.Controls())
        if (control->Kind() == ui::ControlKind::ProgressBar)
            return static_cast<ui::ProgressBar*>(control.get());
    return nullptr;
}

}  // namespace

int RunBatch(const ProgramDescription& program, const Options& options, std::ostream& out,
             std::ostream& err, bool showProgress) {
    batch::BatchInteraction ui(out, err, program.name, options.Quiet());
    if (program.answerDialog)
        ui.answerOpen = [&](const ui::OpenDialog& dialog) {
            return program.answerDialog(dialog, options);
        };
    batch::BarProgress progress(err);
    ui::LifeCycle cycle;
    cycle.closeFormLeftOpen = true;
    cycle.makeMainForm = [&] { return program.makeMainForm(ui, options); };
    if (program.makeAboutBox)
        cycle.makeAboutBox = [&](ui::Form& main) { return program.makeAboutBox(ui, main); };
    cycle.attach = [&](ui::Form& form) {
        if (!showProgress || options.Quiet()) return;
        if (ui::ProgressBar* bar = ProgressBarToShow(form, program.progressBar)) {
            progress.Bind(*bar);
            ui.SetProgress(&progress);
        }
    };
    cycle.showAndRun = [&](ui::Form& form) {
        std::function<void()> command;
        if (program.batchCommand) command = [&] { program.batchCommand(form, options); };
        return batch::ShowAndRun(form, ui, command);
    };
    int status = batch::ExitStatus(ui::RunLifeCycle(ui, cycle), ui);
    progress.Unbind();
    ui.SetProgress(nullptr);
    return status;
}

}  // namespace app
