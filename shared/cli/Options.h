#pragma once
// The command line shared by the programs: --batch, --quiet, --help, --version, and the options
// a program declares. "--name value" and "--name=value" both work; a value may not start with
// "--" unless given with "=". Every option may be given once unless declared repeatable. One
// option may be positional: an argument without dashes is then its value ("lumbrel topo.png").
//
//   std::vector<app::OptionSpec> specs = {{"save", "FILE", "write the map to FILE", ""}};
//   app::ParsedCommandLine parsed = app::ParseCommandLine(args, "strandel", "...", specs);
//   if (parsed.action == app::CommandLineAction::Fail) { std::cerr << parsed.message; return 2; }
//   std::string file = parsed.options.Value("save");
#include <map>
#include <string>
#include <vector>

namespace app {

struct OptionSpec {
    std::string name;         // without the dashes: "save"
    std::string placeholder;  // "FILE"; empty for a flag, which takes no value
    std::string help;
    std::string defaultValue;  // shown by --help; the value while the option is absent
    bool repeatable = false;
    bool positional = false;           // a bare argument gives its value
    std::vector<std::string> choices = {};  // when not empty, the only values accepted
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

    const std::vector<OptionSpec>& Specs() const { return specs_; }
    void Add(const std::string& name, std::string value) {
        given_[name].push_back(std::move(value));
    }

private:
    std::vector<OptionSpec> specs_;
    std::map<std::string, std::vector<std::string>> given_;
};

enum class CommandLineAction { Run, Help, Version, Fail };

struct ParsedCommandLine {
    CommandLineAction action = CommandLineAction::Run;
    Options options;
    std::string message;  // the help text, or what was wrong (one line, with a newline)
};

// The options every program has, followed by the program's own.
std::vector<OptionSpec> AllOptions(const std::vector<OptionSpec>& programOptions);

// args excludes the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const std::string& programName, const std::string& summary,
                                   const std::vector<OptionSpec>& programOptions);

std::string HelpText(const std::string& programName, const std::string& summary,
                     const std::vector<OptionSpec>& programOptions);

}  // namespace app
