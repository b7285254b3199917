// The command line: any argument vector (the input's bytes split at zero bytes) against a
// program's table and a tool's, with values, flags, choices, a repeatable option, a positional
// one and a one-letter one. A line that parses may hold only values from the vector or the
// defaults, and every refusal is one line saying what was wrong.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Options.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_options: %s\n", what);
    std::abort();
}

const std::vector<app::OptionSpec>& OwnOptions() {
    static const std::vector<app::OptionSpec> specs = {
        {"save", "FILE", "write the map to FILE", ""},
        {"view", "WHAT", "what to draw", "both", false, false, {"both", "land", "lakes"}},
        {"zoom-out", "", "one step out", "", true},
        {"page-width", "MM", "page width", "0"},
        {"input", "FILE", "the file to read", "topo.png", false, true},
        {"output", "FILE", "where to write", "", false, false, {}, 'o'},
    };
    return specs;
}

void CheckParsed(const app::ParsedCommandLine& parsed, const std::vector<std::string>& args,
                 const app::CommandLineSyntax& syntax) {
    if (parsed.action == app::CommandLineAction::Fail) {
        if (parsed.message.empty() || parsed.message.back() != '\n' ||
            parsed.message.find('\n') + 1 != parsed.message.size())
            Fail("a refusal that is not one line");
        return;
    }
    if (parsed.action != app::CommandLineAction::Run) return;
    for (const app::OptionSpec& spec : syntax.options) {
        const std::vector<std::string> values = parsed.options.Values(spec.name);
        if (values.size() > 1 && !spec.repeatable) Fail("an option taken twice");
        for (const std::string& value : values) {
            if (!spec.choices.empty()) {
                bool known = false;
                for (const std::string& choice : spec.choices) known = known || choice == value;
                if (!known) Fail("a value outside the choices");
            }
            if (spec.placeholder.empty()) continue;
            bool fromArgs = false;
            for (const std::string& arg : args)
                fromArgs = fromArgs || arg == value ||
                           (arg.size() > value.size() && arg.ends_with("=" + value));
            if (!fromArgs) Fail("a value that was not given");
        }
        if (values.empty() && parsed.options.Value(spec.name) != spec.defaultValue)
            Fail("an absent option without its default");
    }
    try {
        parsed.options.Integer("page-width", 0, 10000);
    } catch (const app::UsageError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += char(data[i]);
    }
    if (args.size() == 1 && args[0].empty()) args.clear();
    static const app::CommandLineSyntax program =
        app::ProgramSyntax("strandel", "Draws shorelines.", OwnOptions());
    static const app::CommandLineSyntax tool =
        app::ToolSyntax("importdem", "[options] INPUT", "Converts.", OwnOptions());
    for (const app::CommandLineSyntax* syntax : {&program, &tool}) {
        const app::ParsedCommandLine parsed = app::ParseCommandLine(args, *syntax);
        CheckParsed(parsed, args, *syntax);
    }
    return 0;
}
