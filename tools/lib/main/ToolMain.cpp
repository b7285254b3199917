#include "ToolMain.h"

#include <iostream>
#include <new>
#include <string>
#include <vector>

int RunTool(const app::CommandLineSyntax& syntax, int argc, char** argv,
            const std::function<void(const app::Options&)>& body) {
    std::vector<std::string> args(argv + 1, argv + argc);
    app::ParsedCommandLine parsed = app::ParseCommandLine(args, syntax);
    switch (parsed.action) {
        case app::CommandLineAction::Help:
            std::cout << parsed.message;
            return 0;
        case app::CommandLineAction::Fail:
            std::cerr << parsed.message;
            return 2;
        default:
            break;
    }
    try {
        body(parsed.options);
        return 0;
    } catch (const app::UsageError& error) {
        std::cerr << app::UsageMessage(syntax.name, error.what());
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << syntax.name << ": out of memory\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << syntax.name << ": " << error.what() << "\n";
        return 1;
    }
}
