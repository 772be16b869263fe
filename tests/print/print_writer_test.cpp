// SaveToPrinter against a recording print surface: the exact calls of a job.
#include "platform/fakes/fake_file_system.h"
#include "platform/output_file.h"
#include "support/run_harness.h"
#include "writers/print_writer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace dorvantile {
namespace {

const std::string rule = "Print " + std::string(52, '-');

/// The rows of calls one after another.
fakes::Journal rows(std::initializer_list<fakes::Journal> rows) {
    fakes::Journal joined;
    for (const fakes::Journal& row : rows)
        joined.insert(joined.end(), row.begin(), row.end());
    return joined;
}

class PrintWriterTest : public ::testing::Test {
protected:
    PrintWriterTest() {
        h.dir1.folder = "/w";
        // Every pass of the message loop goes into the journal: the tests see where the
        // writer yields.
        h.loop.onPass = [this] { h.journal.push_back("pass"); };
    }

    /// The journal without the message loop's passes: the printer's calls alone.
    fakes::Journal calls() const {
        fakes::Journal calls;
        std::copy_if(h.journal.begin(), h.journal.end(), std::back_inserter(calls),
                     [](const std::string& entry) { return entry != "pass"; });
        return calls;
    }

    fakes::FakeFileSystem fs;
    testing::RunHarness h{fs};
    fakes::FakePrinter printer{h.journal};
};

TEST_F(PrintWriterTest, PrintsTheWorkedLayoutAfterPauseAndAnimationWithoutYieldingDuringIt) {
    fs.addEntry("/w/Notes.TXT");
    fs.addEntry("/w/b.txt");
    fs.addFolder("/w/Old");
    h.list1.add("/w/Old");

    SaveToPrinter(h.services, printer);

    // The two integer settings first, both 1; then a row a printed line. The last block has
    // no files, so the closing lines come out at the heading's size.
    EXPECT_EQ(calls(), rows({{"Copies 1", "Orientation 1", "FontName Arial", "FontBold 1"},
                             {"FontSize 11", "ForeColor 192,0,0", "CurrentX 300", "CurrentY 300",
                              "Print /W"},
                             {"FontSize 9", "ForeColor 0,160,0", "CurrentX 600", "Print b.txt"},
                             {"FontSize 9", "ForeColor 0,160,0", "CurrentX 600", "Print notes.txt"},
                             {"Print "},
                             {"FontSize 11", "ForeColor 192,0,0", "CurrentX 300", "Print /W/OLD/"},
                             {"Print "},
                             {"ForeColor 0,0,0", "CurrentX 600", rule},
                             {"CurrentX 600", "Print Folders: 1 \\ Files: 2", "EndDoc"}}));
    EXPECT_EQ(h.file1.folder(), "/w/Old"); // File1 is left on the last folder listed
    // 0.2 s of pause at 0.01 s a pass and a pass after each of the animation's 115 lines,
    // all before the job.
    const auto job = std::find(h.journal.begin(), h.journal.end(), "Copies 1");
    EXPECT_GE(std::count(h.journal.begin(), job, "pass"), 20 + 115);
    EXPECT_EQ(std::count(job, h.journal.end(), "pass"), 0);
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST_F(PrintWriterTest, ChosenFolderWithoutFilesAndUnreadableFolderKeepTheirHeadings) {
    fs.addEntry("/w/Locked/secret.txt");
    fs.failFolder("/w/Locked", std::errc::permission_denied);
    fs.addEntry("/w/Open/Plan.ODT");
    h.list1.add("/w/Locked");
    h.list1.add("/w/Open");

    SaveToPrinter(h.services, printer);

    // The last block has a file line: the closing lines keep its size.
    EXPECT_EQ(
        calls(),
        rows({{"Copies 1", "Orientation 1", "FontName Arial", "FontBold 1"},
              {"FontSize 11", "ForeColor 192,0,0", "CurrentX 300", "CurrentY 300", "Print /W"},
              {"Print "},
              {"FontSize 11", "ForeColor 192,0,0", "CurrentX 300", "Print /W/LOCKED/"},
              {"Print "},
              {"FontSize 11", "ForeColor 192,0,0", "CurrentX 300", "Print /W/OPEN/"},
              {"FontSize 9", "ForeColor 0,160,0", "CurrentX 600", "Print plan.odt"},
              {"Print "},
              {"ForeColor 0,0,0", "CurrentX 600", rule},
              {"CurrentX 600", "Print Folders: 2 \\ Files: 1", "EndDoc"}}));
    ASSERT_EQ(h.feedback.unreadable.size(), 1u);
    EXPECT_EQ(h.feedback.unreadable[0].first, "/w/Locked");
}

TEST_F(PrintWriterTest, ControlCharactersPrintAsQuestionMarksAndTheRootAsOneSeparator) {
    h.dir1.folder = "/w\x1b";
    fs.addEntry("/w\x1b/Tab\there.txt");
    fs.addEntry("/w\x1b/Sub\x01\x7f/Line\nbreak");
    h.list1.add("/w\x1b/Sub\x01\x7f");
    SaveToPrinter(h.services, printer);
    h.dir1.folder = "/";
    fs.addEntry("/etc/Hosts");
    h.list1.clear();
    h.list1.add("/etc");
    SaveToPrinter(h.services, printer);

    const fakes::Journal printed = calls();
    // ("?" "?/" keeps the two question marks apart from a trigraph.)
    for (const char* line : {"Print /W?", "Print tab?here.txt",
                             "Print /W?/SUB?"
                             "?/",
                             "Print line?break", "Print /", "Print /ETC/", "Print hosts"})
        EXPECT_NE(std::find(printed.begin(), printed.end(), line), printed.end()) << line;
}

TEST_F(PrintWriterTest, NoPrinterThrowsAfterTheAnimationAndPrintsNothing) {
    fs.addEntry("/w/a.txt");
    printer.available = false;

    EXPECT_THROW(SaveToPrinter(h.services, printer), CatalogueError);

    EXPECT_EQ(calls(), fakes::Journal{});
    EXPECT_EQ(h.bar.lines.size(), 115u);
}

} // namespace
} // namespace dorvantile
