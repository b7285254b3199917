// The shoreline viewer: a window, or with --batch a run without one (see StrandelProgram.h).
#include <iostream>
#include <string>
#include <vector>

#include "RunProgram.h"
#include "StrandelProgram.h"

int main(int argc, char** argv) {
    const app::ProgramDescription program = StrandelProgram();
    std::vector<std::string> args =
        WithFileAsOption(std::vector<std::string>(argv + 1, argv + argc));
    app::ParsedCommandLine parsed =
        app::ParseCommandLine(args, program.name, program.summary, program.options);
    if (parsed.action == app::CommandLineAction::Run && !UsableOptions(parsed.options, std::cerr))
        return 2;

    args.insert(args.begin(), argv[0]);
    std::vector<char*> argvWithFile;
    for (std::string& arg : args) argvWithFile.push_back(arg.data());
    argvWithFile.push_back(nullptr);
    return app::RunProgram(int(args.size()), argvWithFile.data(), program);
}
