#include "platform/attributes.h"
#include "platform/descriptor.h"
#include "platform/fakes/fake_system.h"
#include "platform/posix_file_system.h"
#include "support/temp_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace dorvantile {
namespace {

std::error_code enumerate(FileSystem& fs, const std::string& folder, EntrySink& out) {
    std::unique_ptr<OpenFolder> open;
    const std::error_code error = fs.openFolder(folder, open);
    return error ? error : open->read(out);
}

using testing::TempTree;

struct AllEntries final : EntrySink {
    std::map<std::string, unsigned> bits;
    void add(std::string_view name, unsigned attributes) override {
        bits[std::string(name)] = attributes;
    }
};

// One tree of every kind of entry, read with the directory's types and again as a file
// system that reports none (each entry then costs a stat): both give the same bits.
TEST(PosixFileSystem, ReportsTheBitsOfEveryKindOfEntry) {
    TempTree tree;
    for (const char* name : {"plain", ".dot", "locked", "many/caf\xE9"})
        tree.file(name);
    for (int i = 0; i < 3000; ++i) // a folder that takes several reads of the directory
        tree.file("many/a-long-name-that-fills-the-buffer-" + std::to_string(i));
    tree.folder("ro-dir");
    chmod(tree.path("locked").c_str(), 0444);
    chmod(tree.path("ro-dir").c_str(), 0555);
    const std::pair<const char*, const char*> links[] = {
        {"to-file", "plain"}, {"to-dir", "many"},         {"dangling", "nowhere"},
        {"loop", "loop"},     {".hidden-link", "locked"}, {"to-pipe", "pipe"}};
    for (const auto& [link, target] : links)
        tree.link(link, target);
    ASSERT_EQ(mkfifo(tree.path("pipe").c_str(), 0644), 0);
    const unsigned H = Hidden, D = Directory, L = Link, S = System;
    const std::map<std::string, unsigned> expected = {
        {"plain", 0},  {".dot", H},    {"locked", 0},           {"many", D},
        {"ro-dir", D}, {"to-file", L}, {"dangling", L},         {"to-dir", D | L},
        {"loop", L},   {"pipe", S},    {".hidden-link", H | L}, {"to-pipe", S | L}};
    PosixFileSystem fs;
    AllEntries entries;
    ASSERT_FALSE(enumerate(fs, tree.root(), entries));
    EXPECT_EQ(entries.bits, expected);
    Descriptor opened(open(tree.root().c_str(), O_RDONLY | O_DIRECTORY));
    const Descriptor dir(std::move(opened));
    ASSERT_TRUE(dir.valid() && !opened.valid()); // NOLINT: a moved-from descriptor owns nothing
    for (const auto& [name, bits] : expected)
        EXPECT_EQ(*entryBits(dir.get(), name.c_str(), DT_UNKNOWN), bits & ~H) << name;
    EXPECT_FALSE(entryBits(dir.get(), "vanished", DT_UNKNOWN).has_value());
    AllEntries many;
    ASSERT_FALSE(enumerate(fs, tree.path("many") + "/", many));
    EXPECT_EQ(many.bits.size(), 3001u);
    EXPECT_EQ(many.bits.count("caf\xE9"), 1u);

    // Asked one by one, read-only files (never folders) are marked, so read-only media are
    // still catalogued whole.
    EXPECT_EQ(fs.attributes(tree.path("locked")), unsigned{ReadOnly});
    EXPECT_EQ(fs.attributes(tree.path("plain")), 0u);
    EXPECT_EQ(fs.attributes(tree.path("ro-dir")), unsigned{Directory});
    EXPECT_EQ(fs.attributes(tree.path(".hidden-link")), unsigned{ReadOnly | Hidden | Link});
    EXPECT_EQ(fs.attributes(tree.path("dangling")), unsigned{Link});
    EXPECT_EQ(fs.attributes(tree.path("pipe")), unsigned{System});
    EXPECT_FALSE(fs.attributes(tree.path("missing")).has_value());
    EXPECT_EQ(enumerate(fs, tree.path("missing"), entries), std::errc::no_such_file_or_directory);
}

struct Collected final : ContentSink {
    std::string bytes;
    void take(std::string_view piece) override { bytes.append(piece); }
};

// A file is read whole as the walk saw it: in one piece or several, also through a link. One
// changed since the walk read its details, in size or only in time, is told as changed; what
// is no regular file, a FIFO or a device behind a link, is never read to its end nor waited on;
// one whose bytes are not as many as its size says (the kernel's own files) is told as changed.
TEST(PosixFileSystem, ReadsAFileAsTheWalkSawItOrSaysWhyNot) {
    TempTree tree;
    const std::string large((1 << 20) * 2 + 1, 'x');
    tree.file("large", large);
    tree.file("small", "abc");
    tree.link("to-large", "large");
    tree.link("to-null", "/dev/null");
    tree.link("to-zero", "/dev/zero");
    tree.link("to-kernel", "/proc/self/status"); // a size of 0, and bytes to read
    ASSERT_EQ(mkfifo(tree.path("pipe").c_str(), 0644), 0);
    PosixFileSystem fs;
    std::unique_ptr<OpenFolder> folder;
    ASSERT_FALSE(fs.openFolder(tree.root(), folder));
    const auto read = [&](const char* name, bool follow, const EntryDetails& expected) {
        Collected out;
        const std::error_code error = folder->readContent(name, follow, expected, out);
        return std::make_pair(error, out.bytes);
    };
    const auto seen = [&](const char* name) {
        EntryDetails details;
        EXPECT_FALSE(folder->entryDetails(name, 0, details)) << name;
        return details;
    };
    const EntryDetails large0 = seen("large"), small0 = seen("small");
    EXPECT_EQ(read("large", false, large0), std::make_pair(std::error_code(), large));
    EXPECT_EQ(read("to-large", true, large0), std::make_pair(std::error_code(), large));
    EXPECT_EQ(read("to-large", false, large0).first, std::errc::too_many_symbolic_link_levels);
    EXPECT_EQ(read("small", false, small0), std::make_pair(std::error_code(), std::string("abc")));
    EXPECT_EQ(read("small", false, {4, small0.modified}).first, ContentFault::Changed);
    const FileTime t = small0.modified; // a change within the same second counts as much
    EXPECT_EQ(read("small", false, {3, {t.seconds - 1, t.nanoseconds}}).first,
              ContentFault::Changed);
    EXPECT_EQ(read("small", false, {3, {t.seconds, (t.nanoseconds + 1) % 1'000'000'000}}).first,
              ContentFault::Changed);
    tree.file("small", "abcd"); // rewritten since the walk
    EXPECT_EQ(read("small", false, small0).first, ContentFault::Changed);
    EXPECT_EQ(read("pipe", false, {}).first, ContentFault::NotAFile);
    EXPECT_EQ(read("to-null", true, {}).first, ContentFault::NotAFile);
    EXPECT_EQ(read("to-zero", true, {}).first, ContentFault::NotAFile);
    EXPECT_EQ(read("to-zero", true, {large.size(), {}}).first, ContentFault::NotAFile);
    EXPECT_EQ(read("missing", false, {}).first, std::errc::no_such_file_or_directory);
    EntryDetails kernel;
    ASSERT_FALSE(folder->entryDetails("to-kernel", Link, kernel));
    EXPECT_EQ(kernel.size, 0u);
    EXPECT_EQ(read("to-kernel", true, kernel).first, ContentFault::Changed);
}

// A folder on which the mount table has a file system reads as a link to a folder, so that a
// catalogue stays on one file system, also below a root reached through a link; the table is
// read again at each refresh, and without one every folder is a plain one.
TEST(PosixFileSystem, MarksTheFoldersOnWhichAFileSystemIsMounted) {
    TempTree tree;
    tree.folder("disk/usb");
    tree.folder("disk/plain");
    tree.file("disk/note", "a file with another bound over it stays a file");
    tree.link("alias", "disk");
    const std::string real = std::filesystem::canonical(tree.path("disk")).string();
    fakes::FakeEnvironment mounts;
    mounts.mounts = "40 27 8:17 / " + real + "/usb rw - vfat /dev/sdc1 rw\n" +
                    "41 27 8:1 /etc/hosts " + real + "/note rw - ext4 /dev/sda1 rw\n";
    PosixFileSystem fs(mounts);
    const auto bits = [&fs](const std::string& folder) {
        AllEntries entries;
        EXPECT_FALSE(enumerate(fs, folder, entries)) << folder;
        return entries.bits;
    };
    const std::map<std::string, unsigned> mounted = {
        {"usb", Directory | Link}, {"plain", Directory}, {"note", 0u}};
    EXPECT_EQ(bits(real), mounted);
    fs.refresh(tree.path("alias"));
    EXPECT_EQ(bits(tree.path("alias")), mounted);
    mounts.failures.failOn("mountTable", std::errc::no_such_file_or_directory);
    fs.refresh("/");
    EXPECT_EQ(bits(real).at("usb"), unsigned{Directory});
}

} // namespace
} // namespace dorvantile
