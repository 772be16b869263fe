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

std::vector<std::string> collect(FileSystem& fs, const std::string& folder) {
    FolderList list1;
    fakes::FakeFeedback feedback;
    ListSubDirs(fs, list1, folder, feedback);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list1.count(); ++i)
        out.push_back(list1.at(i));
    return out;
}

TEST(ListSubDirs, CollectsInDepthFirstPreOrderWithoutTheChosenFolder) {
    TempTree tree;
    tree.file("Work/a.txt");
    tree.file("Work/b.txt");
    tree.folder("Work/Old/2002");
    tree.folder("Work/Old/2003");
    tree.folder("Work/New");
    PosixFileSystem fs;
    const std::string work = tree.path("Work");
    EXPECT_EQ(collect(fs, work + "/"),
              (std::vector<std::string>{work + "/New", work + "/Old", work + "/Old/2002",
                                        work + "/Old/2003"}));
}

TEST(ListSubDirs, LeavesOutHiddenFoldersAndLinksToFoldersWithEverythingBeneath) {
    TempTree tree;
    tree.folder("w/.git/refs");
    tree.folder("w/real/inner");
    tree.link("w/shortcut", "real");
    tree.link("w/real/inner/up", "../.."); // a loop back to w
    tree.link("w/gone", "missing");
    tree.file("w/real/file.txt");
    PosixFileSystem fs;
    const std::string w = tree.path("w");
    EXPECT_EQ(collect(fs, w + "/"), (std::vector<std::string>{w + "/real", w + "/real/inner"}));
}

TEST(ListSubDirs, KeepsNamesWithDotsSpacesAndForeignBytesExactly) {
    TempTree tree;
    const std::vector<std::string> odd = {"my.folder", "two  spaces", "caf\xE9", "\xE2\x82\xAC uro",
                                          "..dots"};
    for (const std::string& name : odd)
        tree.folder("r/" + name);
    PosixFileSystem fs;
    const std::string r = tree.path("r");
    // "..dots" is hidden (it begins with "."); the others come back byte for byte.
    EXPECT_EQ(collect(fs, r + "/"),
              (std::vector<std::string>{r + "/caf\xE9", r + "/my.folder", r + "/two  spaces",
                                        r + "/\xE2\x82\xAC uro"}));
}

TEST(ListSubDirs, CollectsEverySiblingAroundTheOldGrowthSteps) {
    for (const int count : {10, 11, 21}) {
        TempTree tree;
        std::vector<std::string> expected;
        for (int i = 0; i < count; ++i) {
            const std::string name = (i < 10 ? "d0" : "d") + std::to_string(i);
            tree.folder(std::string("s/") + name + "/leaf");
            expected.push_back(tree.path(std::string("s/") + name));
            expected.push_back(tree.path(std::string("s/") + name + "/leaf"));
        }
        PosixFileSystem fs;
        EXPECT_EQ(collect(fs, tree.path("s") + "/"), expected) << count << " siblings";
    }
}

TEST(ListSubDirs, GivesTheSameListTwiceAndNoDoubledSeparatorAtTheRoot) {
    fakes::FakeFileSystem fs;
    fs.addFolder("/data/b");
    fs.addFolder("/data/A");
    fs.addEntry("/readme", 0);
    const std::vector<std::string> first = collect(fs, "/");
    EXPECT_EQ(first, (std::vector<std::string>{"/data", "/data/A", "/data/b"}));
    EXPECT_EQ(collect(fs, "/"), first);
}

TEST(ListSubDirs, SkipsAFolderThatCannotBeReadAndGoesOn) {
    fakes::FakeFileSystem fs;
    fs.addFolder("/c/locked/below");
    fs.addFolder("/c/open/below");
    fs.failFolder("/c/locked", std::errc::permission_denied);
    EXPECT_EQ(collect(fs, "/c/"),
              (std::vector<std::string>{"/c/locked", "/c/open", "/c/open/below"}));
}

TEST(ListSubDirs, AdmitsOnlyEntriesWhoseBitsAreExactlyDirectory) {
    fakes::FakeFileSystem fs;
    fs.addFolder("/c/plain/x");
    fs.addFolder("/c/linked", Directory | Link);
    fs.addFolder("/c/linked/x");
    fs.addFolder("/c/odd", Directory | Archive);
    fs.addFolder("/c/odd/x");
    fs.addEntry("/c/file", 0);
    EXPECT_EQ(collect(fs, "/c/"), (std::vector<std::string>{"/c/plain", "/c/plain/x"}));
}

TEST(ListSubDirs, ReportsProgressWhileItWorks) {
    fakes::FakeFileSystem fs;
    for (int i = 0; i < 5000; ++i)
        fs.addFolder("/big/f" + std::to_string(i));
    FolderList list1;
    fakes::FakeFeedback feedback;
    ListSubDirs(fs, list1, "/big/", feedback);
    EXPECT_EQ(list1.count(), 5000u);
    ASSERT_GE(feedback.beats.size(), 2u);
    EXPECT_GT(feedback.beats.back().folders, feedback.beats.front().folders);
}

} // namespace
} // namespace dorvantile
