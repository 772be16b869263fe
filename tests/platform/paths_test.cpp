#include "platform/fakes/fake_system.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace dorvantile {
namespace {

TEST(Paths, TheChosenFolderIsAbsoluteWithDotsResolvedAndNoTrailingSeparator) {
    for (const auto& [given, expected] : {std::pair{"Work/", "/home/ann/Work"},
                                          {"./a/../b//c/.", "/home/ann/b/c"},
                                          {"/", "/"},
                                          {"", "/home/ann"},
                                          {"../../..", "/"},
                                          {"/my.dir/..dots/...", "/my.dir/..dots/..."}})
        EXPECT_EQ(normalizeFolder(given, "/home/ann"), expected);
    EXPECT_EQ(withSeparator("/") + withSeparator("/a") + withSeparator(""), "//a//");
}

struct AppFolderCase {
    const char* program;
    const char* xdg;
    const char* home;
    const char* expected;
    const char* passwordHome = nullptr;
};

// Beside the program only where the build's marker lies and the user may write: an
// installed program, whatever its prefix, writes into the user's data folder, which is made
// with every folder above it.
TEST(Paths, TheAppFolderIsTheProgramsFolderOnlyInABuildTreeOrPortableCopy) {
    const AppFolderCase cases[] = {
        {"/home/ann/build/dorvantile", nullptr, "/home/ann", "/home/ann/build"},
        {"/dorvantile", nullptr, "/home/ann", "/"},
        {"/opt/d/dorvantile", nullptr, "/home/ann", "/home/ann/.local/share/dorvantile"},
        {"/home/ann/.local/bin/dorvantile", nullptr, "/h", "/h/.local/share/dorvantile"},
        {"/usr/bin/dorvantile", "/x/data", "/h", "/x/data/dorvantile"},
        {"/bin/dorvantile", "relative", "/h/", "/h/.local/share/dorvantile"},
        {"/sbin/dorvantile", nullptr, "", "/pw/ann/.local/share/dorvantile", "/pw/ann"},
        {"/sbin/dorvantile", nullptr, "", ""}, // no folder at all, and never one in /tmp
        {"", nullptr, "/h", "/h/.local/share/dorvantile"},
        {"/bin/dorvantile", nullptr, "h", "/pw/h/.local/share/dorvantile", "/pw/h"},
        {"/bin/dorvantile", nullptr, "h", ""},
    };
    for (const AppFolderCase& c : cases) {
        fakes::FakeEnvironment environment;
        environment.program = c.program;
        // Marked beside the build and two copies, one read-only (/opt/d); root may write in
        // /usr/bin too.
        environment.files = {"/home/ann/build/dorvantile.portable", "/dorvantile.portable",
                             "/opt/d/dorvantile.portable"};
        environment.writable = {"/home/ann/build", "/", "/home/ann/.local/bin", "/usr/bin"};
        if (c.xdg)
            environment.variables["XDG_DATA_HOME"] = c.xdg;
        environment.variables["HOME"] = c.home;
        if (c.passwordHome)
            environment.home = c.passwordHome;
        std::string problem;
        const std::string found = appFolder(environment, environment, problem);
        EXPECT_EQ(found, c.expected) << c.program;
        EXPECT_EQ(problem, found.empty() ? std::string("HOME is not ") +
                                               (*c.home ? "an absolute path" : "set") +
                                               " and the user has no home folder"
                                         : "");
        if (found.ends_with("/dorvantile")) { // made for its owner alone, as XDG asks
            EXPECT_EQ(environment.ownerOnlyFolders.count(found), 1u) << found;
        }
    }
    // A data folder that cannot be made stops at the folder that failed, named with its reason.
    fakes::FakeEnvironment environment;
    environment.variables["HOME"] = "/home/ann";
    environment.failures.failOn("makeFolder", std::errc::permission_denied, 3);
    std::string problem;
    EXPECT_EQ(appFolder(environment, environment, problem), "");
    EXPECT_EQ(problem, "cannot make /home/ann/.local: Permission denied");
    EXPECT_EQ(environment.folders, (std::set<std::string>{"/home", "/home/ann"}));
}

} // namespace
} // namespace dorvantile
