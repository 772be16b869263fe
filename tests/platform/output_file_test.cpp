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

struct OutputFileTest : ::testing::Test {
    OutputFileTest() {
        files.folders = {"/app", "/app/Files.html"};
        files.files["/app/Files.txt"] = {"old", 0640};
    }
    std::string write(const std::string& path, const std::string& bytes) {
        return writeTo(files, path, bytes);
    }
    /// Writes `bytes` to `path` and commits; the error's message, or "" when it went well.
    static std::string writeTo(OutputFiles& files, const std::string& path, const std::string& bytes) {
        try {
            OutputFile out = OutputFile::open(files, path);
            out.write(bytes);
            out.commit();
            return "";
        } catch (const CatalogueError& error) {
            return error.what();
        }
    }
    std::set<std::string> names() const { return namesIn(files); }
    static std::set<std::string> namesIn(const fakes::FakeOutputFiles& files) {
        std::set<std::string> out;
        for (const auto& [name, file] : files.files)
            out.insert(name);
        return out;
    }
    fakes::FakeOutputFiles files;
};

TEST_F(OutputFileTest, ReplacesTheOldFileWholeWithTheUsersPermissions) {
    EXPECT_EQ(write("/app/Files.txt", "new"), "");
    EXPECT_EQ(files.files["/app/Files.txt"].content, "new");
    EXPECT_EQ(files.files["/app/Files.txt"].mode, 0644u);
    EXPECT_EQ(names(), std::set<std::string>{"/app/Files.txt"});
    // Through a link the file it leads to is replaced, and the link stays a link.
    files.links["/home/Files.txt"] = "/app/Files.txt";
    EXPECT_EQ(write("/home/Files.txt", "linked"), "");
    EXPECT_EQ(files.files["/app/Files.txt"].content, "linked");
    EXPECT_EQ(names(), std::set<std::string>{"/app/Files.txt"});
}

TEST_F(OutputFileTest, WritesInChunksAndOnlyTheRestAtTheEnd) {
    const std::string big(OutputFile::capacity + 10, 'x');
    OutputFile out = OutputFile::open(files, "/app/Files.txt");
    out.write(big.substr(0, OutputFile::capacity));
    out.write(big.substr(OutputFile::capacity));
    ASSERT_EQ(files.journal.size(), 1u); // a full buffer goes out before more is taken
    EXPECT_EQ(files.journal[0].rfind("write 65536 /app/.Files.txt.", 0), 0u) << files.journal[0];
    out.commit();
    EXPECT_EQ(files.files["/app/Files.txt"].content, big);
}

TEST_F(OutputFileTest, AnyFailingCallKeepsTheOldFileAndNamesTheReason) {
    const std::pair<const char*, std::errc> failures[] = {
        {"create", std::errc::permission_denied}, {"permissions", std::errc::operation_not_permitted},
        {"write", std::errc::no_space_on_device}, {"close", std::errc::io_error},
        {"rename", std::errc::read_only_file_system}};
    for (const auto& [operation, error] : failures) {
        fakes::FakeOutputFiles failing;
        failing.folders = {"/app"};
        failing.files["/app/Files.txt"] = {"old", 0640};
        // Rename 1 moves the old file aside; rename 2 puts the new one in place.
        failing.failures.failOn(operation, error, std::string(operation) == "rename" ? 2 : 1);
        EXPECT_EQ(writeTo(failing, "/app/Files.txt", "new"),
                  "cannot write /app/Files.txt: " + std::make_error_code(error).message());
        EXPECT_EQ(failing.files["/app/Files.txt"].content, "old") << operation;
        EXPECT_EQ(namesIn(failing), std::set<std::string>{"/app/Files.txt"}) << operation;
    }
}

TEST_F(OutputFileTest, AnOldFileThatCannotComeBackIsNamed) {
    files.failures.failOn("rename", std::errc::io_error, 2); // the new file into place
    files.failures.failOn("rename", std::errc::io_error, 3); // the old one back
    const std::string message = write("/app/Files.txt", "new");
    EXPECT_EQ(message.rfind("cannot write /app/Files.txt: Input/output error; the old file is now /app/.Files.txt.", 0), 0u) << message;
}

TEST_F(OutputFileTest, FoldersDevicesAndStandardOutputAreNotReplaced) {
    EXPECT_EQ(write("/app/Files.html", "x"), "cannot write /app/Files.html: Is a directory");
    files.devices["/dev/fifo"] = "";
    EXPECT_EQ(write("/dev/fifo", "into the fifo"), "");
    EXPECT_EQ(files.devices["/dev/fifo"], "into the fifo");
    EXPECT_EQ(write("-", "out"), "");
    EXPECT_EQ(files.standardOutputBytes, "out");
    files.failures.failOn("write", std::errc::no_space_on_device);
    EXPECT_EQ(write("-", "full"), "cannot write standard output: No space left on device");
    EXPECT_EQ(write("/nowhere/Files.txt", "x"), "cannot write /nowhere/Files.txt: No such file or directory");
    EXPECT_EQ(names(), std::set<std::string>{"/app/Files.txt"});
}

TEST_F(OutputFileTest, ADroppedFileLeavesNothingBehind) {
    {
        OutputFile out = OutputFile::open(files, "/app/Files.txt");
        out.write("half");
    }
    EXPECT_EQ(files.files["/app/Files.txt"].content, "old");
    EXPECT_EQ(names(), std::set<std::string>{"/app/Files.txt"});
}

// The same on this machine's file system: a link kept, a new file with the umask's mode.
TEST(PosixOutputFiles, ReplacesThroughALinkWithTheUmasksMode) {
    testing::TempTree tree;
    tree.file("real.txt", "old");
    tree.link("link.txt", "real.txt");
    PosixOutputFiles files;
    const mode_t mask = umask(027);
    OutputFile out = OutputFile::open(files, tree.path("link.txt"));
    out.write("new");
    out.commit();
    umask(mask);
    struct stat info {};
    ASSERT_EQ(lstat(tree.path("link.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(tree.path("real.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(testing::readFile(tree.path("real.txt")), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 2);
}

} // namespace
} // namespace dorvantile
