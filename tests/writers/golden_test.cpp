// Every output byte for byte against the files in tests/golden, made from one fixture tree
// of awkward names on the real file system and from a few trees in memory. A case is one
// line of the table. DORVANTILE_UPDATE_GOLDEN=1 rewrites the golden files from the output.
#include "catalogue/tree_walk.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/posix_file_system.h"
#include "platform/text_case.h"
#include "support/golden.h"
#include "support/run_harness.h"
#include "support/temp_tree.h"
#include "writers/writers.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace dorvantile {
namespace {

using testing::RunHarness;
using testing::TempTree;

// Names a page, a text file and a printout must survive: markup, entities, URL delimiters,
// control characters, bytes that are not UTF-8, letters outside ASCII, names that share
// their first eight bytes, a name of every byte a name may hold, and entries a catalogue
// leaves out.
void makeAwkwardTree(const TempTree& t) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += b == '/' ? "" : std::string(1, static_cast<char>(b));
    t.file("Awkward/" + everyByte, "x");
    std::string_view names = "Notes.TXT|b.txt|<img src=x onerror=alert(1)>.txt|caf\xE9.txt|"
                             "\xC3\x89t\xC3\xA9.TXT|abcdefgh|abcdefgh9.txt|ABCDEFGHa|abcdefghB|"
                             ".hidden.txt|.git/config|Sub/inner.txt|Sub/Deeper/Deepest/x|"
                             "Folder & <b>/f.txt|two  spaces/z|\001ctl\037\177/y";
    for (std::size_t start = 0, bar; start <= names.size(); start = bar + 1) {
        bar = std::min(names.find('|', start), names.size());
        t.file("Awkward/" + std::string(names.substr(start, bar - start)), "x");
    }
    t.folder("Awkward/Empty");
    t.link("Awkward/link-to-file", "Notes.TXT");
    t.link("Awkward/dangling", "nowhere");
    t.link("Awkward/link-to-dir", "Sub");
    mkfifo(t.path("Awkward/fifo").c_str(), 0644);
}

// The two worked examples of the outputs, a folder that cannot be read, and the root of a
// file system.
void makeMemoryTrees(fakes::FakeFileSystem& fs) {
    for (const char* file :
         {"/Work/Notes.TXT", "/Work/Old/X.GIF", "/Docs/Report.DOC", "/Docs/notes.txt",
          "/Docs/Old/A.TXT", "/Unreadable/Locked/secret.txt", "/Unreadable/Open/Plan.ODT"})
        fs.addEntry(file);
    fs.addFolder("/Docs/Empty");
    fs.failFolder("/Unreadable/Locked", std::errc::permission_denied);
}

struct GoldenCase {
    const char* golden;
    bool inMemory; // the memory trees, else the awkward tree with its root shown as /ROOT
    const char* folder;
    int choice;   // 1 page, 2 text file, 3 printout
    bool journal; // every call of the run in order, rather than the file written
};

const GoldenCase cases[] = {
    {"worked_example.html", true, "/Work", 1, false},
    {"worked_example.txt", true, "/Docs", 2, false},
    {"worked_example.print", true, "/Docs", 3, true},
    {"root.html", true, "/", 1, false},
    {"root.txt", true, "/", 2, false},
    {"html.journal", true, "/Work", 1, true},
    {"text.journal", true, "/Work", 2, true},
    {"awkward.html", false, "Awkward", 1, false},
    {"awkward.txt", false, "Awkward", 2, false},
    {"awkward.print", false, "Awkward", 3, true},
    {"unreadable.txt", true, "/Unreadable", 2, false},
};

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to), at += to.size();
    return text;
}

// The catalogue of `folder` as the command line writes it, the tree walked once into the
// writer that `make` makes on the output.
template <class Make>
std::string walkedOnce(FileSystem& fs, const std::string& folder, const ListingOptions& listing,
                       fakes::FakeFeedback& feedback, Make&& make) {
    fakes::FakeOutputFiles files;
    files.folders = {"/out"};
    TreeWalk walk(fs, folder, listing, feedback);
    EXPECT_FALSE(walk.start());
    OutputFile out = OutputFile::open(files, "/out/c");
    const auto writer = make(out);
    writeCatalogue(walk, *writer);
    out.commit();
    return files.files["/out/c"].content;
}

// The journal one call a line, each run of passes of the message loop as one line.
std::string calls(const fakes::Journal& journal) {
    std::string out;
    for (std::size_t i = 0, passes = 0; i < journal.size(); ++i) {
        passes = journal[i] == "pass" ? passes + 1 : 0;
        if (passes == 0 || i + 1 == journal.size() || journal[i + 1] != "pass")
            out += passes ? "pass x" + std::to_string(passes) + "\n" : journal[i] + "\n";
    }
    return out;
}

TEST(Golden, EveryOutputMatchesItsGoldenFile) {
    TempTree tree;
    makeAwkwardTree(tree);
    PosixFileSystem real;
    fakes::FakeFileSystem memory;
    makeMemoryTrees(memory);
    for (const GoldenCase& c : cases) {
        RunHarness h(c.inMemory ? static_cast<FileSystem&>(memory) : real);
        h.loop.onPass = [&h] { h.journal.push_back("pass"); };
        ASSERT_TRUE(h.run(c.inMemory ? c.folder : tree.path(c.folder), c.choice)) << c.golden;
        std::string output =
            c.journal ? calls(h.journal) : h.output(c.choice == 1 ? "Files.html" : "Files.txt");
        if (!c.inMemory)
            output =
                replaceAll(replaceAll(output, toUpper(tree.root()), "/ROOT"), tree.root(), "/root");
        EXPECT_EQ(testing::compareWithGolden(c.golden, output), "") << c.golden;
        if (c.journal)
            continue;
        // Read in one pass, as the command line reads, the file is the same.
        fakes::FakeFeedback feedback;
        const std::string once =
            walkedOnce(h.fileSystem, h.dir1.folder, {}, feedback, [&](OutputFile& out) {
                return c.choice == 1 ? htmlCatalogue({&out}) : textCatalogue({&out});
            });
        EXPECT_EQ(once, h.output(c.choice == 1 ? "Files.html" : "Files.txt")) << c.golden;
    }
}

// A folder that cannot be read is reported, by the collection and by the listing; a chosen
// folder that cannot be read, or without a printer, nothing is written or printed, and the
// run says why after its animation.
TEST(Golden, UnreadableFoldersAreReportedAndAMissingPrinterIsAFailure) {
    fakes::FakeFileSystem fs;
    makeMemoryTrees(fs);
    RunHarness h(fs);
    ASSERT_TRUE(h.run("/Unreadable", 2));
    fakes::FakeFeedback once;
    walkedOnce(fs, "/Unreadable", {}, once, [](OutputFile& out) { return textCatalogue({&out}); });
    ASSERT_EQ(h.feedback.unreadable.size(), 2u);
    ASSERT_EQ(once.unreadable.size(), 1u);
    for (const auto& [folder, reason] : h.feedback.unreadable)
        EXPECT_EQ(folder + ": " + reason.message(), "/Unreadable/Locked: Permission denied");
    EXPECT_EQ(once.unreadable[0], h.feedback.unreadable[0]);

    h.files.files.clear(), h.messages.shown.clear();
    for (const char* folder : {"/Unreadable/Locked", "/Work/Notes.TXT"}) {
        EXPECT_FALSE(h.run(folder, 1));
        TreeWalk walk(fs, folder, {}, once);
        const std::error_code error = walk.start();
        EXPECT_EQ(chosenFolderError(folder, error), h.messages.shown.back().prompt);
    }
    EXPECT_EQ(h.messages.shown.at(0).prompt, "cannot read /Unreadable/Locked: Permission denied");
    EXPECT_EQ(h.messages.shown.at(1).prompt, "/Work/Notes.TXT: not a folder");
    EXPECT_TRUE(h.files.files.empty());
    h.printer.available = false;
    h.loop.onPass = [&h] { h.journal.push_back("pass"); };
    h.journal.clear();
    EXPECT_FALSE(h.run("/Work", 3));
    EXPECT_EQ(testing::compareWithGolden("no_printer.journal", calls(h.journal)), "");
    EXPECT_EQ(h.messages.shown.back().title, "Dorvantile");
    EXPECT_EQ(h.messages.shown.back().icon, MessageIcon::Critical);
}

// The explorer page's data, with each file's size and time: of the awkward tree, every entry
// given one time, and of a folder that cannot be read. The page's own text, the same in
// every catalogue, is left out.
TEST(Golden, TheExplorerPagesDataMatchesItsGoldenFiles) {
    TempTree tree;
    makeAwkwardTree(tree);
    const timespec times[2] = {{1765000000 - 3600, 0}, {1765000000 - 3600, 0}};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root()))
        ASSERT_EQ(utimensat(AT_FDCWD, entry.path().c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    PosixFileSystem real;
    fakes::FakeFileSystem memory;
    makeMemoryTrees(memory);
    memory.setDetails("/Unreadable/Open/Plan.ODT", {4096, {1765000000 - 90, 0}});
    memory.addEntry("/Unreadable/Open/Secret.txt"); // whose details cannot be read
    memory.failDetails("/Unreadable/Open/Secret.txt", std::errc::permission_denied);
    struct {
        const char* golden;
        FileSystem& fs;
        std::string folder;
    } runs[] = {{"awkward.explorer", real, tree.path("Awkward")},
                {"unreadable.explorer", memory, "/Unreadable"}};
    for (const auto& [golden, fs, folder] : runs) {
        fakes::FakeFeedback feedback;
        const RunDescription run{folder, {1765000000, 0}, "box"};
        const std::string page =
            walkedOnce(fs, folder, {false, {}, true}, feedback, [&run](OutputFile& out) {
                return explorerCatalogue({&out, nullptr, &run});
            });
        const std::size_t start = page.find("<script type=\"application/json\"");
        const std::string data = page.substr(start, page.find("\n<script>\n", start) - start + 1);
        EXPECT_EQ(testing::compareWithGolden(golden, replaceAll(data, tree.root(), "/root")), "");
    }
}

} // namespace
} // namespace dorvantile
