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

// Every control a terminal acts on shows as one "?": C0, DEL, NUL, and C1 both as characters
// and as bytes of a name that is not UTF-8; the characters around them stay whole.
TEST(Options, MessagesAreOneLineEach) {
    const std::pair<std::string, std::string> cases[] = {
        {"\rcannot read /a\nforged\x1b[2J: x", "?cannot read /a?forged?[2J: x"},
        {std::string("nul\0\x7f", 5), "nul??"},
        {"csi\x9b"
         "2J \x80\x9f\xa0",
         "csi?2J ??\xa0"}, // lone bytes; 0xA0 is no control
        {"u\xc2\x9b"
         "2J \xc2\x80 \xc2\xa0 \xc3\xa9",
         "u?2J ? \xc2\xa0 \xc3\xa9"}, // characters
        {"cut \xc2", "cut \xc2"},
        {"\xe2\x82\xac\xe2\x9b", "\xe2\x82\xac\xe2?"}};
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(messageLine(text), "dorvantile-cli: " + shown + "\n") << text;
}

} // namespace
} // namespace dorvantile::cli
