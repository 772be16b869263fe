// The walk on the real file system: a tree deeper than the folders it keeps open, a folder
// swapped for a link while the walk is on its way, and an entry asked for more of its open
// folder; and any stream read ahead on a thread of its own.
#include "catalogue/read_ahead.h"
#include "catalogue/tree_walk.h"
#include "platform/posix_file_system.h"
#include "support/fake_feedback.h"
#include "support/temp_tree.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <stdexcept>

namespace dorvantile {
namespace {

using testing::TempTree;

// The entries of a walk, one line each: the folder's path below the chosen one and a name.
std::vector<std::string> entries(EntryStream& walk) {
    std::vector<std::string> out;
    CatalogueEntry entry;
    while (walk.next(entry))
        out.push_back(std::string(entry.below) + "|" + std::string(entry.name));
    return out;
}

// Past the folders it keeps open, the walk closes the shallowest and opens them again, name
// by name, to reach the sub-folders that follow: every folder is walked, in order.
TEST(TreeWalk, WalksAnyDepthWithinItsDescriptors) {
    TempTree tree;
    std::string path = "r";
    const std::size_t depth = TreeWalk::openFolders + 20;
    for (std::size_t i = 0; i < depth; ++i) {
        tree.file(path + "/b/f");
        path += "/a";
    }
    tree.file(path + "/deepest");
    PosixFileSystem fs;
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("r"), {}, feedback);
    const std::vector<std::string> found = entries(walk);
    EXPECT_TRUE(feedback.unreadable.empty());
    EXPECT_EQ(walk.totals().folders, static_cast<std::int64_t>(2 * depth));
    EXPECT_EQ(walk.totals().files, static_cast<std::int64_t>(depth + 1));
    // The last entries: the "b" of the first levels, each after the whole "a" beneath it.
    ASSERT_GE(found.size(), 4u);
    EXPECT_EQ(found[found.size() - 4], "a/b|");
    EXPECT_EQ(found[found.size() - 2], "b|");
    EXPECT_EQ(found.back(), "b|f");
}

// A folder swapped for a link to a folder outside the tree after its parent was read is
// not followed: it is a folder that cannot be read, and nothing outside is listed.
TEST(TreeWalk, NeverFollowsAFolderSwappedForALink) {
    TempTree tree;
    tree.file("tree/a/inside.txt");
    tree.file("outside/secret.txt");
    PosixFileSystem fs;
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("tree"), {}, feedback);
    ASSERT_FALSE(walk.start());
    ASSERT_EQ(std::rename(tree.path("tree/a").c_str(), tree.path("tree/.a").c_str()), 0);
    tree.link("tree/a", "../outside");
    const std::vector<std::string> found = entries(walk);
    EXPECT_EQ(found, (std::vector<std::string>{"|", "a|"}));
    ASSERT_EQ(feedback.unreadable.size(), 1u);
    EXPECT_EQ(feedback.unreadable[0].first, tree.path("tree/a"));
    EXPECT_EQ(feedback.unreadable[0].second, std::errc::not_a_directory);
}

// What the walk hands on may ask more of the folder that holds it, with no path.
TEST(TreeWalk, AnEntryAsksItsOpenFolder) {
    TempTree tree;
    tree.file("w/seven.txt", "1234567");
    PosixFileSystem fs;
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("w"), {}, feedback);
    CatalogueEntry entry;
    ASSERT_TRUE(walk.next(entry) && walk.next(entry));
    ASSERT_EQ(entry.name, "seven.txt");
    EXPECT_FALSE(entry.known); // the listing did not ask for details
    EntryDetails details;
    ASSERT_NE(entry.at, nullptr);
    ASSERT_FALSE(entry.at->entryDetails(entry.name, 0, details));
    EXPECT_EQ(details.size, 7u);
}

// A stream that throws on the reading thread ends with its reason, never the process.
TEST(ReadAhead, EndsWithWhatEndedTheStream) {
    struct Failing final : EntryStream {
        int given = 0;
        bool next(CatalogueEntry& entry) override {
            if (given == 3000)
                throw std::runtime_error("disk gone");
            entry = {};
            entry.folder = "/x/y";
            entry.below = std::string_view(entry.folder).substr(3);
            entry.name = "n";
            entry.kind = EntryKind::File;
            ++given;
            return true;
        }
        Totals totals() const override { return {1, given, 0}; }
    };
    ReadAhead ahead(std::make_unique<Failing>());
    std::vector<std::string> found = entries(ahead);
    EXPECT_EQ(found.size(), 3000u);
    EXPECT_EQ(found.back(), "y|n");
    EXPECT_EQ(ahead.failure(), "disk gone");
    EXPECT_EQ(ahead.totals().files, 3000);
}

} // namespace
} // namespace dorvantile
