#include "cli/headless.h"
#include "cli/options.h"
#include "support/golden.h"

#include <gtest/gtest.h>
#include <sstream>

namespace dorvantile::cli {
namespace {

// What the arguments of one line ('' is an empty argument) are read as, in one line.
std::string parsed(const std::string& line) {
    std::vector<std::string> kept;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        kept.push_back(word == "''" ? "" : word);
    const ParsedArguments p = parseArguments({kept.begin(), kept.end()});
    const Options& o = p.options;
    const char* actions[] = {"run", "help", "version", "usage error"};
    std::string out = line + " => " + actions[static_cast<int>(p.action)] + " " + p.error;
    if (p.action == ParsedArguments::Action::Run)
        out += "format " + std::to_string(static_cast<int>(o.format)) + " output " +
               o.output.value_or("none") + (o.open ? " open" : "") + " printer " +
               o.printer.value_or("none") + " folder " + o.folder;
    return out + "\n";
}

TEST(Options, AreReadIntoAValue) {
    std::string all;
    for (const char* line : {"f",
                             "--format text --output - f",
                             "--format=print --printer=Q f",
                             "f --open --output=o.html",
                             "-- --help",
                             "-",
                             "f --help --bogus",
                             "-h",
                             "--version f",
                             "",
                             "a b",
                             "''",
                             "--format pdf f",
                             "--frobnicate f",
                             "--formats=x f",
                             "f --output",
                             "f --format",
                             "f --printer",
                             "--output= f",
                             "--format print --printer= f",
                             "--format print --output x f",
                             "--format print --open f",
                             "--printer Q f"})
        all += parsed(line);
    EXPECT_EQ(testing::compareWithGolden("options.txt", all), "");
}

TEST(Options, MessagesAreOneLineEach) {
    EXPECT_EQ(messageLine("cannot read /a\nforged\x1b[2J: x"),
              "dorvantile-cli: cannot read /a?forged?[2J: x\n");
}

} // namespace
} // namespace dorvantile::cli
