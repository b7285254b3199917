#include <gtest/gtest.h>

#include "Options.h"
#include "ProgramDescription.h"

namespace {

const std::vector<app::OptionSpec> kSpecs = {
    {"save", "FILE", "write the map to FILE", "map.bmp"},
    {"tiles", "DIR", "folder of the tiles", ""},
    {"layer", "NAME", "a layer to draw", "", true},
    {"mono", "", "draw in black and white", ""},
};

app::ParsedCommandLine Parse(std::vector<std::string> args) {
    return app::ParseCommandLine(args, "strandel", "Draws shorelines.", kSpecs);
}

}  // namespace

TEST(Options, ValuesFlagsAndDefaults) {
    auto parsed = Parse({"--batch", "--save", "out.bmp", "--tiles=/data/tiles", "--mono"});
    ASSERT_EQ(parsed.action, app::CommandLineAction::Run) << parsed.message;
    const app::Options& options = parsed.options;
    EXPECT_TRUE(options.Batch());
    EXPECT_FALSE(options.Quiet());
    EXPECT_TRUE(options.Has("mono"));
    EXPECT_EQ(options.Value("save"), "out.bmp");
    EXPECT_EQ(options.Value("tiles"), "/data/tiles");
    EXPECT_FALSE(options.Has("layer"));
    EXPECT_TRUE(options.Values("layer").empty());

    auto defaults = Parse({});
    EXPECT_EQ(defaults.options.Value("save"), "map.bmp");
    EXPECT_FALSE(defaults.options.Has("save"));
    EXPECT_EQ(defaults.options.Value("undeclared"), "");
}

TEST(Options, RepeatableOptionsKeepEveryValueInOrder) {
    auto parsed = Parse({"--layer", "land", "--layer=lakes", "--layer", "-x"});
    ASSERT_EQ(parsed.action, app::CommandLineAction::Run) << parsed.message;
    EXPECT_EQ(parsed.options.Values("layer"), (std::vector<std::string>{"land", "lakes", "-x"}));
    EXPECT_EQ(parsed.options.Value("layer"), "-x");
    // "=" allows an empty value or one that starts with dashes.
    auto odd = Parse({"--save=", "--tiles=--odd"});
    ASSERT_EQ(odd.action, app::CommandLineAction::Run) << odd.message;
    EXPECT_EQ(odd.options.Value("save"), "");
    EXPECT_EQ(odd.options.Value("tiles"), "--odd");
}

TEST(Options, UnusableCommandLinesFailWithAMessageNamingTheProblem) {
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    for (const Case& c : {
             Case{{"--colour", "red"}, "unknown option --colour"},
             Case{{"--save"}, "option --save needs a value (FILE)"},
             Case{{"--save", "--batch"}, "option --save needs a value"},
             Case{{"--mono=yes"}, "option --mono takes no value"},
             Case{{"--save", "a", "--save", "b"}, "option --save given more than once"},
             Case{{"--batch", "--batch"}, "option --batch given more than once"},
             Case{{"map.bmp"}, "unexpected argument 'map.bmp'"},
             Case{{"-q"}, "unexpected argument '-q'"},
             Case{{"--"}, "unexpected argument '--'"},
         }) {
        auto parsed = Parse(c.args);
        EXPECT_EQ(parsed.action, app::CommandLineAction::Fail) << c.args[0];
        EXPECT_NE(parsed.message.find(c.expected), std::string::npos) << parsed.message;
        EXPECT_EQ(parsed.message.rfind("strandel: ", 0), 0u) << parsed.message;
        EXPECT_EQ(parsed.message.back(), '\n');
    }
}

TEST(Options, ArgumentsEchoedInAMessageShowTheirControlCharacters) {
    auto parsed = Parse({"map\n.bmp"});
    EXPECT_EQ(parsed.message, "strandel: unexpected argument 'map\\n.bmp' (see --help)\n");
    // Escape sequences never reach the terminal; letters beyond ASCII stay as they are.
    parsed = Parse({"--col\x1b[2Jour\t\x7f\xc3\xa9"});
    EXPECT_EQ(parsed.message,
              "strandel: unknown option --col\\x1b[2Jour\\t\\x7f\xc3\xa9 (see --help)\n");
}

TEST(Options, HelpListsEveryOptionWithItsDefault) {
    auto parsed = Parse({"--save", "x.bmp", "--help"});
    ASSERT_EQ(parsed.action, app::CommandLineAction::Help);
    const std::string& help = parsed.message;
    EXPECT_NE(help.find("Usage: strandel"), std::string::npos);
    EXPECT_NE(help.find("Draws shorelines."), std::string::npos);
    for (const char* name : {"--batch", "--quiet", "--help", "--version", "--save FILE",
                             "--tiles DIR", "--layer NAME", "--mono"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
    EXPECT_NE(help.find("write the map to FILE (default: map.bmp)"), std::string::npos);
    EXPECT_NE(help.find("folder of the tiles (default: none)"), std::string::npos);
    EXPECT_NE(help.find("black and white (default: off)"), std::string::npos);
    EXPECT_NE(help.find("(may be repeated)"), std::string::npos);
    // One line per option after the heading.
    std::size_t optionLines = 0;
    for (std::size_t at = help.find("\n  --"); at != std::string::npos;
         at = help.find("\n  --", at + 1))
        ++optionLines;
    EXPECT_EQ(optionLines, 4 + kSpecs.size());

    EXPECT_EQ(Parse({"--version"}).action, app::CommandLineAction::Version);
}

TEST(Options, APositionalOptionTakesTheBareArgument) {
    std::vector<app::OptionSpec> specs = {
        {"file", "FILE", "the height PNG", "topo.png", false, true}};
    auto parse = [&](std::vector<std::string> args) {
        return app::ParseCommandLine(args, "lumbrel", "", specs);
    };
    auto bare = parse({"--batch", "world.png"});
    ASSERT_EQ(bare.action, app::CommandLineAction::Run) << bare.message;
    EXPECT_EQ(bare.options.Value("file"), "world.png");
    EXPECT_EQ(parse({"--file", "a.png"}).options.Value("file"), "a.png");
    EXPECT_EQ(parse({}).options.Value("file"), "topo.png");

    auto twice = parse({"a.png", "b.png"});
    EXPECT_EQ(twice.action, app::CommandLineAction::Fail);
    EXPECT_NE(twice.message.find("given more than once ('b.png')"), std::string::npos);
    EXPECT_EQ(parse({"--file=a.png", "b.png"}).action, app::CommandLineAction::Fail);

    std::string help = app::HelpText("lumbrel", "", specs);
    EXPECT_NE(help.find("Usage: lumbrel [--batch] [options] [FILE]"), std::string::npos);
    EXPECT_NE(help.find("(or FILE alone)"), std::string::npos);
}

TEST(Options, ChoicesAndTheProgramsOwnCheckRefuseUnusableValues) {
    app::ProgramDescription program;
    program.name = "strandel";
    program.options = {{"view", "both|land|lakes", "View menu command", "both"},
                       {"save", "FILE", "map file", ""}};
    program.options[0].choices = {"both", "land", "lakes"};
    program.checkOptions = [](const app::Options& options) -> std::string {
        if (options.Has("save") && !options.Batch()) return "--save needs --batch";
        return "";
    };
    auto usable =
        app::ParseProgramCommandLine({"--batch", "--view", "lakes", "--save", "m.bmp"}, program);
    ASSERT_EQ(usable.action, app::CommandLineAction::Run) << usable.message;
    EXPECT_EQ(usable.options.Value("view"), "lakes");

    auto badChoice = app::ParseProgramCommandLine({"--view=sea"}, program);
    EXPECT_EQ(badChoice.action, app::CommandLineAction::Fail);
    EXPECT_EQ(badChoice.message,
              "strandel: option --view must be both, land or lakes, not 'sea' (see --help)\n");

    auto badMix = app::ParseProgramCommandLine({"--save", "m.bmp"}, program);
    EXPECT_EQ(badMix.action, app::CommandLineAction::Fail);
    EXPECT_EQ(badMix.message, "strandel: --save needs --batch (see --help)\n");
    // Help is not held up by the check.
    EXPECT_EQ(app::ParseProgramCommandLine({"--save", "m.bmp", "--help"}, program).action,
              app::CommandLineAction::Help);
}

TEST(Options, GivenKeepsTheCommandLineOrderForOptionsThatActInTurn) {
    auto parsed = Parse({"--layer", "land", "--mono", "--layer=lakes", "--save", "m.bmp"});
    ASSERT_EQ(parsed.action, app::CommandLineAction::Run) << parsed.message;
    using Given = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(parsed.options.Given(),
              (Given{{"layer", "land"}, {"mono", ""}, {"layer", "lakes"}, {"save", "m.bmp"}}));
}

TEST(Options, ToolsHaveShortNamesRequiredOptionsAndWholeNumberChecks) {
    const app::CommandLineSyntax syntax =
        app::ToolSyntax("maketool", "[options] -o OUTPUT", "Makes things.",
                        {{"output", "FILE", "where to write", "", false, false, {}, 'o', true},
                         {"seed", "N", "seed of the relief,\nany whole number", "1"}});
    auto parsed = app::ParseCommandLine({"-q", "-o", "out.dat", "--seed=12"}, syntax);
    ASSERT_EQ(parsed.action, app::CommandLineAction::Run) << parsed.message;
    EXPECT_TRUE(parsed.options.Quiet());
    EXPECT_EQ(parsed.options.Value("output"), "out.dat");
    EXPECT_EQ(parsed.options.Integer("seed", 0, 99), 12);
    EXPECT_THROW(parsed.options.Integer("seed", 0, 9), app::UsageError);
    EXPECT_THROW(app::ParseInteger("seed", "12x", 0, 99), app::UsageError);

    auto missing = app::ParseCommandLine({"--seed", "3"}, syntax);
    EXPECT_EQ(missing.message, "maketool: option --output is required (see --help)\n");
    EXPECT_EQ(app::ParseCommandLine({"--batch"}, syntax).action, app::CommandLineAction::Fail);

    auto help = app::ParseCommandLine({"-h"}, syntax);
    ASSERT_EQ(help.action, app::CommandLineAction::Help);
    EXPECT_NE(help.message.find("Usage: maketool [options] -o OUTPUT\nMakes things.\n"),
              std::string::npos);
    EXPECT_NE(help.message.find("  -o, --output FILE  where to write (required)\n"),
              std::string::npos)
        << help.message;
    EXPECT_NE(help.message.find("seed of the relief,\n                     any whole number "
                                "(default: 1)\n"),
              std::string::npos)
        << help.message;
}
