#include "Options.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace app {

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& name) {
    for (const auto& spec : specs)
        if (spec.name == name) return &spec;
    return nullptr;
}

const OptionSpec* FindShort(const std::vector<OptionSpec>& specs, char shortName) {
    for (const auto& spec : specs)
        if (shortName != 0 && spec.shortName == shortName) return &spec;
    return nullptr;
}

const OptionSpec* PositionalSpec(const std::vector<OptionSpec>& specs) {
    for (const auto& spec : specs)
        if (spec.positional && !spec.placeholder.empty()) return &spec;
    return nullptr;
}

bool IsAction(const OptionSpec& spec) { return spec.name == "help" || spec.name == "version"; }

std::string OneOf(const std::vector<std::string>& choices) {
    std::string text;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) text += i + 1 == choices.size() ? " or " : ", ";
        text += choices[i];
    }
    return text;
}

// One option or bare argument from args[i] on (moving i past a separate value) into options;
// what was wrong with it, or "".
std::string ReadArgument(const std::vector<std::string>& args, std::size_t& i,
                         const std::vector<OptionSpec>& specs, Options& options) {
    const std::string& arg = args[i];
    if (!arg.empty() && arg[0] != '-') {
        const OptionSpec* positional = PositionalSpec(specs);
        if (!positional) return "unexpected argument '" + arg + "'";
        if (options.Has(positional->name) && !positional->repeatable)
            return "option --" + positional->name + " given more than once ('" + arg + "')";
        options.Add(positional->name, arg);
        return "";
    }
    const OptionSpec* spec = nullptr;
    std::string value;
    bool hasInlineValue = false;
    if (arg.size() == 2 && arg[0] == '-') {
        spec = FindShort(specs, arg[1]);
        if (!spec) return "unexpected argument '" + arg + "'";
    } else {
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0)
            return "unexpected argument '" + arg + "'";
        std::string name = arg.substr(2);
        if (std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasInlineValue = true;
        }
        spec = FindSpec(specs, name);
        if (!spec) return "unknown option --" + name;
    }
    const std::string& name = spec->name;
    if (spec->placeholder.empty()) {
        if (hasInlineValue) return "option --" + name + " takes no value";
    } else if (!hasInlineValue) {
        if (i + 1 >= args.size() || args[i + 1].compare(0, 2, "--") == 0)
            return "option --" + name + " needs a value (" + spec->placeholder + ")";
        value = args[++i];
    }
    if (!spec->choices.empty() &&
        std::find(spec->choices.begin(), spec->choices.end(), value) == spec->choices.end())
        return "option --" + name + " must be " + OneOf(spec->choices) + ", not '" + value + "'";
    if (options.Has(name) && !spec->repeatable) return "option --" + name + " given more than once";
    options.Add(name, value);
    return "";
}

std::string MissingRequired(const Options& options) {
    for (const auto& spec : options.Specs())
        if (spec.required && !options.Has(spec.name))
            return "option --" + spec.name + " is required";
    return "";
}

// "-o, --output FILE"
std::string HeadOf(const OptionSpec& spec) {
    std::string head = spec.shortName ? std::string("-") + spec.shortName + ", " : "";
    head += "--" + spec.name;
    if (!spec.placeholder.empty()) head += " " + spec.placeholder;
    return head;
}

// The help text with its later lines indented to the column, then what --help adds to it.
std::string Description(const OptionSpec& spec, bool positional, std::size_t column) {
    std::string text;
    for (char c : spec.help) {
        text += c;
        if (c == '\n') text += std::string(column, ' ');
    }
    if (IsAction(spec)) {
        // actions, not settings: no default to show
    } else if (spec.required) {
        text += " (required)";
    } else if (spec.placeholder.empty()) {
        text += " (default: off)";
    } else {
        text += " (default: " + (spec.defaultValue.empty() ? "none" : spec.defaultValue) + ")";
    }
    if (spec.repeatable) text += " (may be repeated)";
    if (positional) text += " (or " + spec.placeholder + " alone)";
    return text;
}

}  // namespace

bool Options::Has(const std::string& name) const {
    return std::any_of(given_.begin(), given_.end(),
                       [&](const auto& given) { return given.first == name; });
}

std::string Options::Value(const std::string& name) const {
    for (auto given = given_.rbegin(); given != given_.rend(); ++given)
        if (given->first == name) return given->second;
    const OptionSpec* spec = FindSpec(specs_, name);
    return spec ? spec->defaultValue : std::string();
}

std::vector<std::string> Options::Values(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& given : given_)
        if (given.first == name) values.push_back(given.second);
    return values;
}

long long Options::Integer(const std::string& name, long long min, long long max) const {
    return ParseInteger(name, Value(name), min, max);
}

long long ParseInteger(const std::string& option, const std::string& text, long long min,
                       long long max) {
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw UsageError("option --" + option + " needs a whole number from " +
                         std::to_string(min) + " to " + std::to_string(max) + ", not '" + text +
                         "'");
    return value;
}

CommandLineSyntax ProgramSyntax(const std::string& programName, const std::string& summary,
                                const std::vector<OptionSpec>& programOptions) {
    CommandLineSyntax syntax{
        programName,
        "[--batch] [options]",
        summary,
        {
            {"batch", "", "run without a window: start-up and the main command, then exit", ""},
            {"quiet", "", "no progress and no messages on standard output (errors still show)", ""},
            {"help", "", "list the options and exit", ""},
            {"version", "", "show the version and exit", ""},
        }};
    syntax.options.insert(syntax.options.end(), programOptions.begin(), programOptions.end());
    if (const OptionSpec* positional = PositionalSpec(syntax.options))
        syntax.usage += " [" + positional->placeholder + "]";
    return syntax;
}

CommandLineSyntax ToolSyntax(const std::string& toolName, const std::string& usage,
                             const std::string& summary, const std::vector<OptionSpec>& options) {
    CommandLineSyntax syntax{toolName, usage, summary, {}};
    syntax.options.push_back(
        {"quiet", "", "no progress and no summary", "", false, false, {}, 'q'});
    syntax.options.push_back({"help", "", "list the options and exit", "", false, false, {}, 'h'});
    syntax.options.insert(syntax.options.end(), options.begin(), options.end());
    return syntax;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const CommandLineSyntax& syntax) {
    ParsedCommandLine result;
    result.options = Options(syntax.options);
    std::string problem;
    for (std::size_t i = 0; i < args.size() && problem.empty(); ++i)
        problem = ReadArgument(args, i, syntax.options, result.options);
    if (problem.empty() && result.options.Has("help")) {
        result.action = CommandLineAction::Help;
        result.message = HelpText(syntax);
        return result;
    }
    if (problem.empty() && result.options.Has("version")) {
        result.action = CommandLineAction::Version;
        return result;
    }
    if (problem.empty()) problem = MissingRequired(result.options);
    if (!problem.empty()) {
        result.action = CommandLineAction::Fail;
        result.message = UsageMessage(syntax.name, problem);
    }
    return result;
}

std::string HelpText(const CommandLineSyntax& syntax) {
    std::size_t width = 0;
    for (const auto& spec : syntax.options) width = std::max(width, HeadOf(spec).size());
    const OptionSpec* positional = PositionalSpec(syntax.options);
    std::ostringstream text;
    text << "Usage: " << syntax.name << " " << syntax.usage << "\n";
    if (!syntax.summary.empty()) text << syntax.summary << "\n";
    text << "\nOptions:\n";
    for (const auto& spec : syntax.options) {
        std::string head = HeadOf(spec);
        text << "  " << head << std::string(width - head.size() + 2, ' ')
             << Description(spec, &spec == positional, width + 4) << "\n";
    }
    return text.str();
}

// Arguments are echoed in the message: their control characters are shown, not sent to the
// terminal, so that the message stays one line and cannot steer the terminal.
std::string UsageMessage(const std::string& name, const std::string& problem) {
    std::string shown;
    for (const char c : problem) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else {
            const char* digits = "0123456789abcdef";
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 15];
        }
    }
    return name + ": " + shown + " (see --help)\n";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const std::string& programName, const std::string& summary,
                                   const std::vector<OptionSpec>& programOptions) {
    return ParseCommandLine(args, ProgramSyntax(programName, summary, programOptions));
}

std::string HelpText(const std::string& programName, const std::string& summary,
                     const std::vector<OptionSpec>& programOptions) {
    return HelpText(ProgramSyntax(programName, summary, programOptions));
}

}  // namespace app
