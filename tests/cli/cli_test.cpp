// The command line, run as a user runs it.
#include "platform/text_case.h"
#include "support/temp_tree.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

// Runs `prefix` and dorvantile-cli (or `program`) with `args`, already quoted, in `folder`.
// `args` may end in a redirection of standard output, which wins over the capture.
Result cli(const std::string& args, const std::string& folder = "/", const std::string& prefix = {},
           const std::string& program = DORVANTILE_CLI) {
    TempTree capture;
    const std::string command = "cd " + quote(folder) + " && " + prefix + quote(program) + " >" +
                                quote(capture.path("out")) + " 2>" + quote(capture.path("err")) +
                                " </dev/null " + args;
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
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
    std::string work() const { return quote(tree.path("Work")); }
    TempTree tree;
    TempTree out;
};

TEST_F(CliTest, WritesTheSameBytesToAFileAFifoAndStandardOutput) {
    const Result page = cli("--output - Work/", tree.root()); // relative, with a trailing "/"
    EXPECT_EQ(page.status, 0) << page.err;
    EXPECT_EQ(page.err, "");
    EXPECT_NE(page.out.find("<A href=\"" + tree.path("Work") + "/Notes.TXT\">"), std::string::npos);
    EXPECT_NE(page.out.find("Folders: 2 \\ Files: 2 \\ </SPAN>\r\n\r\n</body>\r\n</html>\r\n"),
              std::string::npos);
    EXPECT_EQ(page.out.find(".hidden"), std::string::npos);
    for (const std::string format : {"html", "text"}) {
        const std::string file = out.path("catalogue." + format);
        const Result toFile = cli("--format " + format + " --output " + quote(file) + " " +
                                  quote(tree.path("Work/Old/..")));
        const Result toStdout = cli("--format=" + format + " --output=- " + work());
        ASSERT_EQ(toFile.status + toStdout.status, 0) << toFile.err << toStdout.err;
        EXPECT_EQ(readFile(file), toStdout.out);
    }
    const std::string text = cli("--format text --output - " + work()).out;
    EXPECT_EQ(text.substr(0, 2), "/T");
    ASSERT_EQ(mkfifo(out.path("fifo").c_str(), 0644), 0);
    const std::string command = "timeout 20 cat " + quote(out.path("fifo")) + " >" +
                                quote(out.path("from-fifo")) + " & " + quote(DORVANTILE_CLI) +
                                " --format text --output " + quote(out.path("fifo")) + " " +
                                work() + "; wait";
    ASSERT_EQ(std::system(command.c_str()), 0);
    struct stat info {};
    ASSERT_EQ(lstat(out.path("fifo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(readFile(out.path("from-fifo")), text);
}

TEST_F(CliTest, FailuresExitWithOneAndSayWhat) {
    tree.link("dangling", "nowhere");
    const std::pair<std::string, std::string> cases[] = {
        {"--output - " + quote(tree.path("nope")), tree.path("nope") + ": No such file or directory"},
        {"--output - " + quote(tree.path("dangling")), tree.path("dangling") + ": No such file or directory"},
        {"--output - " + quote(tree.path("Work/Notes.TXT")), tree.path("Work/Notes.TXT") + ": not a folder"},
        {"--output /nonexistent/dir/Files.html " + work(),
         "cannot write /nonexistent/dir/Files.html: No such file or directory"},
        {"--output - " + work() + " >/dev/full", "cannot write standard output: No space left on device"},
        {"--version >/dev/full", "cannot write standard output"},
    };
    for (const auto& [args, message] : cases) {
        const Result result = cli(args);
        EXPECT_EQ(result.status, 1) << args;
        EXPECT_EQ(result.err, "dorvantile-cli: " + message + "\n") << args;
    }
    // A relative folder from a working folder that was removed is not the root.
    tree.folder("gone");
    const Result gone = cli("--output - .", tree.path("gone"), "rmdir " + quote(tree.path("gone")) + " && ");
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.err, "dorvantile-cli: cannot find the working folder: No such file or directory\n");
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
    std::string deepest = tree.path("Work");
    for (const std::string& name : names) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        deepest += "/" + name;
    }
    close(fd);
    ASSERT_EQ(deepest.size(), 4097u);
    const Result result = cli("--format text --output - " + work());
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find(toUpper(deepest) + "/\r\n\r\n"), std::string::npos);
    EXPECT_EQ(result.err, "dorvantile-cli: cannot read " + deepest + ": File name too long\n");
}

TEST_F(CliTest, WarnsAboutAnUnreadableFolderAndStillWritesTheCatalogue) {
    tree.file("Work/Locked/secret.txt");
    chmod(tree.path("Work/Locked").c_str(), 0);
    // Root reads any folder, so the command runs as an ordinary user where it can.
    chmod(tree.root().c_str(), 0755);
    chmod(tree.path("Work").c_str(), 0755);
    chmod(out.root().c_str(), 0777);
    const std::string asUser = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const Result result = cli("--output " + quote(out.path("page.html")) + " " + work(), "/", asUser);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "dorvantile-cli: cannot read " + tree.path("Work/Locked") + ": Permission denied\n");
    const std::string page = readFile(out.path("page.html"));
    EXPECT_NE(page.find("/WORK/LOCKED/ </SPAN><br>\r\n<P>"), std::string::npos);
    EXPECT_NE(page.find("Folders: 3 \\ Files: 2"), std::string::npos);
}

TEST_F(CliTest, ShowsAProgressLineOnATerminalOnly) {
    for (int i = 0; i < 3000; ++i)
        tree.file("Work/Many/f" + std::to_string(i));
    const std::string args = "--output " + quote(out.path("p.html")) + " " + work();
    // `script` gives the command a terminal and keeps what it wrote there.
    const std::string typescript = out.path("typescript");
    const std::string command = "script -qec " + quote(quote(DORVANTILE_CLI) + " " + args) + " " +
                                quote(typescript) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string screen = readFile(typescript);
    EXPECT_NE(screen.find(" folders, "), std::string::npos) << screen;
    EXPECT_NE(screen.rfind("\r\033[K"), std::string::npos); // cleared before the end
    const Result piped = cli(args);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "");
}

// Without --output the catalogue goes to the app folder, beside a program the user may write
// to; --open hands the written file to the desktop.
TEST_F(CliTest, WritesBesideTheProgramAndOpensOnRequest) {
    std::filesystem::copy_file(DORVANTILE_CLI, out.path("dorvantile-cli"));
    chmod(out.path("dorvantile-cli").c_str(), 0755);
    out.file("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$*\" >>" + quote(out.path("opened")) + "\n");
    chmod(out.path("bin/xdg-open").c_str(), 0755);
    const std::string path = "PATH=" + quote(out.path("bin")) + ":$PATH ";
    for (const std::string format : {"html", "text"}) {
        const std::string file = out.path(format == "html" ? "Files.html" : "Files.txt");
        const Result result =
            cli("--open --format " + format + " " + work(), "/", path, out.path("dorvantile-cli"));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "dorvantile-cli: catalogue written to " + file + "\n");
        EXPECT_EQ(readFile(file), cli("--format " + format + " --output - " + work()).out);
    }
    for (int tenth = 0; tenth < 100 && readFile(out.path("opened")).size() < 2; ++tenth)
        usleep(100000);
    usleep(200000);
    const std::string opened = readFile(out.path("opened"));
    EXPECT_NE(opened.find(out.path("Files.html") + "\n"), std::string::npos) << opened;
    EXPECT_NE(opened.find(out.path("Files.txt") + "\n"), std::string::npos) << opened;
}

TEST(Cli, BadArgumentsGiveTheUsageAndExitTwoHelpAndVersionZero) {
    const Result bad = cli("--frobnicate /");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.rfind("dorvantile-cli: unknown option '--frobnicate'\nUsage: dorvantile-cli", 0), 0u);
    EXPECT_EQ(bad.out, "");
    const Result help = cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: dorvantile-cli", 0), 0u);
    const Result version = cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "dorvantile-cli 0.1.0\n");
}

} // namespace
} // namespace dorvantile
