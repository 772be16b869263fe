// The command line, run as a user runs it.
#include "platform/text_case.h"
#include "support/temp_tree.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs `prefix` and dorvantile-cli (or `program`) with `args`, already quoted, in `folder`.
// `args` may end in a redirection of standard output, which wins over the capture.
Result cli(const std::string& args, const std::string& folder = "/", const std::string& prefix = {},
           const std::string& program = DORVANTILE_CLI) {
    TempTree capture;
    const std::string command = "cd " + quote(folder) + " && " + prefix + quote(program) + " >" +
                                capture.path("out") + " 2>" + capture.path("err") + " </dev/null " +
                                args;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(capture.path("out")),
            readFile(capture.path("err"))};
}

struct CliTest : ::testing::Test {
    CliTest() {
        tree.file("Work/Notes.TXT", "n");
        tree.file("Work/Old/X.GIF", "x");
        tree.folder("Work/Old/Empty");
        tree.file("Work/.hidden", "h");
    }
    std::string catalogue(const std::string& format) {
        return cli("--format " + format + " --output - " + work).out;
    }
    TempTree tree;
    TempTree out;
    const std::string work = quote(tree.path("Work"));
};

TEST_F(CliTest, WritesTheSameBytesToAFileAFifoAndStandardOutput) {
    const Result page = cli("--output - Work/", tree.root()); // relative, with a trailing "/"
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.err, "");
    EXPECT_NE(page.out.find("<A href=\"" + tree.path("Work") + "/Notes.TXT\">"), std::string::npos);
    EXPECT_TRUE(
        page.out.ends_with("Folders: 2 \\ Files: 2 \\ </SPAN>\r\n\r\n</body>\r\n</html>\r\n"));
    EXPECT_EQ(page.out.find(".hidden"), std::string::npos);
    for (const std::string format : {"html", "text"}) {
        const std::string file = out.path("catalogue." + format);
        EXPECT_EQ(cli("--format=" + format + " --output=" + quote(file) + " " +
                      quote(tree.path("Work/Old/..")))
                      .status,
                  0);
        EXPECT_EQ(readFile(file), catalogue(format));
    }
    EXPECT_TRUE(catalogue("text").starts_with("/T"));
    ASSERT_EQ(mkfifo(out.path("fifo").c_str(), 0644), 0);
    const std::string reader =
        "timeout 20 cat " + out.path("fifo") + " >" + out.path("got") + " & ";
    EXPECT_EQ(
        cli(work + " --format text --output " + out.path("fifo") + "; wait", "/", reader).status,
        0);
    EXPECT_EQ(readFile(out.path("got")), catalogue("text"));
    EXPECT_TRUE(std::filesystem::is_fifo(out.path("fifo")));
}

TEST_F(CliTest, FailuresExitWithOneAndSayWhat) {
    tree.link("dangling", "nowhere");
    const std::string gone = tree.path("gone");
    const std::string noSuch = ": No such file or directory";
    const std::pair<std::string, std::string> cases[] = {
        {quote(tree.path("nope")), tree.path("nope") + noSuch},
        {quote(tree.path("dangling")), tree.path("dangling") + noSuch},
        {quote(tree.path("Work/Notes.TXT")), tree.path("Work/Notes.TXT") + ": not a folder"},
        {work + " --output /nonexistent/Files.html",
         "cannot write /nonexistent/Files.html" + noSuch},
        {work + " --output - >/dev/full", "cannot write standard output: No space left on device"},
        {"--version >/dev/full", "cannot write standard output"},
        // A relative folder from a working folder that was removed is not the root.
        {".", "cannot find the working folder" + noSuch}};
    for (const auto& [args, message] : cases) {
        const Result result =
            cli(args, "/", "mkdir " + gone + " && cd " + gone + " && rmdir " + gone + " && ");
        EXPECT_EQ(result.status, 1) << args;
        EXPECT_EQ(result.err, "dorvantile-cli: " + message + "\n") << args;
    }
}

TEST_F(CliTest, WarnsAboutFoldersItCannotReadAndStillWritesTheCatalogue) {
    // Folders down to a path of 4095 bytes, one below PATH_MAX, then one more beneath it.
    std::string deepest = tree.path("Work");
    int fd = open(deepest.c_str(), O_RDONLY | O_DIRECTORY);
    int folders = 4; // Old, Old/Empty, Locked and x
    for (; deepest.size() < 4095; ++folders) {
        const std::string name(std::min<std::size_t>(250, 4095 - deepest.size() - 1), 'd');
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(std::exchange(fd, next));
        deepest += "/" + name;
    }
    ASSERT_EQ(mkdirat(fd, "x", 0755), 0);
    close(fd);
    deepest += "/x";
    tree.file("Work/Locked/secret.txt");
    chmod(tree.path("Work/Locked").c_str(), 0);
    // Root reads any folder, so the command runs as an ordinary user where it can.
    chmod(tree.root().c_str(), 0755);
    chmod(tree.path("Work").c_str(), 0755);
    const Result result =
        cli("--format text --output - " + work, "/",
            geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "dorvantile-cli: cannot read " + deepest + ": File name too long\n" +
                              "dorvantile-cli: cannot read " + tree.path("Work/Locked") +
                              ": Permission denied\n");
    EXPECT_NE(result.out.find(toUpper(tree.path("Work/Locked")) + "/\r\n\r\n"), std::string::npos);
    EXPECT_NE(result.out.find(toUpper(deepest) + "/\r\n\r\n"), std::string::npos);
    EXPECT_NE(result.out.find("Folders: " + std::to_string(folders) + " \\ Files: 2"),
              std::string::npos);
}

TEST_F(CliTest, ShowsAProgressLineOnATerminalOnly) {
    for (int i = 0; i < 3000; ++i)
        tree.file("Work/Many/f" + std::to_string(i));
    const std::string args = "--output " + out.path("p.html") + " " + work;
    // `script` gives the command a terminal and keeps what it wrote there.
    const std::string script = "script -qec " + quote(quote(DORVANTILE_CLI) + " " + args) + " " +
                               out.path("typescript") + " >/dev/null";
    ASSERT_EQ(std::system(script.c_str()), 0);
    const std::string screen = readFile(out.path("typescript"));
    EXPECT_NE(screen.find(" folders, "), std::string::npos) << screen;
    EXPECT_NE(screen.rfind("\r\033[K"), std::string::npos) << screen; // cleared at the end
    EXPECT_EQ(cli(args).err, "");
}

// Without --output the catalogue goes to the app folder, beside a program the user may write
// to, and the user is told where; --open hands the written file to the desktop.
TEST_F(CliTest, WritesBesideTheProgramAndOpensOnRequest) {
    const std::string program = out.path("dorvantile-cli");
    std::filesystem::copy_file(DORVANTILE_CLI, program);
    chmod(program.c_str(), 0755);
    out.file("bin/xdg-open", "#!/bin/sh\necho \"$*\" >>" + out.path("opened") + "\n");
    chmod(out.path("bin/xdg-open").c_str(), 0755);
    for (const std::string format : {"html", "text"}) {
        const std::string file = out.path(format == "html" ? "Files.html" : "Files.txt");
        const Result result = cli("--open --format " + format + " " + work, "/",
                                  "PATH=" + out.path("bin") + ":$PATH ", program);
        EXPECT_EQ(result.err, "dorvantile-cli: catalogue written to " + file + "\n");
        EXPECT_EQ(readFile(file), catalogue(format));
    }
    std::string opened;
    for (int tenth = 0; tenth < 100 && std::count(opened.begin(), opened.end(), '\n') < 2; ++tenth)
        usleep(100000), opened = readFile(out.path("opened"));
    EXPECT_NE(opened.find(out.path("Files.html") + "\n"), std::string::npos) << opened;
    EXPECT_NE(opened.find(out.path("Files.txt") + "\n"), std::string::npos) << opened;
}

TEST(Cli, BadArgumentsGiveTheUsageAndExitTwoHelpAndVersionZero) {
    const Result bad = cli("--frobnicate /");
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.starts_with("dorvantile-cli: unknown option '--frobnicate'\nUsage: "));
    EXPECT_EQ(bad.out, "");
    const Result help = cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: dorvantile-cli"));
    EXPECT_EQ(cli("--version").out, "dorvantile-cli 0.1.0\n");
}

} // namespace
} // namespace dorvantile
