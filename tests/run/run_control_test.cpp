#include "platform/fakes/fake_file_system.h"
#include "platform/output_file.h"
#include "run/run_control.h"
#include "support/run_harness.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace dorvantile {
namespace {

// Writers that only note their calls in the run's journal, with a hook for what the user
// does while a writer runs.
class JournalCatalogues final : public Catalogues {
public:
    explicit JournalCatalogues(fakes::Journal& journal) : journal_(journal) {}
    std::function<void()> duringHtml;
    std::function<void()> duringText;
    void SaveToHtml() override {
        journal_.push_back("SaveToHtml");
        if (duringHtml)
            duringHtml();
    }
    void SaveToText() override {
        journal_.push_back("SaveToText");
        if (duringText)
            duringText();
    }
    void SaveToPrinter() override { journal_.push_back("SaveToPrinter"); }

private:
    fakes::Journal& journal_;
};

class RunControlTest : public ::testing::Test {
protected:
    RunControlTest() {
        fs.addFolder("/w/b");
        fs.addFolder("/w/a");
        h.dir1.folder = "/w";
    }
    fakes::FakeFileSystem fs;
    testing::RunHarness h{fs};
    JournalCatalogues catalogues{h.journal};
    RunControl control{h.services, catalogues};
};

TEST_F(RunControlTest, RunsItsStepsInOrder) {
    h.list1.add("/stale/entry");
    EXPECT_TRUE(control.OkKnop_Click());
    EXPECT_EQ(h.journal, (fakes::Journal{"top 2280", "left 3045", "top 2265", "left 3030", "Cls",
                                         "hourglass", "SaveToHtml", "arrow"}));
    // The press lasted the pause: 0.2 s of message loop passes.
    EXPECT_GE(h.loop.passes, 19);
    // The old folder list was emptied before the collection.
    ASSERT_EQ(h.list1.count(), 2u);
    EXPECT_EQ(h.list1.at(0), "/w/a");
    EXPECT_EQ(h.list1.at(1), "/w/b");
}

TEST_F(RunControlTest, CallsTheWriterOfTheSelectedChoiceOnly) {
    const std::vector<std::string> writers = {"", "SaveToHtml", "SaveToText", "SaveToPrinter"};
    for (int choice = 0; choice <= 3; ++choice) {
        h.journal.clear();
        h.keuze.selected = choice;
        EXPECT_TRUE(control.OkKnop_Click());
        std::vector<std::string> called;
        std::copy_if(h.journal.begin(), h.journal.end(), std::back_inserter(called),
                     [](const std::string& s) { return s.rfind("Save", 0) == 0; });
        // With no choice the run still collects, and calls no writer.
        EXPECT_EQ(called, choice == 0 ? std::vector<std::string>{}
                                      : std::vector<std::string>{writers[choice]});
        EXPECT_EQ(h.list1.count(), 2u);
        EXPECT_EQ(h.journal.back(), "arrow");
    }
}

TEST_F(RunControlTest, AChoiceSwitchedDuringAWriterAddsTheLaterOutput) {
    catalogues.duringHtml = [&] { h.keuze.selected = 2; };
    control.OkKnop_Click();
    EXPECT_EQ(std::vector<std::string>(h.journal.end() - 3, h.journal.end()),
              (std::vector<std::string>{"SaveToHtml", "SaveToText", "arrow"}));

    // Back from the text file to the page adds nothing.
    h.journal.clear();
    catalogues.duringText = [&] { h.keuze.selected = 1; };
    control.OkKnop_Click();
    EXPECT_EQ(std::vector<std::string>(h.journal.end() - 2, h.journal.end()),
              (std::vector<std::string>{"SaveToText", "arrow"}));
}

TEST_F(RunControlTest, IgnoresASecondClickWhileARunIsInProgress) {
    int nested = 0;
    h.loop.onPass = [&] {
        if (nested++ == 0) {
            EXPECT_FALSE(control.OkKnop_Click());
        }
    };
    EXPECT_TRUE(control.OkKnop_Click());
    EXPECT_EQ(std::count(h.journal.begin(), h.journal.end(), "SaveToHtml"), 1);
    EXPECT_EQ(std::count(h.journal.begin(), h.journal.end(), "Cls"), 1);
    EXPECT_FALSE(control.running());
    h.loop.onPass = nullptr;
    EXPECT_TRUE(control.OkKnop_Click()); // and the next run starts normally
}

TEST_F(RunControlTest, AnErrorInAWriterRestoresThePointerShowsItAndEndsTheRun) {
    h.keuze.selected = 1;
    catalogues.duringHtml = [&] {
        h.keuze.selected = 2; // would add the text file, had the run gone on
        throw CatalogueError("cannot write /app/Files.html: No space left on device");
    };
    EXPECT_FALSE(control.OkKnop_Click());
    EXPECT_EQ(h.pointer.current, MousePointer::Arrow);
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].prompt, "cannot write /app/Files.html: No space left on device");
    EXPECT_EQ(h.messages.shown[0].title, "Dorvantile");
    EXPECT_EQ(h.messages.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(std::find(h.journal.begin(), h.journal.end(), "SaveToText"), h.journal.end());
    EXPECT_FALSE(control.running());
}

TEST_F(RunControlTest, TheRootGivesNoDoubledSeparator) {
    fakes::FakeFileSystem rootFs;
    rootFs.addFolder("/etc");
    testing::RunHarness root(rootFs);
    root.dir1.folder = "/";
    JournalCatalogues none(root.journal);
    RunControl rootControl(root.services, none);
    rootControl.OkKnop_Click();
    ASSERT_EQ(root.list1.count(), 1u);
    EXPECT_EQ(root.list1.at(0), "/etc");
    EXPECT_EQ(rootFs.enumerated.front(), "/");
}

} // namespace
} // namespace dorvantile
