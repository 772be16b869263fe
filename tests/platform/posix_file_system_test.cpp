#include "platform/attributes.h"
#include "platform/file_listing.h"
#include "platform/posix_file_system.h"
#include "support/temp_tree.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

using testing::TempTree;

std::vector<std::string> names(const DirectoryEntries& entries) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < entries.size(); ++i)
        out.emplace_back(entries.name(i));
    return out;
}

std::vector<std::string> listing(const FileListing& file1) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < file1.count(); ++i)
        out.emplace_back(file1.at(i));
    return out;
}

unsigned bitsOf(const DirectoryEntries& entries, std::string_view name) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries.name(i) == name)
            return entries.attributes(i);
    }
    ADD_FAILURE() << "no entry " << name;
    return ~0u;
}

TEST(PosixFileSystem, EnumeratesInCaseFoldedOrderWithoutHiddenEntries) {
    TempTree tree;
    for (const char* name :
         {"b.txt", "A.txt", "a.txt", "B", ".hidden", "c d", "Zeta", "_x", "caf\xE9", "\xFF\xFE n"})
        tree.file(name);
    tree.folder(".git/objects");
    PosixFileSystem fs;
    DirectoryEntries entries;
    ASSERT_FALSE(fs.enumerate(tree.root(), entries));
    // Lower-case forms first ("a.txt" twice: raw bytes break the tie, "A" < "a"); names that
    // are not UTF-8 come back byte for byte.
    EXPECT_EQ(names(entries), (std::vector<std::string>{"_x", "A.txt", "a.txt", "B", "b.txt", "c d",
                                                        "caf\xE9", "Zeta", "\xFF\xFE n"}));
}

TEST(PosixFileSystem, ReportsTheBitsOfWhatALinkPointsAt) {
    TempTree tree;
    tree.file("plain");
    tree.folder("dir");
    tree.link("to-file", "plain");
    tree.link("to-dir", "dir");
    tree.link("dangling", "nowhere");
    tree.link("loop", "loop");
    PosixFileSystem fs;
    DirectoryEntries entries;
    ASSERT_FALSE(fs.enumerate(tree.root(), entries));
    EXPECT_EQ(bitsOf(entries, "plain"), 0u);
    EXPECT_EQ(bitsOf(entries, "dir"), unsigned{Directory});
    EXPECT_EQ(bitsOf(entries, "to-file"), unsigned{Link});
    EXPECT_EQ(bitsOf(entries, "to-dir"), unsigned{Directory | Link});
    EXPECT_EQ(bitsOf(entries, "dangling"), unsigned{Link});
    EXPECT_EQ(bitsOf(entries, "loop"), unsigned{Link});

    EXPECT_EQ(fs.attributes(tree.path("to-dir")), unsigned{Directory | Link});
    EXPECT_EQ(fs.attributes(tree.path("dangling")), unsigned{Link});
    EXPECT_EQ(fs.attributes(tree.path("dir")), unsigned{Directory});
    EXPECT_FALSE(fs.attributes(tree.path("missing")).has_value());
}

TEST(PosixFileSystem, AttributesMarkHiddenNamesAndReadOnlyFilesButNeverReadOnlyFolders) {
    TempTree tree;
    tree.file("locked");
    tree.file(".dot");
    tree.folder("ro-dir");
    chmod(tree.path("locked").c_str(), 0444);
    chmod(tree.path("ro-dir").c_str(), 0555);
    tree.link(".hidden-link", "locked");
    PosixFileSystem fs;
    EXPECT_EQ(fs.attributes(tree.path("locked")), unsigned{ReadOnly});
    EXPECT_EQ(fs.attributes(tree.path(".dot")), unsigned{Hidden});
    EXPECT_EQ(fs.attributes(tree.path("ro-dir")), unsigned{Directory});
    EXPECT_EQ(fs.attributes(tree.path(".hidden-link")), unsigned{ReadOnly | Hidden | Link});
    // A read-only folder is still a plain sub-folder, so read-only media are catalogued.
    DirectoryEntries entries;
    ASSERT_FALSE(fs.enumerate(tree.root(), entries));
    EXPECT_TRUE(isSubFolder(bitsOf(entries, "ro-dir")));
}

TEST(PosixFileSystem, LeavesOutFifosAndLinksToThemAsSystemEntries) {
    TempTree tree;
    tree.file("kept");
    ASSERT_EQ(mkfifo(tree.path("pipe").c_str(), 0644), 0);
    tree.link("to-pipe", "pipe");
    PosixFileSystem fs;
    DirectoryEntries entries;
    ASSERT_FALSE(fs.enumerate(tree.root(), entries));
    EXPECT_EQ(names(entries), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(fs.attributes(tree.path("pipe")), unsigned{System});
    EXPECT_EQ(fs.enumerate("/no/such/folder", entries),
              std::make_error_code(std::errc::no_such_file_or_directory));
}

TEST(FileListing, ListsFilesAndLinksToFilesButNoFoldersDotFilesOrFifos) {
    TempTree tree;
    tree.file("Report.DOC");
    tree.file(".profile");
    tree.folder("sub");
    tree.link("link-file", "Report.DOC");
    tree.link("link-dir", "sub");
    tree.link("dangling", "gone");
    ASSERT_EQ(mkfifo(tree.path("fifo").c_str(), 0644), 0);
    PosixFileSystem fs;
    FileListing file1(fs);
    ASSERT_FALSE(file1.assign(tree.root()));
    EXPECT_EQ(listing(file1), (std::vector<std::string>{"dangling", "link-file", "Report.DOC"}));
    EXPECT_EQ(file1.folder(), tree.root());
}

TEST(FileListing, KeepsTheOldListingWhenTheNewFolderCannotBeRead) {
    TempTree tree;
    tree.file("one/a.txt");
    tree.folder("two");
    PosixFileSystem fs;
    FileListing file1(fs);
    ASSERT_FALSE(file1.assign(tree.path("one")));
    std::filesystem::remove_all(tree.path("two"));
    EXPECT_TRUE(file1.assign(tree.path("two")));
    EXPECT_EQ(file1.folder(), tree.path("one"));
    EXPECT_EQ(listing(file1), (std::vector<std::string>{"a.txt"}));
}

// Root reads every folder whatever its permissions, so the check runs in a child process
// that has given up root.
TEST(FileListing, AFolderWithoutReadPermissionFailsWithPermissionDenied) {
    TempTree tree;
    tree.file("closed/secret.txt");
    chmod(tree.root().c_str(), 0755);
    chmod(tree.path("closed").c_str(), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        PosixFileSystem fs;
        FileListing file1(fs);
        const std::error_code error = file1.assign(tree.path("closed"));
        _exit(error == std::errc::permission_denied ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not denied, 3: could not drop root";
}

} // namespace
} // namespace dorvantile
