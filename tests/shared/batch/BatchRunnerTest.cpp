#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "BatchRunner.h"
#include "OpenDialogNames.h"
#include "TempDir.h"

namespace {

// A form that records its life cycle and lets each test script its handlers.
class ScriptForm : public ui::Form {
public:
    explicit ScriptForm(ui::Interaction& ui) : Form(ui, "FormMain") {}

    std::vector<std::string> log;
    std::function<void()> onCreate;
    std::function<void()> onShow;
    bool agreeToClose = true;

    // A timer that logs its name, and disables itself after `runs` firings.
    ui::Timer& LoggingTimer(const std::string& name, int interval, int runs = 1) {
        ui::Timer& timer = MakeTimer(name);
        timer.SetInterval(interval);
        auto fired = std::make_shared<int>(0);
        timer.OnTimer = [this, &timer, fired, runs] {
            log.push_back(timer.name);
            if (++*fired >= runs) timer.SetEnabled(false);
        };
        return timer;
    }

protected:
    void FormCreate() override {
        log.push_back("create");
        if (onCreate) onCreate();
    }
    void FormShow() override {
        log.push_back("show");
        if (onShow) onShow();
    }
    bool FormCloseQuery() override {
        log.push_back("closequery");
        return agreeToClose;
    }
    void FormDestroy() override { log.push_back("destroy"); }
};

struct BatchRun {
    std::ostringstream out;
    std::ostringstream err;
    batch::BatchInteraction ui{out, err, "mapper"};
    ScriptForm form{ui};
};

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

}  // namespace

TEST(BatchRunner, CleanRunGoesThroughEveryStepAndExitsZero) {
    BatchRun run;
    run.form.onShow = [&] { run.ui.ShowMessage("Image written\rsecond line\r\n"); };
    int status = batch::RunForm(run.form, run.ui, [&] { run.form.log.push_back("command"); });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Joined(run.form.log), "create show command closequery destroy");
    EXPECT_EQ(run.out.str(), "Image written\nsecond line\n");
    EXPECT_EQ(run.err.str(), "");
}

TEST(BatchRunner, TimersFireInVirtualTimeUntilNoneIsEnabled) {
    BatchRun run;
    run.form.LoggingTimer("A", 300);
    run.form.LoggingTimer("C", 200, 2);  // fires at 200 and 400
    ui::Timer& b = run.form.LoggingTimer("B", 100);
    ui::Timer& late = run.form.LoggingTimer("Late", 50);
    late.SetEnabled(false);
    ui::Timer& neverOn = run.form.LoggingTimer("Off", 10);
    neverOn.SetEnabled(false);
    // B, firing at 100, starts Late, which is then due at 150.
    auto bHandler = b.OnTimer;
    b.OnTimer = [&, bHandler] {
        bHandler();
        late.SetEnabled(true);
    };
    EXPECT_EQ(batch::RunForm(run.form, run.ui), 0);
    EXPECT_EQ(Joined(run.form.log), "create show B Late C A C closequery destroy");
}

TEST(BatchRunner, TimerEnabledAtShowFiresBeforeTheCommand) {
    BatchRun run;
    ui::Timer& onShow = run.form.LoggingTimer("TimerOnShow", 300);
    onShow.SetEnabled(false);
    run.form.onShow = [&] { onShow.SetEnabled(true); };
    batch::RunForm(run.form, run.ui, [&] { run.form.log.push_back("command"); });
    EXPECT_EQ(Joined(run.form.log), "create show TimerOnShow command closequery destroy");
}

TEST(BatchRunner, TerminateInFormCreateShowsNothingAndExitsOne) {
    BatchRun run;
    run.form.onCreate = [&] {
        run.ui.ShowMessage("Cannot continue without data files!");
        run.ui.Terminate();
    };
    run.form.LoggingTimer("Timer1", 100);
    bool commandRan = false;
    int status = batch::RunForm(run.form, run.ui, [&] { commandRan = true; });
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(commandRan);
    // Settings are still written back on the way out.
    EXPECT_EQ(Joined(run.form.log), "create closequery destroy");
    EXPECT_EQ(run.out.str(), "Cannot continue without data files!\n");
}

TEST(BatchRunner, FormClosedByATimerSkipsTheCommandAndExitsOne) {
    BatchRun run;
    ui::Timer& timer = run.form.MakeTimer("TimerLoad");
    timer.SetInterval(200);
    timer.OnTimer = [&] { run.form.Close(); };
    run.form.LoggingTimer("Later", 500);
    bool commandRan = false;
    EXPECT_EQ(batch::RunForm(run.form, run.ui, [&] { commandRan = true; }), 1);
    EXPECT_FALSE(commandRan);
    EXPECT_EQ(Joined(run.form.log), "create show closequery destroy");
}

TEST(BatchRunner, ErrorsGoToStandardErrorAndTheRunCarriesOnButExitsOne) {
    BatchRun run;
    ui::Timer& timer = run.form.MakeTimer("Timer1");
    timer.OnTimer = [&] {
        timer.SetEnabled(false);
        throw std::runtime_error("Cannot open file: /data/topo.png");
    };
    bool commandRan = false;
    int status = batch::RunForm(run.form, run.ui, [&] { commandRan = true; });
    EXPECT_TRUE(commandRan);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(run.err.str(), "mapper: Cannot open file: /data/topo.png\n");
    EXPECT_EQ(run.out.str(), "");

    BatchRun failing;
    EXPECT_EQ(batch::RunForm(failing.form, failing.ui,
                             [] { throw std::runtime_error("Bitmap too large"); }),
              1);
    EXPECT_EQ(failing.err.str(), "mapper: Bitmap too large\n");
    EXPECT_EQ(Joined(failing.form.log), "create show closequery destroy");
}

TEST(BatchRunner, ATimerNobodyStopsIsCutOffInsteadOfHanging) {
    BatchRun run;
    ui::Timer& clock = run.form.MakeTimer("Clock");
    int ticks = 0;
    clock.OnTimer = [&] { ++ticks; };
    EXPECT_FALSE(batch::RunTimers(run.form, run.ui, 50));
    EXPECT_EQ(ticks, 50);
    EXPECT_NE(run.err.str().find("Timer Clock was still running"), std::string::npos);
    EXPECT_EQ(run.ui.ErrorCount(), 1);
}

TEST(BatchInteraction, DialogsAreAnsweredOrCancelledAndModalFormsCloseAtOnce) {
    std::ostringstream out, err;
    batch::BatchInteraction ui(out, err, "", true);
    ui::OpenDialog dialog;
    dialog.title = "Locate the world height PNG image";
    EXPECT_FALSE(ui.ExecuteOpen(dialog));
    ui.answerOpen = [](const ui::OpenDialog& asked) -> std::optional<std::string> {
        if (asked.title.find("PNG") == std::string::npos) return std::nullopt;
        return "/maps/topo.png";
    };
    EXPECT_EQ(ui.ExecuteOpen(dialog), "/maps/topo.png");

    ScriptForm box(ui);
    ui.ShowModal(box);
    ui.ShowModal(box);
    EXPECT_EQ(Joined(box.log), "show closequery show closequery");
    EXPECT_TRUE(box.IsClosed());

    ui.ShowMessage("quiet mode hides this");
    ui.ShowError("but not this");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "but not this\n");
}

namespace {

class ProgressForm : public ScriptForm {
public:
    explicit ProgressForm(ui::Interaction& ui) : ScriptForm(ui) {
        Step.SetMax(4);
        Percent.SetMax(100);
    }
    ui::ProgressBar& Step = Make<ui::ProgressBar>("ProgressBarStep");
    ui::ProgressBar& Percent = Make<ui::ProgressBar>("ProgressBarPercent");
    ui::Form* aboutBox = nullptr;
    std::string dataFile;
};

app::ProgramDescription Program(std::vector<std::string>* log) {
    app::ProgramDescription program;
    program.name = "lumbrel";
    program.options = {{"height-image", "FILE", "the height image", "topo.png"}};
    program.makeMainForm = [log](ui::Interaction& ui, const app::Options&) {
        log->push_back("main form");
        return std::make_unique<ProgressForm>(ui);
    };
    program.makeAboutBox = [log](ui::Interaction& ui, ui::Form& main) {
        auto& form = static_cast<ProgressForm&>(main);
        log->push_back("about box after " + form.log.back());
        auto box = std::make_unique<ScriptForm>(ui);
        form.aboutBox = box.get();
        return box;
    };
    program.answerDialog = [](const ui::OpenDialog&, const app::Options& options) {
        return std::optional<std::string>(options.Value("height-image"));
    };
    program.batchCommand = [](ui::Form& main, const app::Options&) {
        auto& form = static_cast<ProgressForm&>(main);
        form.dataFile = form.Ui().ExecuteOpen({}).value_or("");
        form.Ui().ShowModal(*form.aboutBox);
        for (int step = 1; step <= 4; ++step) form.Step.SetPosition(step);
        form.Ui().ShowMessage("done");
    };
    return program;
}

app::Options OptionsOf(std::vector<std::string> args, const app::ProgramDescription& program) {
    return app::ParseCommandLine(args, program.name, "", program.options).options;
}

}  // namespace

TEST(RunBatch, MakesTheFormsAnswersDialogsAndShowsProgressOnTheTerminal) {
    std::vector<std::string> log;
    app::ProgramDescription program = Program(&log);
    program.progressBar = "ProgressBarStep";
    std::ostringstream out, err;
    int status = app::RunBatch(
        program, OptionsOf({"--batch", "--height-image", "/maps/w.png"}, program), out, err, true);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Joined(log), "main form about box after create");
    EXPECT_EQ(out.str(), "done\n");
    EXPECT_EQ(err.str(), "0...10...20...30...40...50...60...70...80...90...100 - done.\n");
}

TEST(RunBatch, QuietOrNotATerminalShowsNoProgress) {
    std::vector<std::string> log;
    app::ProgramDescription program = Program(&log);
    std::ostringstream out, err;
    EXPECT_EQ(app::RunBatch(program, OptionsOf({"--batch", "--quiet"}, program), out, err, true),
              0);
    EXPECT_EQ(out.str() + err.str(), "");
    std::ostringstream out2, err2;
    EXPECT_EQ(app::RunBatch(program, OptionsOf({"--batch"}, program), out2, err2, false), 0);
    EXPECT_EQ(out2.str(), "done\n");
    EXPECT_EQ(err2.str(), "");
}

TEST(RunBatch, AMainFormThatCannotBeMadeEndsWithAnError) {
    app::ProgramDescription program;
    program.name = "orbisko";
    program.makeMainForm = [](ui::Interaction&, const app::Options&) -> std::unique_ptr<ui::Form> {
        throw std::runtime_error("Out of resources");
    };
    std::ostringstream out, err;
    EXPECT_EQ(app::RunBatch(program, app::Options(), out, err, false), 1);
    EXPECT_EQ(err.str(), "orbisko: Out of resources\n");
}

TEST(BatchInteraction, AnAnswerInOtherCapitalsIsTakenAsTheDialogTakesIt) {
    TempDir tiles;
    tiles.Write("E020N40.DEM", {});
    std::ostringstream out, err;
    batch::BatchInteraction ui(out, err);
    ui::OpenDialog dialog;
    dialog.fileName = "E020N40.dem";
    dialog.options = ui::PathMustExist | ui::FileMustExist;
    std::string answer = tiles / "e020n40.dem";
    ui.answerOpen = [&](const ui::OpenDialog&) -> std::optional<std::string> { return answer; };
    // Where the program wants the name as written, the answer goes through for it to refuse.
    EXPECT_EQ(ui.ExecuteOpen(dialog), tiles / "e020n40.dem");
    EXPECT_EQ(ui::SuggestedFileName(dialog, tiles.Folder()), "E020N40.dem");

    dialog.namesIgnoreCase = true;
    EXPECT_EQ(ui.ExecuteOpen(dialog), tiles / "E020N40.DEM");
    EXPECT_EQ(ui::SuggestedFileName(dialog, tiles.Folder()), "E020N40.DEM");
    answer = tiles / "W180N90.dem";
    EXPECT_EQ(ui.ExecuteOpen(dialog), tiles / "W180N90.dem");
    EXPECT_FALSE(ui::AcceptedPath(dialog, answer));
    EXPECT_EQ(out.str() + err.str(), "");
}
