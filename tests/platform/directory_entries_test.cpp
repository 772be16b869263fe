#include "platform/directory_entries.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/file_listing.h"
#include "platform/text_case.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace dorvantile {
namespace {

std::vector<std::string> names(const DirectoryEntries& entries) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < entries.size(); ++i)
        out.emplace_back(entries.name(i));
    return out;
}

// The sort keeps shortcuts of its own (an integer key of the first eight bytes, lower-case
// forms made once); it must agree with the platform's order on any names, ASCII, UTF-8 or not
// UTF-8 at all, and around the key's eighth byte.
TEST(DirectoryEntries, SortsInThePlatformsOrderForAnyNames) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "a",    "A",    "b",        "Z",        "_",        " ",        "0",
        "9",    ".",    "\xC3\xA9", "\xC3\x89", "\xCE\xA3", "\xCF\x83", "\xFF",
        "\xC3", "\x01", "~",        "abcdefgh", "ABCDEFGH"};
    std::vector<std::vector<std::string>> rounds = {
        {"abcdefghB", "abcdefgh", "ABCDEFGHa", "abcdefgha", "abcdefghA", "abcdefg",
         "abcdefgh\xC3\x89", "\xC3\xA9t\xC3\xA9xyzw1", "\xC3\x89T\xC3\x89XYZW0",
         "\xC3\xA9t\xC3\xA9xyzw"}};
    for (int round = 0; round < 50; ++round) {
        rounds.emplace_back(200);
        for (std::string& name : rounds.back()) {
            for (int n = random() % 13; n >= 0; --n)
                name += pieces[random() % pieces.size()];
        }
    }
    for (std::vector<std::string>& round : rounds) {
        DirectoryEntries entries;
        for (std::size_t i = 0; i < round.size(); ++i)
            entries.add(round[i], static_cast<unsigned>(i));
        entries.sort();
        const std::vector<std::string> given = round;
        std::stable_sort(round.begin(), round.end(),
                         [](const auto& a, const auto& b) { return compareNames(a, b) < 0; });
        ASSERT_EQ(names(entries), round);
        for (std::size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(given[entries.attributes(i)], entries.name(i)) << "bits stay with the name";
    }
}

// What a catalogue shows is chosen here: no hidden and no system entry, whatever the file
// system yields. A folder that cannot be read leaves no stale entry behind, and `File1`
// keeps its previous folder and files.
TEST(DirectoryEntries, ReadsOnlyWhatACatalogueShowsInOrder) {
    fakes::FakeFileSystem fs;
    for (const auto& [name, bits] : {std::pair{"b", 0u},
                                     {".dot", 0u},
                                     {".git", unsigned{Directory}},
                                     {"pipe", unsigned{System}},
                                     {"A", unsigned{Directory}},
                                     {"link", Link | Directory},
                                     {"c", unsigned{Link}}})
        fs.addEntry(std::string("/f/") + name, bits);
    DirectoryEntries entries;
    FileListing file1(fs);
    ASSERT_FALSE(entries.read(fs, "/f") || file1.assign("/f"));
    EXPECT_EQ(names(entries), (std::vector<std::string>{"A", "b", "c", "link"}));
    EXPECT_EQ(entries.attributes(3), unsigned{Link | Directory});
    fs.failFolder("/f", std::errc::io_error);
    EXPECT_EQ(entries.read(fs, "/f"), std::errc::io_error);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(file1.assign("/other"), std::errc::no_such_file_or_directory);
    EXPECT_EQ(file1.folder() + ":" + std::string(file1.at(0)) + std::string(file1.at(1)), "/f:bc");
    EXPECT_EQ(file1.count(), 2u);
}

} // namespace
} // namespace dorvantile
