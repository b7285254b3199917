#pragma once
// What the command-line tools share beyond the programs' command line and progress printer:
// the exit codes (0 done, 1 failed, 2 unusable options) and messages on standard error
// prefixed with the tool's name.
#include <functional>

#include "Options.h"
#include "ProgressPrinter.h"

// Parses the arguments after the program name by `syntax` and runs `body` with them; prints
// the help for --help. A UsageError from `body` is reported like the parser's own problems.
int RunTool(const app::CommandLineSyntax& syntax, int argc, char** argv,
            const std::function<void(const app::Options&)>& body);
