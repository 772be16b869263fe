// A catalogue file replaces the old one only when it is complete; any failing call of the
// file system leaves the old file as it was, no temporary file behind, and a message that
// names the file and the reason.
#include "platform/fakes/fake_system.h"
#include "platform/output_file.h"
#include "platform/posix_output_files.h"
#include "support/temp_tree.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace dorvantile {
namespace {

/// Writes `bytes` to `path` through `files`; the error's message, or "" when it went well.
std::string write(OutputFiles& files, const std::string& path, const std::string& bytes) {
    try {
        OutputFile out = OutputFile::open(files, path);
        out.write(bytes);
        out.commit();
        return "";
    } catch (const CatalogueError& error) {
        return error.what();
    }
}

struct OutputFileTest : ::testing::Test {
    OutputFileTest() {
        files.folders = {"/app", "/app/Files.html"};
        files.files["/app/Files.txt"] = {"old", 0640};
    }
    /// The content of every file there is, by name.
    std::map<std::string, std::string> disk() const {
        std::map<std::string, std::string> out;
        for (const auto& [name, file] : files.files)
            out[name] = file.content;
        return out;
    }
    fakes::FakeOutputFiles files;
    const std::map<std::string, std::string> old{{"/app/Files.txt", "old"}};
};

TEST_F(OutputFileTest, ReplacesTheOldFileWholeWithTheUsersPermissionsAndKeepsLinks) {
    EXPECT_EQ(write(files, "/app/Files.txt", "new"), "");
    EXPECT_EQ(disk(), (std::map<std::string, std::string>{{"/app/Files.txt", "new"}}));
    EXPECT_EQ(files.files["/app/Files.txt"].mode, 0644u);
    files.links["/home/Files.txt"] = "/app/Files.txt";
    EXPECT_EQ(write(files, "/home/Files.txt", "linked"), "");
    EXPECT_EQ(disk(), (std::map<std::string, std::string>{{"/app/Files.txt", "linked"}}));
    // A full buffer goes out before more is taken; the rest only at the end.
    const std::string big(OutputFile::capacity + 10, 'x');
    OutputFile out = OutputFile::open(files, "/app/Files.txt");
    files.journal.clear();
    out.write(big.substr(0, OutputFile::capacity));
    out.write(big.substr(OutputFile::capacity));
    ASSERT_EQ(files.journal.size(), 1u);
    EXPECT_TRUE(files.journal[0].starts_with("write 65536 /app/.Files.txt.")) << files.journal[0];
    out.commit();
    EXPECT_EQ(files.files["/app/Files.txt"].content, big);
}

TEST_F(OutputFileTest, AnyFailingCallKeepsTheOldFileAndNamesTheReason) {
    for (const char* operation : {"create", "permissions", "write", "close", "rename"}) {
        fakes::FakeOutputFiles failing;
        failing.folders = {"/app"};
        failing.files["/app/Files.txt"] = {"old", 0640};
        // Rename 1 moves the old file aside; rename 2 puts the new one in place.
        failing.failures.failOn(operation, std::errc::io_error, operation[0] == 'r' ? 2 : 1);
        EXPECT_EQ(write(failing, "/app/Files.txt", "new"),
                  "cannot write /app/Files.txt: Input/output error");
        EXPECT_EQ(failing.files.size(), 1u) << operation;
        EXPECT_EQ(failing.files["/app/Files.txt"].content, "old") << operation;
    }
    files.failures.failOn("rename", std::errc::io_error, 2); // the new file into place
    files.failures.failOn("rename", std::errc::io_error, 3); // the old one back
    EXPECT_TRUE(write(files, "/app/Files.txt", "new")
                    .starts_with("cannot write /app/Files.txt: Input/output error; the old file "
                                 "is now /app/.Files.txt."));
    const std::size_t before = files.files.size();
    {
        OutputFile dropped = OutputFile::open(files, "/app/Files.html.x");
        dropped.write("half");
    }
    EXPECT_EQ(files.files.size(), before); // a file dropped unfinished leaves nothing
}

TEST_F(OutputFileTest, FoldersDevicesAndStandardOutputAreNotReplaced) {
    EXPECT_EQ(write(files, "/app/Files.html", "x"), "cannot write /app/Files.html: Is a directory");
    EXPECT_EQ(write(files, "/no/Files.txt", "x"),
              "cannot write /no/Files.txt: No such file or directory");
    files.devices["/dev/fifo"] = "";
    EXPECT_EQ(write(files, "/dev/fifo", "into the fifo"), "");
    EXPECT_EQ(files.devices["/dev/fifo"], "into the fifo");
    EXPECT_EQ(write(files, "-", "out"), "");
    EXPECT_EQ(files.standardOutputBytes, "out");
    files.failures.failOn("write", std::errc::no_space_on_device);
    EXPECT_EQ(write(files, "-", "full"), "cannot write standard output: No space left on device");
    EXPECT_EQ(disk(), old);
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
    EXPECT_EQ(testing::readFile(tree.path("real.txt")), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 2);
}

} // namespace
} // namespace dorvantile
