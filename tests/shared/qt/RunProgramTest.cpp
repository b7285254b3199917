#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "RunProgram.h"
#include "RunWindowed.h"

namespace {

// Records its life cycle; shows for one timer tick, then closes itself (or terminates).
class LifeForm : public ui::Form {
public:
    LifeForm(ui::Interaction& ui, std::vector<std::string>& log, bool terminateInCreate,
             bool terminateInTimer)
        : Form(ui, "FormMain"), log_(log), terminateInCreate_(terminateInCreate) {
        SetDesign(0, 0, 200, 150);
        Tick.SetEnabled(false);
        Tick.SetInterval(1);
        Tick.OnTimer = [this, terminateInTimer] {
            Tick.SetEnabled(false);
            log_.push_back("timer");
            if (terminateInTimer)
                Ui().Terminate();
            else
                Close();
        };
    }
    ~LifeForm() override { Destroy(); }

    ui::Timer& Tick = MakeTimer("Timer1");

protected:
    void FormCreate() override {
        log_.push_back("create");
        if (terminateInCreate_) Ui().Terminate();
    }
    void FormShow() override {
        log_.push_back("show");
        Tick.SetEnabled(true);
    }
    bool FormCloseQuery() override {
        log_.push_back("closequery");
        return true;
    }
    void FormDestroy() override { log_.push_back("destroy"); }

private:
    std::vector<std::string>& log_;
    bool terminateInCreate_;
};

app::ProgramDescription Program(std::vector<std::string>& log, bool terminateInCreate = false,
                                bool terminateInTimer = false) {
    app::ProgramDescription program;
    program.name = "sample";
    program.makeMainForm = [&log, terminateInCreate, terminateInTimer](ui::Interaction& ui,
                                                                       const app::Options&) {
        return std::make_unique<LifeForm>(ui, log, terminateInCreate, terminateInTimer);
    };
    program.makeAboutBox = [&log](ui::Interaction& ui, ui::Form&) {
        log.push_back("about");
        return std::make_unique<ui::Form>(ui, "AboutBox");
    };
    return program;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

int RunWithArgs(const app::ProgramDescription& program, std::vector<std::string> args) {
    std::vector<char*> argv;
    std::string name = program.name;
    argv.push_back(name.data());
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return app::RunProgram(int(argv.size() - 1), argv.data(), program);
}

}  // namespace

TEST(RunWindowed, RunsTheEventLoopUntilTheMainFormCloses) {
    std::vector<std::string> log;
    EXPECT_EQ(app::RunWindowed(Program(log), app::Options()), 0);
    EXPECT_EQ(Joined(log), "create about show timer closequery destroy");
}

TEST(RunWindowed, TerminateEndsTheLoopOrPreventsTheWindow) {
    std::vector<std::string> log;
    EXPECT_EQ(app::RunWindowed(Program(log, true), app::Options()), 0);
    EXPECT_EQ(Joined(log), "create destroy");

    log.clear();
    EXPECT_EQ(app::RunWindowed(Program(log, false, true), app::Options()), 0);
    EXPECT_EQ(Joined(log), "create about show timer destroy");
}

TEST(RunProgram, HelpVersionAndBadOptionsNeedNoDisplay) {
    std::vector<std::string> log;
    app::ProgramDescription program = Program(log);
    VersionBlock block;
    block.fixed.fileVersionMS = VersionWord(2, 1);
    block.stringTables = {{"040904E4", {{"Comments", "2024 Feb 29"}}}};
    program.version = &block;
    program.options = {{"save", "FILE", "write the map to FILE", ""}};

    testing::internal::CaptureStdout();
    EXPECT_EQ(RunWithArgs(program, {"--help"}), 0);
    std::string help = testing::internal::GetCapturedStdout();
    EXPECT_NE(help.find("--save FILE"), std::string::npos);

    testing::internal::CaptureStdout();
    EXPECT_EQ(RunWithArgs(program, {"--version"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "sample 2.1.0.0 (2024 Feb 29)\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWithArgs(program, {"--batch", "--save"}), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("--save needs a value"),
              std::string::npos);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWithArgs(program, {"--bogus"}), 2);  // windowed, but refused before Qt starts
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "sample: unknown option --bogus (see --help)\n");
    EXPECT_TRUE(log.empty());  // nothing was started
}

namespace {

// The form shows a message while it is made; whoever reads it notes the box's title and
// presses OK once it is there.
void ShowMessageBeforeTheWindow(app::ProgramDescription& program, QString& title) {
    auto makeForm = program.makeMainForm;
    program.makeMainForm = [makeForm, &title](ui::Interaction& ui, const app::Options& options) {
        QTimer reader;
        QObject::connect(&reader, &QTimer::timeout, [&reader, &title] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                title = box->windowTitle();
                box->close();
                reader.stop();
            }
        });
        reader.start(5);
        ui.ShowMessage("Topography will not be available");
        return makeForm(ui, options);
    };
}

}  // namespace

TEST(RunWindowed, AMessageBeforeTheWindowOpensDoesNotEndTheProgram) {
    std::vector<std::string> log;
    app::ProgramDescription program = Program(log);
    QString title;
    ShowMessageBeforeTheWindow(program, title);
    EXPECT_EQ(app::RunWindowed(program, app::Options()), 0);
    EXPECT_EQ(Joined(log), "create about show timer closequery destroy");
}

TEST(RunWindowed, MessageBoxesCarryTheProductNameAsTitle) {
    std::vector<std::string> log;
    app::ProgramDescription program = Program(log);
    EXPECT_EQ(app::ApplicationTitle(program), "sample");
    VersionBlock block;
    block.stringTables = {{"040904E4", {{"ProductName", "Sample Maker"}}}};
    program.version = &block;
    QString title;
    ShowMessageBeforeTheWindow(program, title);
    EXPECT_EQ(app::RunWindowed(program, app::Options()), 0);
    EXPECT_EQ(title, "Sample Maker");
}
