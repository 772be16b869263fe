#include "cli/headless.h"
#include "cli/options.h"
#include "support/golden.h"
#include "support/temp_tree.h"

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
        out += "format " + o.format + " output " + o.output.value_or("none") +
               (o.open ? " open" : "") + " printer " + o.printer.value_or("none") +
               (o.hidden ? " hidden" : "");
    for (const std::string& pattern : o.excluded)
        out += " exclude " + pattern;
    if (p.action == ParsedArguments::Action::Run)
        out += !o.command.empty()
                   ? " " + o.command + " " + o.oldCatalogue + " with " + o.newCatalogue
                   : " folder " + o.folder;
    return out + "\n";
}

// The cases are the golden file's own lines: the arguments before " => ", what they are read
// as after it. A new case is a line "ARGUMENTS =>", then an update of the golden files.
TEST(Options, AreReadIntoAValue) {
    std::istringstream golden(testing::readFile(DORVANTILE_GOLDEN_DIR "/options.txt"));
    std::string all;
    int cases = 0;
    for (std::string line; std::getline(golden, line); ++cases)
        all += parsed(line.substr(0, line.find(" =>")));
    EXPECT_GT(cases, 20);
    EXPECT_EQ(testing::compareWithGolden("options.txt", all), "");
}

TEST(Options, MessagesAreOneLineEach) {
    EXPECT_EQ(messageLine("\rcannot read /a\nforged\x1b[2J: x"),
              "dorvantile-cli: ?cannot read /a?forged?[2J: x\n");
}

} // namespace
} // namespace dorvantile::cli
