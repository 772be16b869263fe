// The command line, run as a user runs it.
#include "platform/text_case.h"
#include "support/temp_tree.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

using testing::readFile;
using testing::TempTree;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quote(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted.push_back(c);
    }
    return quoted + "'";
}

// Runs dorvantile-cli with `args` (already quoted) in `folder`, standard output going to
// `stdoutTarget` when given.
Result cli(const std::string& args, const std::string& folder = "/",
           const std::string& stdoutTarget = {}) {
    TempTree capture;
    const std::string out = stdoutTarget.empty() ? capture.path("out") : stdoutTarget;
    const std::string command = "cd " + quote(folder) + " && " + quote(DORVANTILE_CLI) + " " +
                                args + " >" + quote(out) + " 2>" + quote(capture.path("err")) +
                                " </dev/null";
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (stdoutTarget.empty())
        result.out = readFile(capture.path("out"));
    result.err = readFile(capture.path("err"));
    return result;
}

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        tree.file("Work/Notes.TXT", "n");
        tree.file("Work/Old/X.GIF", "x");
        tree.folder("Work/Old/Empty");
        tree.file("Work/.hidden", "h");
    }
    TempTree tree;
    TempTree out;
};

TEST_F(CliTest, WritesThePageToStandardOutputForARelativeFolderWithATrailingSlash) {
    const Result result = cli("--output - Work/", tree.root());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string work = tree.path("Work");
    EXPECT_NE(result.out.find("<A href=\"" + work + "/Notes.TXT\">"), std::string::npos);
    EXPECT_NE(result.out.find("Folders: 2 \\ Files: 2 \\ </SPAN>\r\n\r\n</body>\r\n</html>\r\n"),
              std::string::npos);
    EXPECT_EQ(result.out.find(".hidden"), std::string::npos);
}

TEST_F(CliTest, AFileAndStandardOutputGetTheSameBytesForEachFormat) {
    for (const std::string format : {"html", "text"}) {
        const std::string file = out.path("catalogue." + format);
        const Result toFile = cli("--format " + format + " --output " + quote(file) + " " +
                                  quote(tree.path("Work/Old/..")));
        ASSERT_EQ(toFile.status, 0) << toFile.err;
        const Result toStdout =
            cli("--format=" + format + " --output=- " + quote(tree.path("Work")));
        ASSERT_EQ(toStdout.status, 0) << toStdout.err;
        EXPECT_EQ(readFile(file), toStdout.out);
        EXPECT_FALSE(toStdout.out.empty());
    }
    EXPECT_EQ(cli("--format text --output - " + quote(tree.path("Work"))).out.substr(0, 2), "/T");
}

TEST_F(CliTest, ExitsWithOneAndKeepsTheOldFileWhenTheCatalogueCannotBeWritten) {
    const Result missingFolder = cli("--output - " + quote(tree.path("nope")));
    EXPECT_EQ(missingFolder.status, 1);
    EXPECT_EQ(missingFolder.err,
              "dorvantile-cli: " + tree.path("nope") + ": No such file or directory\n");

    const Result notAFolder = cli("--output - " + quote(tree.path("Work/Notes.TXT")));
    EXPECT_EQ(notAFolder.status, 1);
    EXPECT_EQ(notAFolder.err,
              "dorvantile-cli: " + tree.path("Work/Notes.TXT") + ": not a folder\n");

    const Result unwritable =
        cli("--output /nonexistent/dir/Files.html " + quote(tree.path("Work")));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "dorvantile-cli: cannot write /nonexistent/dir/Files.html: No such "
                              "file or directory\n");

    const Result full = cli("--output - " + quote(tree.path("Work")), "/", "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "dorvantile-cli: cannot write standard output: No space left on device\n");
}

TEST_F(CliTest, WritesIntoAFifoAndThroughALinkWithoutReplacingEither) {
    ASSERT_EQ(mkfifo(out.path("fifo").c_str(), 0644), 0);
    const std::string command = "timeout 20 cat " + quote(out.path("fifo")) + " >" +
                                quote(out.path("from-fifo")) + " & " + quote(DORVANTILE_CLI) +
                                " --format text --output " + quote(out.path("fifo")) + " " +
                                quote(tree.path("Work")) + "; wait";
    ASSERT_EQ(std::system(command.c_str()), 0);
    struct stat info {};
    ASSERT_EQ(lstat(out.path("fifo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    const std::string expected = cli("--format text --output - " + quote(tree.path("Work"))).out;
    EXPECT_EQ(readFile(out.path("from-fifo")), expected);

    out.file("real.txt", "old");
    out.link("link.txt", "real.txt");
    ASSERT_EQ(cli("--format text --output " + quote(out.path("link.txt")) + " " +
                  quote(tree.path("Work")))
                  .status,
              0);
    ASSERT_EQ(lstat(out.path("link.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(readFile(out.path("real.txt")), expected);
}

TEST_F(CliTest, RefusesWhatNamesNoFolder) {
    tree.link("dangling", "nowhere");
    const Result dangling = cli("--output - " + quote(tree.path("dangling")));
    EXPECT_EQ(dangling.status, 1);
    EXPECT_EQ(dangling.err,
              "dorvantile-cli: " + tree.path("dangling") + ": No such file or directory\n");

    // A relative folder from a working folder that was removed is not the root.
    tree.folder("gone");
    const std::string command = "cd " + quote(tree.path("gone")) + " && rmdir " +
                                quote(tree.path("gone")) + " && " + quote(DORVANTILE_CLI) +
                                " --output - . >/dev/null 2>" + quote(out.path("err"));
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(readFile(out.path("err")),
              "dorvantile-cli: cannot find the working folder: No such file or directory\n");
}

TEST_F(CliTest, CataloguesAsDeepAsAPathCanReachAndWarnsBeyond) {
    // Folders down to a path of 4095 bytes, one below PATH_MAX, then one more beneath it.
    std::vector<std::string> names;
    for (std::size_t left = 4095 - tree.path("Work").size(); left > 0;) {
        const std::size_t length = left > 256 ? 250 : left - 1;
        names.emplace_back(length, 'd');
        left -= length + 1;
    }
    names.emplace_back("x");
    int fd = open(tree.path("Work").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    std::string deepest = tree.path("Work");
    for (const std::string& name : names) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        deepest += "/" + name;
    }
    close(fd);
    ASSERT_EQ(deepest.size(), 4097u);
    const Result result = cli("--format text --output - " + quote(tree.path("Work")));
    EXPECT_EQ(result.status, 0);
    // The folder just past the limit keeps its heading and is named in a warning.
    EXPECT_NE(result.out.find(toUpper(deepest) + "/\r\n\r\n"), std::string::npos);
    EXPECT_EQ(result.err, "dorvantile-cli: cannot read " + deepest + ": File name too long\n");
}

TEST_F(CliTest, WarnsAboutAnUnreadableFolderAndStillWritesTheCatalogue) {
    tree.file("Work/Locked/secret.txt");
    chmod(tree.path("Work/Locked").c_str(), 0);
    // Root reads any folder, so the command runs as an ordinary user where it can.
    chmod(tree.root().c_str(), 0755);
    chmod(tree.path("Work").c_str(), 0755);
    const std::string file = out.path("page.html");
    chmod(out.root().c_str(), 0777);
    const std::string asUser =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string command = asUser + quote(DORVANTILE_CLI) + " --output " + quote(file) + " " +
                                quote(tree.path("Work")) + " 2>" + quote(out.path("err"));
    const int raw = std::system(command.c_str());
    chmod(tree.path("Work/Locked").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_EQ(readFile(out.path("err")),
              "dorvantile-cli: cannot read " + tree.path("Work/Locked") + ": Permission denied\n");
    const std::string page = readFile(file);
    EXPECT_NE(page.find("/WORK/LOCKED/ </SPAN><br>\r\n<P>"), std::string::npos);
    EXPECT_NE(page.find("Folders: 3 \\ Files: 2"), std::string::npos);
}

TEST_F(CliTest, ShowsAProgressLineOnATerminalOnly) {
    for (int i = 0; i < 3000; ++i)
        tree.file("Work/Many/f" + std::to_string(i));
    const std::string args =
        "--output " + quote(out.path("p.html")) + " " + quote(tree.path("Work"));
    // `script` gives the command a terminal and keeps what it wrote there.
    const std::string typescript = out.path("typescript");
    const std::string command = "script -qec " + quote(quote(DORVANTILE_CLI) + " " + args) + " " +
                                quote(typescript) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string screen = readFile(typescript);
    EXPECT_NE(screen.find(" folders, "), std::string::npos) << screen;
    EXPECT_NE(screen.find(" files"), std::string::npos) << screen;
    // The line is cleared before the program ends, and nothing is shown without a terminal.
    EXPECT_NE(screen.rfind("\r\033[K"), std::string::npos);
    const Result piped = cli(args);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "");
}

TEST(Cli, BadArgumentsGiveTheUsageAndExitTwo) {
    for (const std::string args :
         {"", "a b", "\"\"", "--format pdf /", "--frobnicate /", "--output"}) {
        const Result result = cli(args);
        EXPECT_EQ(result.status, 2) << args;
        EXPECT_NE(result.err.find("Usage: dorvantile-cli"), std::string::npos) << args;
        EXPECT_EQ(result.out, "");
    }
    const Result help = cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: dorvantile-cli", 0), 0u);
    const Result version = cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("dorvantile-cli ", 0), 0u);
}

} // namespace
} // namespace dorvantile
