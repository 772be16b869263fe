// A catalogue that cannot be written is never reported as written: the old file stays,
// no half file is left behind, the user reads the file and the reason, and neither the
// browser nor the text file's notice comes up.
#include "platform/fakes/fake_file_system.h"
#include "support/temp_tree.h"
#include "support/writer_harness.h"
#include "writers/text_writer.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dorvantile {
namespace {

using testing::readFile;
using testing::TempTree;
using testing::WriterHarness;

// Runs `body` in a child process and returns its exit status; a test uses it where the
// limit it sets (a file size limit, a user without root's rights) must not reach the
// test runner itself.
int inChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void fillBigTree(fakes::FakeFileSystem& fs) {
    for (int i = 0; i < 2000; ++i)
        fs.addEntry("/big/file-with-a-longish-name-" + std::to_string(i) + ".txt");
}

TEST(OutputFailure, AMissingAppFolderIsAClearMessageAndNoBrowser) {
    fakes::FakeFileSystem fs;
    fs.addEntry("/w/a.txt");
    WriterHarness h(fs, "/nonexistent/app");
    EXPECT_FALSE(h.run("/w", 1));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].prompt,
              "cannot write /nonexistent/app/Files.html: No such file or directory");
    EXPECT_TRUE(h.shell.opened.empty());
    EXPECT_EQ(h.pointer.current, MousePointer::Arrow);

    EXPECT_FALSE(h.run("/w", 2));
    ASSERT_EQ(h.messages.shown.size(), 2u);
    EXPECT_EQ(h.messages.shown[1].prompt,
              "cannot write /nonexistent/app/Files.txt: No such file or directory");
}

TEST(OutputFailure, AnUnwritableAppFolderKeepsTheOldFilesAndShowsNoNotice) {
    TempTree app;
    chmod(app.root().c_str(), 0755);
    app.file("Files.html", "old page");
    app.file("Files.txt", "old text");
    chmod(app.root().c_str(), 0555);
    const int status = inChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return 3;
        fakes::FakeFileSystem fs;
        fs.addEntry("/w/a.txt");
        WriterHarness h(fs, app.root());
        if (h.run("/w", 1) || !h.shell.opened.empty())
            return 4;
        if (h.run("/w", 2))
            return 5;
        for (const auto& shown : h.messages.shown) {
            if (shown.prompt == textNotice)
                return 6;
        }
        const std::string expected = "cannot write " + app.root() + "/Files.txt: Permission denied";
        return h.messages.shown.size() == 2 && h.messages.shown[1].prompt == expected ? 0 : 7;
    });
    EXPECT_EQ(status, 0) << "3: could not drop root, 4: page reported, 5: text reported, "
                            "6: notice shown, 7: wrong message";
    EXPECT_EQ(readFile(app.path("Files.html")), "old page");
    EXPECT_EQ(readFile(app.path("Files.txt")), "old text");
}

TEST(OutputFailure, AWriteThatFailsPartWayLeavesTheOldFileAndNoTemporaryFile) {
    TempTree app;
    app.file("Files.html", "old page");
    app.file("Files.txt", "old text");
    for (const int choice : {1, 2}) {
        const int status = inChild([&] {
            // A file size limit makes the disk "full" after 16 KiB of catalogue.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16384, 16384};
            setrlimit(RLIMIT_FSIZE, &limit);
            fakes::FakeFileSystem fs;
            fillBigTree(fs);
            WriterHarness h(fs, app.root());
            if (h.run("/big", choice))
                return 4;
            const std::string file = choice == 1 ? "Files.html" : "Files.txt";
            const std::string expected = "cannot write " + app.path(file) + ": File too large";
            if (h.messages.shown.size() != 1 || h.messages.shown[0].prompt != expected)
                return 5;
            return h.shell.opened.empty() ? 0 : 6;
        });
        EXPECT_EQ(status, 0) << "choice " << choice
                             << " 4: reported as written, 5: wrong message, 6: browser opened";
    }
    EXPECT_EQ(readFile(app.path("Files.html")), "old page");
    EXPECT_EQ(readFile(app.path("Files.txt")), "old text");
    EXPECT_EQ(leftovers(app.root()), (std::vector<std::string>{"Files.html", "Files.txt"}));
}

TEST(OutputFailure, ACompleteCatalogueReplacesALongerOldFileWhole) {
    TempTree app;
    app.file("Files.txt", std::string(100000, 'x'));
    fakes::FakeFileSystem fs;
    fs.addEntry("/w/a.txt");
    WriterHarness h(fs, app.root());
    ASSERT_TRUE(h.run("/w", 2));
    EXPECT_EQ(readFile(app.path("Files.txt")),
              "/W\r\n    a.txt\r\n\r\n ----------------------------------------------------\r\n"
              " Folders: 0 \\ Files: 1\r\n");
    struct stat info {};
    ASSERT_EQ(stat(app.path("Files.txt").c_str(), &info), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(leftovers(app.root()), (std::vector<std::string>{"Files.txt"}));
}

TEST(OutputFailure, AFolderInTheWayOfTheCatalogueStaysWhereItIs) {
    TempTree app;
    app.file("Files.html/inside.txt", "kept");
    fakes::FakeFileSystem fs;
    fs.addEntry("/w/a.txt");
    WriterHarness h(fs, app.root());
    EXPECT_FALSE(h.run("/w", 1));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].prompt,
              "cannot write " + app.path("Files.html") + ": Is a directory");
    EXPECT_EQ(readFile(app.path("Files.html/inside.txt")), "kept");
    EXPECT_EQ(leftovers(app.root()), (std::vector<std::string>{"Files.html"}));
}

} // namespace
} // namespace dorvantile
