#pragma once
// The command line of the programs and the tools. Each declares its options once, in a table
// that feeds both the parser and --help. "--name value" and "--name=value" both work; a value
// may not start with "--" unless given with "="; a tool's option may also have a one-letter
// name ("-o FILE"). Every option may be given once unless declared repeatable. One option may be
// positional: an argument without dashes is then its value ("lumbrel topo.png").
//
//   std::vector<app::OptionSpec> specs = {{"save", "FILE", "write the map to FILE", ""}};
//   app::ParsedCommandLine parsed = app::ParseCommandLine(args, "strandel", "...", specs);
//   if (parsed.action == app::CommandLineAction::Fail) { std::cerr << parsed.message; return 2; }
//   std::string file = parsed.options.Value("save");
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace app {

struct OptionSpec {
    std::string name;          // without the dashes: "save"
    std::string placeholder;   // "FILE"; empty for a flag, which takes no value
    std::string help;          // may run over several lines ("\n")
    std::string defaultValue;  // shown by --help; the value while the option is absent
    bool repeatable = false;
    bool positional = false;                // a bare argument gives its value
    std::vector<std::string> choices = {};  // when not empty, the only values accepted
    char shortName = 0;                     // "-o"; tools only, the programs leave "-x" to Qt
    bool required = false;
};

// A command line that cannot be used; the tools' own checks throw it.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Options {
public:
    Options() = default;
    explicit Options(std::vector<OptionSpec> specs) : specs_(std::move(specs)) {}

    bool Batch() const { return Has("batch"); }
    bool Quiet() const { return Has("quiet"); }

    // Given on the command line (for a flag: set).
    bool Has(const std::string& name) const;
    // The last value given, or the declared default; "" for an option nobody declared.
    std::string Value(const std::string& name) const;
    // Every value given, in order (empty when absent).
    std::vector<std::string> Values(const std::string& name) const;
    // Every option given, as (name, value) in command-line order, for options that act in turn.
    const std::vector<std::pair<std::string, std::string>>& Given() const { return given_; }
    // The value as a whole number within [min, max]; UsageError naming the option otherwise.
    long long Integer(const std::string& name, long long min, long long max) const;

    const std::vector<OptionSpec>& Specs() const { return specs_; }
    void Add(const std::string& name, std::string value) {
        given_.emplace_back(name, std::move(value));
    }

private:
    std::vector<OptionSpec> specs_;
    std::vector<std::pair<std::string, std::string>> given_;
};

// A whole number within [min, max] given as the value of --option; UsageError otherwise.
long long ParseInteger(const std::string& option, const std::string& text, long long min,
                       long long max);

// What a command line looks like: the table and the words --help shows around it.
struct CommandLineSyntax {
    std::string name;
    std::string usage;    // after the name on the usage line: "[options] -o OUTPUT INPUT..."
    std::string summary;  // one or more lines under the usage line
    std::vector<OptionSpec> options;  // every option, the common ones first
};

// A program's: --batch, --quiet, --help and --version, then its own options.
CommandLineSyntax ProgramSyntax(const std::string& programName, const std::string& summary,
                                const std::vector<OptionSpec>& programOptions);
// A tool's: --quiet (-q) and --help (-h), then its own options.
CommandLineSyntax ToolSyntax(const std::string& toolName, const std::string& usage,
                             const std::string& summary, const std::vector<OptionSpec>& options);

enum class CommandLineAction { Run, Help, Version, Fail };

struct ParsedCommandLine {
    CommandLineAction action = CommandLineAction::Run;
    Options options;
    std::string message;  // the help text, or what was wrong (one line, with a newline)
};

// args excludes the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const CommandLineSyntax& syntax);
std::string HelpText(const CommandLineSyntax& syntax);
// "name: problem (see --help)\n", as every unusable command line is reported.
std::string UsageMessage(const std::string& name, const std::string& problem);

// The same for a program's command line (ProgramSyntax).
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const std::string& programName, const std::string& summary,
                                   const std::vector<OptionSpec>& programOptions);
std::string HelpText(const std::string& programName, const std::string& summary,
                     const std::vector<OptionSpec>& programOptions);

}  // namespace app
