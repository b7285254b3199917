#include "BatchRunner.h"

#include <memory>
#include <string>
#include <vector>

#include "TerminalProgress.h"

namespace batch {

namespace {

// Each timer's place in virtual time, kept up to date through the timers' observers.
class VirtualTimers {
public:
    explicit VirtualTimers(ui::Form& form) : form_(form) {}
    ~VirtualTimers() {
        for (auto& entry : entries_) entry.timer->observer = {};
    }
    VirtualTimers(const VirtualTimers&) = delete;
    VirtualTimers& operator=(const VirtualTimers&) = delete;

    // Picks up timers made since the last call.
    void Track() {
        const auto& timers = form_.Timers();
        while (entries_.size() < timers.size()) {
            std::size_t index = entries_.size();
            entries_.push_back({timers[index].get(), false, 0});
            Schedule(index);
            entries_[index].timer->observer.changed = [this, index] { Schedule(index); };
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

int RunForm(ui::Form& form, BatchInteraction& ui, const std::function<void()>& command,
            const std::function<void()>& afterCreate) {
    ui::RunHandler(ui, [&] { form.Create(); });
    bool wentOn = CanGoOn(form, ui);
    if (wentOn && afterCreate) ui::RunHandler(ui, afterCreate);
    if (wentOn) {
        ui::RunHandler(ui, [&] { form.Show(); });
        wentOn = CanGoOn(form, ui);
    }
    if (wentOn) {
        RunTimers(form, ui);
        wentOn = CanGoOn(form, ui);
    }
    if (wentOn && command) {
        ui::RunHandler(ui, command);
        wentOn = !ui.Terminated();
    }
    if (!form.IsClosed()) ui::RunHandler(ui, [&] { form.CloseNow(); });
    ui::RunHandler(ui, [&] { form.Destroy(); });
    if (!wentOn) return 1;
    return ui.ErrorCount() > 0 ? 1 : 0;
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

ParsedCommandLine ParseProgramCommandLine(const std::vector<std::string>& args,
                                          const ProgramDescription& program) {
    ParsedCommandLine parsed =
        ParseCommandLine(args, program.name, program.summary, program.options);
    if (parsed.action != CommandLineAction::Run || !program.checkOptions) return parsed;
    std::string problem = program.checkOptions(parsed.options);
    if (!problem.empty()) {
        parsed.action = CommandLineAction::Fail;
        parsed.message = program.name + ": " + problem + " (see --help)\n";
    }
    return parsed;
}

int RunBatch(const ProgramDescription& program, const Options& options, std::ostream& out,
             std::ostream& err, bool showProgress) {
    batch::BatchInteraction ui(out, err, program.name, options.Quiet());
    if (program.answerDialog)
        ui.answerOpen = [&](const ui::OpenDialog& dialog) {
            return program.answerDialog(dialog, options);
        };

    // Declared in this order so the About box outlives the main form, and the main form the
    // progress display bound to its bar.
    std::unique_ptr<ui::Form> aboutBox;
    std::unique_ptr<ui::Form> form;
    if (!ui::RunHandler(ui, [&] { form = program.makeMainForm(ui, options); }) || !form) return 1;
    batch::TerminalProgress progress(err);
    if (showProgress && !options.Quiet()) {
        if (ui::ProgressBar* bar = ProgressBarToShow(*form, program.progressBar)) {
            progress.Bind(*bar);
            ui.SetProgress(&progress);
        }
    }

    auto makeAboutBox = [&] {
        if (!program.makeAboutBox) return;
        aboutBox = program.makeAboutBox(ui, *form);
        if (aboutBox) aboutBox->Create();
    };
    std::function<void()> command;
    if (program.batchCommand) command = [&] { program.batchCommand(*form, options); };
    int status = batch::RunForm(*form, ui, command, makeAboutBox);
    progress.Unbind();
    ui.SetProgress(nullptr);
    if (aboutBox) ui::RunHandler(ui, [&] { aboutBox->Destroy(); });
    return status;
}

}  // namespace app
