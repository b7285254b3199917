#include "RunProgram.h"

#include <QCoreApplication>
#include <iostream>

#include "BatchRunner.h"
#include "Errors.h"
#include "FrontEndModule.h"
#include "ProgressPrinter.h"
#include "VersInfo.h"

namespace app {

namespace {

// Qt's own options ("-platform offscreen", "-style fusion") start with one dash.
bool HasQtOptions(const std::vector<std::string>& args) {
    for (const auto& arg : args)
        if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') return true;
    return false;
}

// Help, version and errors in the options end the program here; nullopt means run it.
std::optional<int> HandleNonRun(const ParsedCommandLine& parsed,
                                const ProgramDescription& program) {
    switch (parsed.action) {
        case CommandLineAction::Fail:
            std::cerr << parsed.message;
            return 2;
        case CommandLineAction::Help:
            std::cout << parsed.message;
            return 0;
        case CommandLineAction::Version:
            std::cout << VersionLine(program) << "\n";
            return 0;
        case CommandLineAction::Run:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

void NameApplication(const ProgramDescription& program) {
    QCoreApplication::setOrganizationName("Varnholt");
    QCoreApplication::setApplicationName(QString::fromStdString(program.name));
}

std::string VersionLine(const ProgramDescription& program) {
    TdfsVersionInfoResource info(program.version);
    std::string line = program.name;
    if (const std::string version = info.FileVersion().DisplayText(); !version.empty()) {
        line += ' ';
        line += version;
    }
    if (const std::string comments = info.Value(pdComments); !comments.empty()) {
        line += " (";
        line += comments;
        line += ')';
    }
    return line;
}

std::optional<int> RunWithoutWindow(const ParsedCommandLine& parsed,
                                    const ProgramDescription& program) {
    if (auto status = HandleNonRun(parsed, program)) return status;
    if (parsed.options.Batch())
        return RunBatch(program, parsed.options, std::cout, std::cerr,
                        ProgressWanted(parsed.options.Quiet()));
    return std::nullopt;
}

int RunProgram(int argc, char** argv, const ProgramDescription& program) {
    const std::vector<std::string> args = ArgumentsOf(argc, argv);
    const ParsedCommandLine parsed = ParseProgramCommandLine(args, program);
    // Help, version, batch mode and unusable options need no display; only options Qt may
    // understand wait for Qt to take its own.
    const bool forQt = parsed.action == CommandLineAction::Fail && HasQtOptions(args);
    if (!forQt) {
        if (parsed.action == CommandLineAction::Run && parsed.options.Batch()) {
            // Settings go through QSettings, which wants an application object.
            QCoreApplication application(argc, argv);
            NameApplication(program);
            return *RunWithoutWindow(parsed, program);
        }
        if (auto status = HandleNonRun(parsed, program)) return *status;
    }
    const FrontEnd* frontEnd = nullptr;
    try {
        frontEnd = &LoadFrontEnd();
    } catch (const VarnholtError& error) {
        std::cerr << program.name << ": " << error.what() << "\n";
        return 1;
    }
    return frontEnd->runProgram(argc, argv, program);
}

}  // namespace app
