#include "platform/directory_entries.h"
#include "platform/text_case.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace dorvantile {
namespace {

// The sort keeps shortcuts of its own (integer prefixes, lower-case forms made once); it must
// agree with the platform's order on any names, ASCII, UTF-8 or not UTF-8 at all.
TEST(DirectoryEntries, SortsInThePlatformsOrderForAnyNames) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "a",    "A",    "b",        "Z",        "_",        " ",        "0",
        "9",    ".",    "\xC3\xA9", "\xC3\x89", "\xCE\xA3", "\xCF\x83", "\xFF",
        "\xC3", "\x01", "~",        "abcdefgh", "ABCDEFGH"};
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int round = 0; round < 50; ++round) {
        std::vector<std::string> names;
        for (int i = 0; i < 200; ++i) {
            std::string name;
            for (int n = length(random); n >= 0; --n)
                name += pieces[piece(random)];
            names.push_back(name);
        }
        DirectoryEntries entries;
        for (std::size_t i = 0; i < names.size(); ++i)
            entries.add(names[i], static_cast<unsigned>(i));
        entries.sort();
        std::stable_sort(
            names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });
        ASSERT_EQ(entries.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            ASSERT_EQ(entries.name(i), names[i]) << "position " << i << " in round " << round;
        }
    }
}

TEST(DirectoryEntries, KeepsEachNameWithItsBitsAndCanBeReused) {
    DirectoryEntries entries;
    entries.add("b", 16);
    entries.add("A", 1024);
    entries.sort();
    EXPECT_EQ(entries.name(0), "A");
    EXPECT_EQ(entries.attributes(0), 1024u);
    EXPECT_EQ(entries.attributes(1), 16u);
    entries.clear();
    EXPECT_TRUE(entries.empty());
    entries.add("x", 0);
    EXPECT_EQ(entries.name(0), "x");
}

} // namespace
} // namespace dorvantile
