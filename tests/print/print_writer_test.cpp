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

class PrintWriterTest : public ::testing::Test {
protected:
    PrintWriterTest() {
        dir1.folder = "/w";
        // Every pass of the message loop goes into the journal, so the tests can see where
        // the writer yields.
        loop.onPass = [this] { journal.push_back("pass"); };
    }

    /// The journal without the message loop's passes: the printer's calls alone.
    fakes::Journal printerCalls() const {
        fakes::Journal calls;
        std::copy_if(journal.begin(), journal.end(), std::back_inserter(calls),
                     [](const std::string& entry) { return entry != "pass"; });
        return calls;
    }

    /// The last size set before the rule: the size in force for the closing lines.
    std::string sizeOfClosingLines() const {
        const fakes::Journal calls = printerCalls();
        const auto ruleAt = std::find(calls.begin(), calls.end(), rule);
        EXPECT_NE(ruleAt, calls.end());
        const auto size =
            std::find_if(std::make_reverse_iterator(ruleAt), calls.rend(),
                         [](const std::string& entry) { return entry.starts_with("FontSize"); });
        return size == calls.rend() ? "none" : *size;
    }

    fakes::FakeFileSystem fs;
    testing::RunHarness h{fs};
    fakes::Journal& journal = h.journal;
    fakes::FakeChosenFolder& dir1 = h.dir1;
    fakes::FakeProgressDisplay& bar = h.bar;
    FolderList& list1 = h.list1;
    FileListing& file1 = h.file1;
    fakes::FakeEventLoop& loop = h.loop;
    fakes::FakeMessageBoxes& messages = h.messages;
    fakes::FakeFeedback& feedback = h.feedback;
    RunServices& services = h.services;
    fakes::FakePrinter printer{journal};
};

TEST_F(PrintWriterTest, PrintsChosenFolderWithFilesThenEmptySubFolder) {
    fs.addEntry("/w/Notes.TXT");
    fs.addEntry("/w/b.txt");
    fs.addFolder("/w/Old");
    list1.add("/w/Old");

    SaveToPrinter(services, printer);

    EXPECT_EQ(printerCalls(), (fakes::Journal{
                                  // The two integer settings come first, both 1.
                                  "Copies 1",
                                  "Orientation 1",
                                  "FontName Arial",
                                  "FontBold 1",
                                  "FontSize 11",
                                  "ForeColor 192,0,0",
                                  "CurrentX 300",
                                  "CurrentY 300",
                                  "Print /W",
                                  "FontSize 9",
                                  "ForeColor 0,160,0",
                                  "CurrentX 600",
                                  "Print b.txt",
                                  "FontSize 9",
                                  "ForeColor 0,160,0",
                                  "CurrentX 600",
                                  "Print notes.txt",
                                  "Print ",
                                  "FontSize 11",
                                  "ForeColor 192,0,0",
                                  "CurrentX 300",
                                  "Print /W/OLD/",
                                  "Print ",
                                  "ForeColor 0,0,0",
                                  "CurrentX 600",
                                  rule,
                                  "CurrentX 600",
                                  "Print Folders: 1 \\ Files: 2",
                                  "EndDoc",
                              }));
    // The last block had no files: the closing lines come out at the heading's size.
    EXPECT_EQ(sizeOfClosingLines(), "FontSize 11");
    // File1 is left on the last folder listed.
    EXPECT_EQ(file1.folder(), "/w/Old");
}

TEST_F(PrintWriterTest, ClosingLinesKeepFileSizeAfterBlockWithFiles) {
    fs.addFolder("/w/Docs");
    fs.addEntry("/w/Docs/Plan.ODT");
    list1.add("/w/Docs");

    SaveToPrinter(services, printer);

    const fakes::Journal calls = printerCalls();
    const fakes::Journal tail(calls.end() - 17, calls.end());
    EXPECT_EQ(tail, (fakes::Journal{
                        "Print /W",
                        "Print ",
                        "FontSize 11",
                        "ForeColor 192,0,0",
                        "CurrentX 300",
                        "Print /W/DOCS/",
                        "FontSize 9",
                        "ForeColor 0,160,0",
                        "CurrentX 600",
                        "Print plan.odt",
                        "Print ",
                        "ForeColor 0,0,0",
                        "CurrentX 600",
                        rule,
                        "CurrentX 600",
                        "Print Folders: 1 \\ Files: 1",
                        "EndDoc",
                    }));
    EXPECT_EQ(sizeOfClosingLines(), "FontSize 9");
}

TEST_F(PrintWriterTest, EmptyChosenFolderPrintsHeadingBlankRuleAndZeroTotals) {
    fs.addFolder("/w");

    SaveToPrinter(services, printer);

    const fakes::Journal calls = printerCalls();
    const fakes::Journal tail(calls.end() - 8, calls.end());
    EXPECT_EQ(tail, (fakes::Journal{"Print /W", "Print ", "ForeColor 0,0,0", "CurrentX 600", rule,
                                    "CurrentX 600", "Print Folders: 0 \\ Files: 0", "EndDoc"}));
    EXPECT_EQ(sizeOfClosingLines(), "FontSize 11");
}

TEST_F(PrintWriterTest, RootHeadingHasNoSecondSeparator) {
    dir1.folder = "/";
    fs.addEntry("/Top.txt");
    fs.addEntry("/etc/Hosts");
    list1.add("/etc");

    SaveToPrinter(services, printer);

    const fakes::Journal calls = printerCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Print /"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Print /ETC/"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Print hosts"), calls.end());
}

TEST_F(PrintWriterTest, ControlCharactersInNamesPrintAsQuestionMarks) {
    dir1.folder = "/w\x1b";
    fs.addEntry("/w\x1b/Tab\there.txt");
    fs.addEntry("/w\x1b/Sub\x01\x7f/Line\nbreak");
    list1.add("/w\x1b/Sub\x01\x7f");

    SaveToPrinter(services, printer);

    const fakes::Journal calls = printerCalls();
    // ("?" "?/" keeps the two question marks apart from a trigraph.)
    for (const char* line : {"Print /W?", "Print tab?here.txt",
                             "Print /W?/SUB?"
                             "?/",
                             "Print line?break"})
        EXPECT_NE(std::find(calls.begin(), calls.end(), line), calls.end()) << line;
}

TEST_F(PrintWriterTest, UnreadableSubFolderKeepsHeadingAndCounts) {
    fs.addEntry("/w/Locked/secret.txt");
    fs.addEntry("/w/Open/a.txt");
    fs.failFolder("/w/Locked", std::errc::permission_denied);
    list1.add("/w/Locked");
    list1.add("/w/Open");

    SaveToPrinter(services, printer);

    const fakes::Journal calls = printerCalls();
    const auto heading = std::find(calls.begin(), calls.end(), "Print /W/LOCKED/");
    ASSERT_NE(heading, calls.end());
    EXPECT_EQ(*(heading + 1), "Print ");
    EXPECT_EQ(calls[calls.size() - 2], "Print Folders: 2 \\ Files: 1");
    ASSERT_EQ(feedback.unreadable.size(), 1u);
    EXPECT_EQ(feedback.unreadable[0].first, "/w/Locked");
}

TEST_F(PrintWriterTest, PausesAndAnimatesBeforeTheJobAndNeverYieldsDuringIt) {
    fs.addEntry("/w/a.txt");
    fs.addEntry("/w/s/b.txt");
    list1.add("/w/s");

    SaveToPrinter(services, printer);

    const auto firstCall = std::find(journal.begin(), journal.end(), "Copies 1");
    ASSERT_NE(firstCall, journal.end());
    // 0.2 s of pause at 0.01 s a pass, then one pass after each of the animation's lines.
    EXPECT_GE(std::count(journal.begin(), firstCall, "pass"), 20 + 115);
    EXPECT_EQ(std::count(firstCall, journal.end(), "pass"), 0);
    EXPECT_EQ(bar.lines.size(), 115u);
    ASSERT_FALSE(bar.captions.empty());
    EXPECT_EQ(bar.captions.back(), "100%");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PrintWriterTest, NoPrinterThrowsAndPrintsNothing) {
    fs.addEntry("/w/a.txt");
    printer.available = false;

    EXPECT_THROW(SaveToPrinter(services, printer), CatalogueError);

    EXPECT_EQ(printerCalls(), fakes::Journal{});
    // The animation had played: the failure comes when the job is started.
    EXPECT_EQ(bar.lines.size(), 115u);
}

} // namespace
} // namespace dorvantile
