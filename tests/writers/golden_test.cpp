// Every output byte for byte against the files in tests/golden, made from one fixture tree
// of awkward names on the real file system and from a few trees in memory. A case is one
// line of the table. DORVANTILE_UPDATE_GOLDEN=1 rewrites the golden files from the output.
#include "platform/fakes/fake_file_system.h"
#include "platform/posix_file_system.h"
#include "platform/text_case.h"
#include "support/golden.h"
#include "support/run_harness.h"
#include "support/temp_tree.h"
#include "writers/html_escape.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/stat.h>

namespace dorvantile {
namespace {

using testing::RunHarness;
using testing::TempTree;

// Names a page, a text file and a printout must survive: markup, entities, URL delimiters,
// control characters, bytes that are not UTF-8, letters outside ASCII, names that share
// their first eight bytes, and entries a catalogue leaves out.
void makeAwkwardTree(const TempTree& t) {
    for (const char* name :
         {"Notes.TXT", "b.txt", "<img src=x onerror=alert(1)>.txt", "a&b \"c\".txt",
          "100% #1?~.txt", "line\nbreak.txt", "tab\there\x1f.txt", "del\x7f.txt", "caf\xE9.txt",
          "\xC3\x89t\xC3\xA9.TXT", "abcdefgh", "abcdefgh9.txt", "ABCDEFGHa", "abcdefghB",
          ".hidden.txt", ".git/config", "Sub/inner.txt", "Sub/Deeper/Deepest/x",
          "Folder & <b>/f.txt", "two  spaces/z"})
        t.file(std::string("Awkward/") + name, "x");
    t.folder("Awkward/Empty");
    t.link("Awkward/link-to-file", "Notes.TXT");
    t.link("Awkward/dangling", "nowhere");
    t.link("Awkward/link-to-dir", "Sub");
    mkfifo(t.path("Awkward/fifo").c_str(), 0644);
}

// The two worked examples of the outputs, and the root of a file system.
void makeMemoryTrees(fakes::FakeFileSystem& fs) {
    fs.addEntry("/Work/Notes.TXT");
    fs.addEntry("/Work/Old/X.GIF");
    fs.addEntry("/Docs/Report.DOC");
    fs.addEntry("/Docs/notes.txt");
    fs.addEntry("/Docs/Old/A.TXT");
    fs.addFolder("/Docs/Empty");
}

struct GoldenCase {
    const char* golden;
    bool inMemory; // the memory trees, else the awkward tree with its root shown as /ROOT
    const char* folder;
    int choice; // 1 page, 2 text file, 3 printout
};

const GoldenCase cases[] = {
    {"worked_example.html", true, "/Work", 1}, {"worked_example.txt", true, "/Docs", 2},
    {"worked_example.print", true, "/Docs", 3}, {"root.html", true, "/", 1},
    {"root.txt", true, "/", 2},                 {"awkward.html", false, "Awkward", 1},
    {"awkward.txt", false, "Awkward", 2},       {"awkward.print", false, "Awkward", 3},
};

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to), at += to.size();
    return text;
}

// The printer's calls from the job's start to its end, one a line.
std::string printJob(const fakes::Journal& journal) {
    std::string job;
    for (auto call = std::find(journal.begin(), journal.end(), "Copies 1"); call != journal.end();
         ++call)
        job += *call + "\n";
    return job;
}

TEST(Golden, EveryOutputMatchesItsGoldenFile) {
    TempTree tree;
    makeAwkwardTree(tree);
    PosixFileSystem real;
    fakes::FakeFileSystem memory;
    makeMemoryTrees(memory);
    for (const GoldenCase& c : cases) {
        RunHarness h(c.inMemory ? static_cast<FileSystem&>(memory) : real);
        const std::string folder = c.inMemory ? c.folder : tree.path(c.folder);
        ASSERT_TRUE(h.run(folder, c.choice)) << c.golden;
        std::string output = c.choice == 3   ? printJob(h.journal)
                             : c.choice == 1 ? h.output("Files.html")
                                             : h.output("Files.txt");
        if (!c.inMemory)
            output = replaceAll(replaceAll(output, toUpper(tree.root()), "/ROOT"), tree.root(),
                                "/root");
        EXPECT_EQ(testing::compareWithGolden(c.golden, output), "") << c.golden;
    }
}

// What each writer does around its bytes: the page is opened once it is complete, the text
// file's notice comes after its animation, the printout yields to the loop only before its
// job starts.
TEST(Golden, WritersPauseAnimateAndFinishInTheirOrder) {
    fakes::FakeFileSystem fs;
    makeMemoryTrees(fs);
    RunHarness h(fs);
    h.loop.onPass = [&h] { h.journal.push_back("pass"); };
    ASSERT_TRUE(h.run("/Work", 1));
    EXPECT_EQ(h.shell.opened, std::vector<std::string>{"/out/Files.html"});
    const auto opened = std::find(h.journal.begin(), h.journal.end(), "open /out/Files.html");
    // The press, a pause, the sweep, a pause.
    EXPECT_EQ(std::count(h.journal.begin(), opened, "pass"), 20 + 20 + 115 + 20);
    EXPECT_EQ(std::vector<std::string>(opened, h.journal.end()),
              (std::vector<std::string>{"open /out/Files.html", "arrow"}));

    h.journal.clear();
    ASSERT_TRUE(h.run("/Work", 2));
    EXPECT_EQ(h.bar.captions.back(), "100%");
    const auto notice = std::find_if(h.journal.begin(), h.journal.end(), [](auto& s) {
        return s == "message You find this textfile in the App.folder";
    });
    ASSERT_NE(notice, h.journal.end());
    EXPECT_EQ(std::count(notice, h.journal.end(), "pass"), 0);
    EXPECT_EQ(h.messages.shown.back().icon, MessageIcon::None);
    EXPECT_EQ(h.messages.shown.back().title, "Dorvantile");
    EXPECT_EQ(h.shell.opened.size(), 1u);

    h.journal.clear();
    ASSERT_TRUE(h.run("/Work", 3));
    const auto job = std::find(h.journal.begin(), h.journal.end(), "Copies 1");
    EXPECT_EQ(std::count(h.journal.begin(), job, "pass"), 20 + 20 + 115);
    EXPECT_EQ(std::count(job, h.journal.end(), "pass"), 0);
    EXPECT_EQ(h.file1.folder(), "/Work/Old"); // File1 stays on the last folder listed
}

// A folder that cannot be listed keeps its heading with no files and is reported; the
// others are whole. Without a printer nothing is printed and the run says why.
TEST(Golden, UnreadableFoldersAndAMissingPrinter) {
    fakes::FakeFileSystem fs;
    fs.addEntry("/w/Locked/secret.txt");
    fs.addEntry("/w/Open/Plan.ODT");
    RunHarness h(fs);
    h.loop.onPass = [&] { fs.failFolder("/w/Locked", std::errc::permission_denied); };
    ASSERT_TRUE(h.run("/w", 2));
    EXPECT_EQ(h.output("Files.txt"), "/W\r\n\r\n/W/LOCKED/\r\n\r\n/W/OPEN/\r\n    plan.odt\r\n\r\n"
                                     " ----------------------------------------------------\r\n"
                                     " Folders: 2 \\ Files: 1\r\n");
    ASSERT_EQ(h.feedback.unreadable.size(), 1u);
    EXPECT_EQ(h.feedback.unreadable[0].first, "/w/Locked");
    EXPECT_EQ(h.feedback.unreadable[0].second, std::errc::permission_denied);

    h.printer.available = false;
    h.journal.clear();
    EXPECT_FALSE(h.run("/w", 3));
    EXPECT_EQ(printJob(h.journal), "");
    EXPECT_EQ(h.messages.shown.back().prompt, "No printer is set up");
    EXPECT_EQ(h.bar.lines.size(), 115u); // the animation played before the printer was asked
}

std::string percentDecode(std::string_view encoded) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            out.push_back(static_cast<char>(std::stoi(std::string(encoded.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(encoded[i]);
        }
    }
    return out;
}

// Any bytes at all: the shown text holds no markup character and no control character, every
// "&" starts one of the four entities, and the link target decodes to the exact bytes.
TEST(Golden, EscapingAndPercentEncodingHoldForRandomBytes) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byte(1, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string name;
        for (int n = 1 + round % 24; n > 0; --n)
            name.push_back(static_cast<char>(byte(random)));
        std::string shown;
        appendShown(shown, name);
        EXPECT_EQ(shown.find_first_of("<>\"\r\n\t\x7f"), std::string::npos) << shown;
        for (std::size_t amp = shown.find('&'); amp != std::string::npos;
             amp = shown.find('&', amp + 1)) {
            const std::string_view entity = std::string_view(shown).substr(amp);
            EXPECT_TRUE(entity.starts_with("&amp;") || entity.starts_with("&lt;") ||
                        entity.starts_with("&gt;") || entity.starts_with("&quot;"))
                << shown;
        }
        std::string target;
        appendPercentEncoded(target, name);
        EXPECT_EQ(target.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                           "0123456789-._~/%"),
                  std::string::npos);
        EXPECT_EQ(percentDecode(target), name);
    }
}

} // namespace
} // namespace dorvantile
