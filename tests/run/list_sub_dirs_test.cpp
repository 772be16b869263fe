#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/posix_file_system.h"
#include "run/list_sub_dirs.h"
#include "support/fake_feedback.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

namespace dorvantile {
namespace {

std::vector<std::string> collect(FileSystem& fs, const std::string& folder,
                                 fakes::FakeFeedback* feedback = nullptr) {
    FolderList list1;
    fakes::FakeFeedback quiet;
    EXPECT_FALSE(ListSubDirs(fs, list1, folder, feedback ? *feedback : quiet));
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list1.count(); ++i)
        out.push_back(list1.at(i).substr(folder.size()));
    return out;
}

// Depth-first pre-order, siblings in the platform's order, names byte for byte; hidden
// folders, links to folders (a loop among them) and dangling links are left out with
// everything beneath them.
TEST(ListSubDirs, CollectsPlainFoldersInDepthFirstPreOrder) {
    testing::TempTree tree;
    for (const char* folder :
         {"Old/2003", "Old/2002", "new", ".git/refs", "..dots", "caf\xE9", "two  spaces"})
        tree.folder(folder);
    tree.file("a.txt");
    tree.link("shortcut", "Old");
    tree.link("Old/2002/up", "../.."); // a loop back to the top
    tree.link("gone", "missing");
    PosixFileSystem fs;
    EXPECT_EQ(
        collect(fs, tree.root() + "/"),
        (std::vector<std::string>{"caf\xE9", "new", "Old", "Old/2002", "Old/2003", "two  spaces"}));
}

// A folder whose read fails, even midway, adds nothing beneath it and is reported; the
// chosen folder's failure is the caller's.
TEST(ListSubDirs, AdmitsOnlyExactlyDirectoryGoesOnPastUnreadableFoldersAndReports) {
    fakes::FakeFileSystem fs;
    for (const unsigned bits : {unsigned{Directory}, Directory | Link, Directory | Archive})
        fs.addFolder("/c/" + std::to_string(bits), bits),
            fs.addFolder("/c/" + std::to_string(bits) + "/x");
    fs.addFolder("/c/failing/below");
    fs.failFolder("/c/failing", std::errc::io_error);
    fs.addEntry("/c/file", 0);
    fakes::FakeFeedback feedback;
    EXPECT_EQ(collect(fs, "/c/", &feedback), (std::vector<std::string>{"16", "16/x", "failing"}));
    EXPECT_EQ(collect(fs, "/"), (std::vector<std::string>{"c", "c/16", "c/16/x", "c/failing"}));
    FolderList none;
    EXPECT_EQ(ListSubDirs(fs, none, "/c/failing/", feedback), std::errc::io_error);
    EXPECT_EQ(none.count(), 0u);
    ASSERT_EQ(feedback.unreadable.size(), 1u);
    EXPECT_EQ(feedback.unreadable[0].first + ": " + feedback.unreadable[0].second.message(),
              "/c/failing: Input/output error");
    for (int i = 0; i < 5000; ++i)
        fs.addFolder("/big/f" + std::to_string(i));
    EXPECT_FALSE(ListSubDirs(fs, none, "/big/", feedback));
    ASSERT_EQ(feedback.beats.size(), 2u); // every 2,048 entries
    EXPECT_EQ(feedback.beats[0].folders, 2047);
    EXPECT_EQ(feedback.beats[1].folders, 4095);
}

} // namespace
} // namespace dorvantile
