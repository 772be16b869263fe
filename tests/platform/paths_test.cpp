#include "platform/paths.h"
#include "support/temp_tree.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace dorvantile {
namespace {

TEST(Paths, TheChosenFolderIsAbsoluteWithDotsResolvedAndNoTrailingSeparator) {
    EXPECT_EQ(normalizeFolder("Work/", "/home/ann"), "/home/ann/Work");
    EXPECT_EQ(normalizeFolder("./a/../b//c/.", "/x"), "/x/b/c");
    EXPECT_EQ(normalizeFolder("/", "/x"), "/");
    EXPECT_EQ(normalizeFolder("../../..", "/x/y"), "/");
    EXPECT_EQ(normalizeFolder("/srv/my.folder/..dots", "/"), "/srv/my.folder/..dots");
    EXPECT_EQ(withSeparator("/"), "/");
    EXPECT_EQ(withSeparator("/a"), "/a/");
}

TEST(Paths, TheAppFolderIsTheProgramsFolderOnlyWhereTheUserMayWrite) {
    testing::TempTree tree;
    tree.folder("bin");
    EXPECT_EQ(appFolderOf(tree.path("bin/dorvantile")), tree.path("bin"));

    tree.folder("home");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", tree.path("home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    // An installed program writes to its folder in the user's data folder, made on first use.
    const std::string data = tree.path("home/.local/share/dorvantile");
    EXPECT_EQ(appFolderOf("/usr/local/bin/dorvantile"), data);
    EXPECT_TRUE(std::filesystem::is_directory(data));
    EXPECT_EQ(appFolderOf("/bin/dorvantile"), data);
    setenv("XDG_DATA_HOME", tree.path("xdg").c_str(), 1);
    EXPECT_EQ(appFolderOf("/usr/bin/dorvantile"), tree.path("xdg/dorvantile"));
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace dorvantile
