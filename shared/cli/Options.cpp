#include "Options.h"

#include <algorithm>
#include <sstream>

namespace app {

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& name) {
    for (const auto& spec : specs)
        if (spec.name == name) return &spec;
    return nullptr;
}

const OptionSpec* PositionalSpec(const std::vector<OptionSpec>& specs) {
    for (const auto& spec : specs)
        if (spec.positional && !spec.placeholder.empty()) return &spec;
    return nullptr;
}

std::string OneOf(const std::vector<std::string>& choices) {
    std::string text;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) text += i + 1 == choices.size() ? " or " : ", ";
        text += choices[i];
    }
    return text;
}

ParsedCommandLine Failure(const std::string& programName, const std::string& what) {
    ParsedCommandLine result;
    result.action = CommandLineAction::Fail;
    result.message = programName + ": " + what + " (see --help)\n";
    return result;
}

}  // namespace

bool Options::Has(const std::string& name) const { return given_.count(name) != 0; }

std::string Options::Value(const std::string& name) const {
    if (auto found = given_.find(name); found != given_.end() && !found->second.empty())
        return found->second.back();
    const OptionSpec* spec = FindSpec(specs_, name);
    return spec ? spec->defaultValue : std::string();
}

std::vector<std::string> Options::Values(const std::string& name) const {
    auto found = given_.find(name);
    return found == given_.end() ? std::vector<std::string>{} : found->second;
}

std::vector<OptionSpec> AllOptions(const std::vector<OptionSpec>& programOptions) {
    std::vector<OptionSpec> all = {
        {"batch", "", "run without a window: start-up and the main command, then exit", ""},
        {"quiet", "", "no progress and no messages on standard output (errors still show)", ""},
        {"help", "", "list the options and exit", ""},
        {"version", "", "show the version and exit", ""},
    };
    all.insert(all.end(), programOptions.begin(), programOptions.end());
    return all;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const std::string& programName, const std::string& summary,
                                   const std::vector<OptionSpec>& programOptions) {
    std::vector<OptionSpec> specs = AllOptions(programOptions);
    Options options(specs);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.empty() && arg[0] != '-') {
            const OptionSpec* positional = PositionalSpec(specs);
            if (!positional) return Failure(programName, "unexpected argument '" + arg + "'");
            if (options.Has(positional->name) && !positional->repeatable)
                return Failure(programName, "option --" + positional->name +
                                                " given more than once ('" + arg + "')");
            options.Add(positional->name, arg);
            continue;
        }
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0)
            return Failure(programName, "unexpected argument '" + arg + "'");
        std::string name = arg.substr(2);
        std::string value;
        bool hasInlineValue = false;
        if (std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasInlineValue = true;
        }
        const OptionSpec* spec = FindSpec(specs, name);
        if (!spec) return Failure(programName, "unknown option --" + name);
        if (spec->placeholder.empty()) {
            if (hasInlineValue) return Failure(programName, "option --" + name + " takes no value");
        } else if (!hasInlineValue) {
            if (i + 1 >= args.size() || args[i + 1].compare(0, 2, "--") == 0)
                return Failure(programName,
                               "option --" + name + " needs a value (" + spec->placeholder + ")");
            value = args[++i];
        }
        if (!spec->choices.empty() &&
            std::find(spec->choices.begin(), spec->choices.end(), value) == spec->choices.end())
            return Failure(programName, "option --" + name + " must be " + OneOf(spec->choices) +
                                            ", not '" + value + "'");
        if (options.Has(name) && !spec->repeatable)
            return Failure(programName, "option --" + name + " given more than once");
        options.Add(name, value);
    }
    ParsedCommandLine result;
    if (options.Has("help")) {
        result.action = CommandLineAction::Help;
        result.message = HelpText(programName, summary, programOptions);
    } else if (options.Has("version")) {
        result.action = CommandLineAction::Version;
    }
    result.options = std::move(options);
    return result;
}

std::string HelpText(const std::string& programName, const std::string& summary,
                     const std::vector<OptionSpec>& programOptions) {
    std::vector<OptionSpec> specs = AllOptions(programOptions);
    std::vector<std::string> heads;
    std::size_t width = 0;
    for (const auto& spec : specs) {
        std::string head = "--" + spec.name;
        if (!spec.placeholder.empty()) head += " " + spec.placeholder;
        width = std::max(width, head.size());
        heads.push_back(head);
    }
    std::ostringstream text;
    text << "Usage: " << programName << " [--batch] [options]";
    if (const OptionSpec* positional = PositionalSpec(specs))
        text << " [" << positional->placeholder << "]";
    text << "\n";
    if (!summary.empty()) text << summary << "\n";
    text << "\nOptions:\n";
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const OptionSpec& spec = specs[i];
        text << "  " << heads[i] << std::string(width - heads[i].size() + 2, ' ') << spec.help;
        if (spec.name == "help" || spec.name == "version") {
            // actions, not settings: no default to show
        } else if (spec.placeholder.empty()) {
            text << " (default: off)";
        } else {
            text << " (default: " << (spec.defaultValue.empty() ? "none" : spec.defaultValue)
                 << ")";
        }
        if (spec.repeatable) text << " (may be repeated)";
        if (&spec == PositionalSpec(specs)) text << " (or " << spec.placeholder << " alone)";
        text << "\n";
    }
    return text.str();
}

}  // namespace app
