#include "platform/attributes.h"
#include "platform/descriptor.h"
#include "platform/file_listing.h"
#include "platform/posix_file_system.h"
#include "support/temp_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace dorvantile {
namespace {

using testing::TempTree;

struct AllEntries final : EntrySink {
    std::map<std::string, unsigned> bits;
    void add(std::string_view name, unsigned attributes) override { bits[std::string(name)] = attributes; }
};

std::vector<std::string> listing(const FileListing& file1) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < file1.count(); ++i)
        out.emplace_back(file1.at(i));
    return out;
}

// One tree of every kind of entry, read through the directory's types and again as a file
// system that reports none (every entry then costs a stat): both give the same bits.
TEST(PosixFileSystem, ReportsTheBitsOfEveryKindOfEntry) {
    TempTree tree;
    tree.file("plain");
    tree.file(".dot");
    tree.folder("dir");
    tree.folder("ro-dir");
    tree.file("locked");
    chmod(tree.path("locked").c_str(), 0444);
    chmod(tree.path("ro-dir").c_str(), 0555);
    tree.link("to-file", "plain");
    tree.link("to-dir", "dir");
    tree.link("dangling", "nowhere");
    tree.link("loop", "loop");
    tree.link(".hidden-link", "locked");
    ASSERT_EQ(mkfifo(tree.path("pipe").c_str(), 0644), 0);
    tree.link("to-pipe", "pipe");
    const std::map<std::string, unsigned> expected = {
        {"plain", 0},           {".dot", Hidden},         {"dir", Directory},
        {"ro-dir", Directory},  {"locked", 0},            {"to-file", Link},
        {"to-dir", Directory | Link}, {"dangling", Link}, {"loop", Link},
        {".hidden-link", Hidden | Link}, {"pipe", System}, {"to-pipe", System | Link}};
    PosixFileSystem fs;
    AllEntries entries;
    ASSERT_FALSE(fs.enumerate(tree.root(), entries));
    EXPECT_EQ(entries.bits, expected);

    const Descriptor dir(open(tree.root().c_str(), O_RDONLY | O_DIRECTORY));
    for (const auto& [name, bits] : expected)
        EXPECT_EQ(entryBits(dir.get(), name.c_str(), DT_UNKNOWN).value_or(~0u) | (name[0] == '.' ? Hidden : 0u), bits) << name;
    EXPECT_FALSE(entryBits(dir.get(), "vanished", DT_UNKNOWN).has_value());

    // Asked one by one, read-only files (never folders) are marked, so read-only media are
    // still catalogued whole.
    EXPECT_EQ(fs.attributes(tree.path("locked")), unsigned{ReadOnly});
    EXPECT_EQ(fs.attributes(tree.path("ro-dir")), unsigned{Directory});
    EXPECT_EQ(fs.attributes(tree.path(".hidden-link")), unsigned{ReadOnly | Hidden | Link});
    EXPECT_EQ(fs.attributes(tree.path("dangling")), unsigned{Link});
    EXPECT_EQ(fs.attributes(tree.path("pipe")), unsigned{System});
    EXPECT_FALSE(fs.attributes(tree.path("missing")).has_value());
    EXPECT_EQ(fs.enumerate(tree.path("missing"), entries), std::errc::no_such_file_or_directory);
}

// A large folder takes several reads of the directory; names come back byte for byte.
TEST(PosixFileSystem, ReadsLargeFoldersAndForeignBytesWhole) {
    TempTree tree;
    for (int i = 0; i < 5000; ++i)
        tree.file("many/file-with-a-long-name-to-fill-the-buffer-" + std::to_string(i));
    tree.file("many/caf\xE9");
    PosixFileSystem fs;
    AllEntries entries;
    ASSERT_FALSE(fs.enumerate(tree.path("many") + "/", entries));
    EXPECT_EQ(entries.bits.size(), 5001u);
    EXPECT_EQ(entries.bits.count("caf\xE9"), 1u);
}

TEST(FileListing, ListsFilesAndLinksToFilesAndKeepsTheOldListingOnFailure) {
    TempTree tree;
    tree.file("one/Report.DOC");
    tree.file("one/.profile");
    tree.folder("one/sub");
    tree.link("one/link-file", "Report.DOC");
    tree.link("one/link-dir", "sub");
    tree.link("one/dangling", "gone");
    ASSERT_EQ(mkfifo(tree.path("one/fifo").c_str(), 0644), 0);
    PosixFileSystem fs;
    FileListing file1(fs);
    ASSERT_FALSE(file1.assign(tree.path("one")));
    EXPECT_EQ(listing(file1), (std::vector<std::string>{"dangling", "link-file", "Report.DOC"}));
    EXPECT_EQ(file1.assign(tree.path("two")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(file1.folder(), tree.path("one"));
    EXPECT_EQ(listing(file1).size(), 3u);
}

} // namespace
} // namespace dorvantile
