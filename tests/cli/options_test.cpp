#include "cli/headless.h"
#include "cli/options.h"

#include <gtest/gtest.h>
#include <sstream>

namespace dorvantile::cli {
namespace {

using Action = ParsedArguments::Action;

std::vector<std::string_view> words(const std::string& line) {
    static std::vector<std::string> kept; // the views point into these
    kept.clear();
    std::istringstream in(line);
    for (std::string word; in >> word;)
        kept.push_back(word == "''" ? "" : word);
    return {kept.begin(), kept.end()};
}

struct Case {
    const char* arguments;
    Action action;
    Options options; // for a run
    const char* error = "";
};

TEST(Options, AreReadIntoAValue) {
    const Options html{Format::Html, {}, false, {}, "f"};
    const Case cases[] = {
        {"f", Action::Run, html},
        {"--format text --output - f", Action::Run, {Format::Text, "-", false, {}, "f"}},
        {"--format=print --printer=Q f", Action::Run, {Format::Print, {}, false, "Q", "f"}},
        {"f --open --output=o.html", Action::Run, {Format::Html, "o.html", true, {}, "f"}},
        {"-- --help", Action::Run, {Format::Html, {}, false, {}, "--help"}},
        {"-", Action::Run, {Format::Html, {}, false, {}, "-"}},
        {"f --help --bogus", Action::Help, {}},
        {"-h", Action::Help, {}},
        {"--version f", Action::Version, {}},
        {"", Action::UsageError, {}, "no FOLDER given"},
        {"a b", Action::UsageError, {}, "more than one FOLDER given"},
        {"''", Action::UsageError, {}, "FOLDER is empty"},
        {"--format pdf f", Action::UsageError, {}, "unknown format 'pdf'"},
        {"--frobnicate f", Action::UsageError, {}, "unknown option '--frobnicate'"},
        {"--formats=x f", Action::UsageError, {}, "unknown option '--formats=x'"},
        {"f --output", Action::UsageError, {}, "option --output needs a value"},
        {"f --format", Action::UsageError, {}, "option --format needs a value"},
        {"f --printer", Action::UsageError, {}, "option --printer needs a value"},
        {"--output= f", Action::UsageError, {}, "option --output needs a file"},
        {"--format print --printer= f", Action::UsageError, {}, "option --printer needs a printer's name"},
        {"--format print --output x f", Action::UsageError, {}, "option --output does not apply to --format print"},
        {"--format print --open f", Action::UsageError, {}, "option --open does not apply to --format print"},
        {"--printer Q f", Action::UsageError, {}, "option --printer needs --format print"},
    };
    for (const Case& c : cases) {
        const ParsedArguments parsed = parseArguments(words(c.arguments));
        EXPECT_EQ(parsed.action, c.action) << c.arguments;
        EXPECT_EQ(parsed.error, c.error) << c.arguments;
        if (c.action == Action::Run) {
            EXPECT_EQ(parsed.options, c.options) << c.arguments;
        }
    }
}

TEST(Options, MessagesAreOneLineEach) {
    EXPECT_EQ(messageLine("cannot read /a\nforged\x1b[2J: x"),
              "dorvantile-cli: cannot read /a?forged?[2J: x\n");
}

} // namespace
} // namespace dorvantile::cli
