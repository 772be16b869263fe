// A catalogue file replaces the old one only when it is complete: every call to the file
// system of each case, and what is on disk after it, against tests/golden/output_file.journal.
// Whatever call fails, the old file stays as it was, nothing is left behind, and the message
// names the file and the reason.
#include "platform/descriptor.h"
#include "platform/fakes/fake_system.h"
#include "platform/output_file.h"
#include "platform/posix_output_files.h"
#include "platform/posix_process.h"
#include "support/golden.h"
#include "support/temp_tree.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace dorvantile {
namespace {

/// What `write` writes before its tail: 63 pieces of 1 KiB, then one of 5 KiB.
constexpr std::size_t piecesSize = 68 * 1024;

/// Writes the pieces and then `tail` to `path`, so that each kind of file shows how its
/// buffer gathers them: a regular file's all at once, a stream's the small pieces in one
/// write, a terminal's in writes of 4 KiB and the large piece as it comes. The error's
/// message, or "" when it went well.
std::string write(OutputFiles& files, const std::string& path, const std::string& tail) {
    try {
        OutputFile out = OutputFile::open(files, path);
        for (int piece = 0; piece < 63; ++piece)
            out.write(std::string(1024, 'x'));
        out.write(std::string(5 * 1024, 'x'));
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
        int call;            // its call that fails
    };
    std::vector<Case> cases; // first the paths that a catalogue may go to, without a fault
    const std::string longName = "/app/" + std::string(250, 'n');
    for (const char* path :
         {"/app/Files.txt", "/home/Files.txt", "/app/New.txt", "/dev/fifo", "/dev/tty", "-",
          "/dev/stdout", "/home/dangling", "/home/loop", "/app/Locked.txt", "/app/Files.html",
          "/no/Files.txt", longName.c_str()})
        cases.push_back({path, "", 0});
    const std::pair<const char*, int> faults[] = {{"create", 1}, {"owner", 1}, {"permissions", 1},
                                                  {"write", 1},  {"link", 1},  {"close", 1},
                                                  {"rename", 1}};
    for (const auto& [failing, call] : faults)
        cases.push_back({"/app/Files.txt", failing, call});
    cases.push_back({"/dev/fifo", "open", 1});
    cases.push_back({"-", "write", 1}); // before the commit
    std::string journal;
    for (const Case& c : cases) {
        fakes::FakeOutputFiles files;
        files.folders = {"/app", "/app/Files.html"};
        files.files["/app/Files.txt"] = {"old", 0640, 1001, 1002};
        files.files["/app/Locked.txt"] = {"old", 0444, 1000, 1000, false};
        files.links = {{"/home/Files.txt", "/app/Files.txt"},
                       {"/home/dangling", "/app/Made.txt"},
                       {"/home/loop", "/home/loop2"},
                       {"/home/loop2", "/home/loop"}};
        files.devices["/dev/fifo"] = "";
        files.devices["/dev/tty"] = "";
        files.terminals = {"/dev/tty"};
        files.descriptorNames["/dev/stdout"] = 1;
        files.failures.failOn(c.failing, std::errc::io_error, c.call);
        journal += "== " + std::string(c.path) + " " + c.failing + " " + std::to_string(c.call) +
                   "\n" + write(files, c.path, "new") + "\n";
        for (const std::string& call : files.journal)
            journal += call + "\n";
        for (const auto& [name, file] : files.files)
            journal += name + ": " + std::to_string(file.content.size()) + " bytes, mode " +
                       fakes::octal(file.mode) + ", owner " + std::to_string(file.owner) + ":" +
                       std::to_string(file.group) + "\n";
        journal += "fifo: " + std::to_string(files.devices["/dev/fifo"].size()) +
                   " bytes, standard output: " + std::to_string(files.streams[1].size()) + "\n";
    }
    EXPECT_EQ(testing::compareWithGolden("output_file.journal", journal), "");
}

// The same on this machine's file system, and how its paths are followed: links as the
// shell's ">" follows them, ".." as the kernel resolves it, a trailing "/" as a folder, and
// the process's own open files written where they stand.
TEST(PosixOutputFiles, FollowPathsAsTheKernelDoes) {
    testing::TempTree tree;
    tree.file("real.txt", "old");
    chmod(tree.path("real.txt").c_str(), 0604);
    tree.link("link.txt", "real.txt");
    tree.link("dangling.txt", tree.path("made.txt")); // an absolute target
    tree.link("loop", "loop");
    tree.folder("a/b");
    tree.link("l", "a/b");
    const std::string full = std::string(piecesSize, 'x') + "new";
    PosixOutputFiles files;
    const mode_t mask = umask(027);
    for (const char* path : {"link.txt", "dangling.txt", "l/../x.html"})
        EXPECT_EQ(write(files, tree.path(path), "new"), "") << path;
    umask(mask);
    const auto mode = [&tree](const char* path) {
        struct stat info {};
        return stat(tree.path(path).c_str(), &info) == 0 ? info.st_mode & 0777 : 0u;
    };
    EXPECT_EQ(mode("real.txt"), 0604u);
    EXPECT_EQ(mode("made.txt"), 0640u);
    EXPECT_EQ(mode("a/x.html"), 0640u);
    for (const char* path : {"real.txt", "made.txt", "a/x.html"})
        EXPECT_EQ(testing::readFile(tree.path(path)), full) << path;
    EXPECT_TRUE(std::filesystem::is_symlink(tree.path("link.txt")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 7);

    EXPECT_EQ(write(files, tree.path("loop"), ""),
              "cannot write " + tree.path("loop") + ": Too many levels of symbolic links");
    // As many links as the kernel follows in one path, and one more.
    for (int i = 1; i <= 41; ++i)
        tree.link("chain" + std::to_string(i),
                  i == 1 ? "made.txt" : "chain" + std::to_string(i - 1));
    EXPECT_EQ(write(files, tree.path("chain40"), "new"), "");
    EXPECT_EQ(write(files, tree.path("chain41"), ""),
              "cannot write " + tree.path("chain41") + ": Too many levels of symbolic links");
    EXPECT_EQ(write(files, tree.path("new/"), ""),
              "cannot write " + tree.path("new/") + ": Is a directory");
    chmod(tree.path("real.txt").c_str(), 0444);
    if (geteuid() != 0) { // root may write any file
        EXPECT_EQ(write(files, tree.path("link.txt"), ""),
                  "cannot write " + tree.path("link.txt") + ": Permission denied");
    }
    const Descriptor log(open(tree.path("log").c_str(), O_CREAT | O_WRONLY | O_APPEND, 0600));
    ASSERT_EQ(::write(log.get(), "before\n", 7), 7);
    EXPECT_EQ(write(files, "/dev/fd/" + std::to_string(log.get()), "new"), "");
    EXPECT_EQ(testing::readFile(tree.path("log")), "before\n" + full);

    // What each open file is, which sizes its buffer.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const Descriptor reader(ends[0]), writer(ends[1]), terminal(posix_openpt(O_RDWR | O_NOCTTY));
    using enum WritableFile::Medium;
    const auto medium = [&files](int fd) {
        std::unique_ptr<WritableFile> file;
        return files.descriptor(fd, file) ? std::nullopt : std::optional(file->medium());
    };
    EXPECT_EQ(medium(log.get()), File);
    EXPECT_EQ(medium(writer.get()), Stream);
    if (terminal.valid()) {
        EXPECT_EQ(medium(terminal.get()), Terminal);
    }
}

// What a killed run left beside a catalogue goes with the next run that writes it: only its
// exact pattern, only the user's own regular files, and never one that a run holds.
TEST(PosixOutputFiles, RemovesWhatKilledRunsLeftBehind) {
    testing::TempTree tree;
    const std::vector<std::string> left = {".c.csv.Ab12Cd", ".c.csv.zz9911"};
    const std::vector<std::string> kept = {".c.csv.held00", ".c.csv.Ab12C",  ".c.csv.Ab12Cd7",
                                           ".c.csv.Ab-2Cd", ".d.csv.Ab12Cd", "c.csv.Ab12Cd"};
    for (const std::string& name : left)
        tree.file(name, "an old catalogue");
    for (const std::string& name : kept)
        tree.file(name, "someone else's");
    tree.folder(".c.csv.Folder");
    tree.link(".c.csv.Linked", "c.csv");
    if (geteuid() == 0) {
        tree.file(".c.csv.Others");
        ASSERT_EQ(chown(tree.path(".c.csv.Others").c_str(), 65534, 65534), 0);
    }
    const Descriptor held(open(tree.path(".c.csv.held00").c_str(), O_RDONLY));
    ASSERT_EQ(flock(held.get(), LOCK_EX), 0); // a run that is writing it
    PosixOutputFiles files;
    EXPECT_EQ(write(files, tree.path("c.csv"), "new"), "");
    for (const std::string& name : left)
        EXPECT_FALSE(std::filesystem::exists(tree.path(name))) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(tree.path(name))) << name;
    for (const char* name : {".c.csv.Folder", ".c.csv.Linked"})
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(tree.path(name))));
    EXPECT_EQ(geteuid() == 0, std::filesystem::exists(tree.path(".c.csv.Others")));

    // A run's own temporary file stays locked until it is dropped, past its close.
    std::string name;
    std::unique_ptr<WritableFile> file;
    ASSERT_TRUE(!files.createUnique(tree.path(".e.csv."), name, file) && !file->link(name) &&
                !file->close());
    const Descriptor other(open(name.c_str(), O_RDONLY));
    EXPECT_NE(flock(other.get(), LOCK_EX | LOCK_NB), 0);
    file.reset();
    EXPECT_EQ(flock(other.get(), LOCK_EX | LOCK_NB), 0);

    // A journal: made only where none is, held by its run while open, and removed only where
    // no run holds it.
    const std::string journal = tree.path("journal.1");
    ASSERT_EQ(files.createHeld(journal, file), std::error_code());
    std::unique_ptr<WritableFile> again;
    EXPECT_EQ(files.createHeld(journal, again), std::errc::file_exists);
    EXPECT_EQ(files.removeUnheld(journal), std::errc::device_or_resource_busy);
    EXPECT_TRUE(std::filesystem::exists(journal));
    file.reset();
    EXPECT_EQ(files.removeUnheld(journal), std::error_code());
    EXPECT_FALSE(std::filesystem::exists(journal));
}

// In a child of the test: descriptors opened where closed, and a signal that removes the
// run's temporary file and then ends the program as it would have.
TEST(PosixProcess, OpensClosedDescriptorsAndCleansUpOnSignals) {
    testing::TempTree tree;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = fork();
        if (child == 0) { // a catalogue's file, complete and named, about to be put in place
            close(2);
            prepareProcess();
            PosixOutputFiles files;
            std::unique_ptr<WritableFile> file;
            std::string name;
            if (fcntl(2, F_GETFD) == 0 && std::signal(SIGXFSZ, SIG_DFL) == SIG_IGN &&
                !files.createUnique(tree.path(".Files.html."), name, file) &&
                !file->write("page") && !file->link(name) && !name.empty())
                raise(signal);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(std::filesystem::is_empty(tree.root()));
    }
}

} // namespace
} // namespace dorvantile
