#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/posix_file_system.h"
#include "run/list_sub_dirs.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dorvantile {
namespace {

using testing::TempTree;

std::vector<std::string> collect(FileSystem& fs, const std::string& folder,
                                 fakes::FakeFeedback* feedback = nullptr) {
    FolderList list1;
    fakes::FakeFeedback ignored;
    ListSubDirs(fs, list1, folder, feedback ? *feedback : ignored);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list1.count(); ++i)
        out.push_back(list1.at(i));
    return out;
}

// Depth-first pre-order, siblings in the platform's order, names byte for byte; hidden
// folders, links to folders (a loop among them) and dangling links are left out with
// everything beneath them.
TEST(ListSubDirs, CollectsPlainFoldersInDepthFirstPreOrder) {
    TempTree tree;
    tree.file("w/a.txt");
    tree.folder("w/Old/2003");
    tree.folder("w/Old/2002");
    tree.folder("w/new");
    tree.folder("w/.git/refs");
    tree.folder("w/..dots");
    tree.folder("w/caf\xE9");
    tree.folder("w/two  spaces");
    tree.link("w/shortcut", "Old");
    tree.link("w/Old/2002/up", "../.."); // a loop back to w
    tree.link("w/gone", "missing");
    PosixFileSystem fs;
    const std::string w = tree.path("w");
    EXPECT_EQ(collect(fs, w + "/"),
              (std::vector<std::string>{w + "/caf\xE9", w + "/new", w + "/Old", w + "/Old/2002",
                                        w + "/Old/2003", w + "/two  spaces"}));
}

TEST(ListSubDirs, AdmitsOnlyExactlyDirectoryAndGoesOnPastUnreadableFolders) {
    fakes::FakeFileSystem fs;
    fs.addFolder("/c/plain/x");
    fs.addFolder("/c/linked", Directory | Link);
    fs.addFolder("/c/linked/x");
    fs.addFolder("/c/odd", Directory | Archive);
    fs.addFolder("/c/odd/x");
    fs.addFolder("/c/locked/below");
    fs.failFolder("/c/locked", std::errc::permission_denied);
    fs.addEntry("/c/file", 0);
    EXPECT_EQ(collect(fs, "/c/"), (std::vector<std::string>{"/c/locked", "/c/plain", "/c/plain/x"}));
    // The root gives no doubled separator, and a second collection the same list.
    fs.addFolder("/d");
    EXPECT_EQ(collect(fs, "/").front(), "/c");
    EXPECT_EQ(collect(fs, "/"), collect(fs, "/"));
}

TEST(ListSubDirs, ReportsProgressEveryFewThousandEntries) {
    fakes::FakeFileSystem fs;
    for (int i = 0; i < 5000; ++i)
        fs.addFolder("/big/f" + std::to_string(i));
    fakes::FakeFeedback feedback;
    EXPECT_EQ(collect(fs, "/big/", &feedback).size(), 5000u);
    ASSERT_EQ(feedback.beats.size(), 2u);
    EXPECT_EQ(feedback.beats[0].folders, 2047);
    EXPECT_EQ(feedback.beats[1].folders, 4095);
}

} // namespace
} // namespace dorvantile
