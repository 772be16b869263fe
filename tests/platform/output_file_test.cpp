// A catalogue file replaces the old one only when it is complete: every call to the file
// system of each case, and what is on disk after it, against tests/golden/output_file.journal.
// Whatever call fails, the old file stays as it was, nothing is left behind, and the message
// names the file and the reason.
#include "platform/fakes/fake_system.h"
#include "platform/output_file.h"
#include "platform/posix_output_files.h"
#include "support/golden.h"
#include "support/temp_tree.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace dorvantile {
namespace {

/// Writes a buffer's worth and then `tail` to `path`; the error's message, or "" when it
/// went well.
std::string write(OutputFiles& files, const std::string& path, const std::string& tail) {
    try {
        OutputFile out = OutputFile::open(files, path);
        out.write(std::string(OutputFile::capacity, 'x'));
        out.write(tail);
        out.commit();
        return "";
    } catch (const CatalogueError& error) {
        return error.what();
    }
}

TEST(OutputFile, ReplacesTheOldFileOnlyWhenTheNewOneIsComplete) {
    struct Case {
        const char* path;
        const char* failing; // the operation that fails
        int call;            // its call that fails, and the one after it too when negative
    };
    std::vector<Case> cases; // first the paths that a catalogue may go to, without a fault
    for (const char* path : {"/app/Files.txt", "/home/Files.txt", "/app/New.txt", "/dev/fifo", "-",
                             "/app/Files.html", "/no/Files.txt"})
        cases.push_back({path, "", 0});
    const std::pair<const char*, int> faults[] = {{"create", 1}, {"permissions", 1}, {"write", 1},
                                                  {"write", 2},  {"close", 1},       {"rename", 1},
                                                  {"rename", 2}, {"rename", -2}};
    for (const auto& [failing, call] : faults)
        cases.push_back({"/app/Files.txt", failing, call});
    cases.push_back({"/dev/fifo", "open", 1});
    cases.push_back({"-", "write", 1});
    std::string journal;
    for (const Case& c : cases) {
        fakes::FakeOutputFiles files;
        files.folders = {"/app", "/app/Files.html"};
        files.files["/app/Files.txt"] = {"old", 0640};
        files.links["/home/Files.txt"] = "/app/Files.txt";
        files.devices["/dev/fifo"] = "";
        files.failures.failOn(c.failing, std::errc::io_error, std::abs(c.call));
        if (c.call < 0)
            files.failures.failOn(c.failing, std::errc::no_space_on_device, 1 - c.call);
        journal += "== " + std::string(c.path) + " " + c.failing + " " + std::to_string(c.call) +
                   "\n" + write(files, c.path, "new") + "\n";
        for (const std::string& call : files.journal)
            journal += call + "\n";
        for (const auto& [name, file] : files.files)
            journal += name + ": " + std::to_string(file.content.size()) + " bytes, mode " +
                       fakes::octal(file.mode) + "\n";
        journal += "fifo: " + std::to_string(files.devices["/dev/fifo"].size()) +
                   " bytes, standard output: " + std::to_string(files.standardOutputBytes.size()) +
                   "\n";
    }
    EXPECT_EQ(testing::compareWithGolden("output_file.journal", journal), "");
}

// The same on this machine's file system: a link kept, a new file with the umask's mode.
TEST(PosixOutputFiles, ReplacesThroughALinkWithTheUmasksMode) {
    testing::TempTree tree;
    tree.file("real.txt", "old");
    tree.link("link.txt", "real.txt");
    PosixOutputFiles files;
    const mode_t mask = umask(027);
    EXPECT_EQ(write(files, tree.path("link.txt"), "new"), "");
    umask(mask);
    struct stat info {};
    ASSERT_EQ(stat(tree.path("real.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(tree.path("link.txt")));
    EXPECT_EQ(testing::readFile(tree.path("real.txt")),
              std::string(OutputFile::capacity, 'x') + "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 2);
}

} // namespace
} // namespace dorvantile
