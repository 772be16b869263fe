#include "platform/fakes/fake_file_system.h"
#include "platform/output_file.h"
#include "run/run_control.h"
#include "support/run_harness.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dorvantile {
namespace {

// Writers that only note their calls in the run's journal, with a hook for what the user
// does while a writer runs.
class JournalCatalogues final : public Catalogues {
public:
    explicit JournalCatalogues(fakes::Journal& journal) : journal_(journal) {}
    std::function<void()> during;
    void SaveToHtml() override { note("SaveToHtml"); }
    void SaveToText() override { note("SaveToText"); }
    void SaveToPrinter() override { note("SaveToPrinter"); }

private:
    void note(const char* call) {
        journal_.push_back(call);
        if (during)
            std::exchange(during, nullptr)();
    }
    fakes::Journal& journal_;
};

struct RunControlTest : ::testing::Test {
    RunControlTest() {
        fs.addFolder("/w/b");
        fs.addFolder("/w/a");
        h.dir1.folder = "/w";
    }
    std::vector<std::string> writers() const {
        std::vector<std::string> called;
        std::copy_if(h.journal.begin(), h.journal.end(), std::back_inserter(called),
                     [](const std::string& s) { return s.starts_with("Save"); });
        return called;
    }
    fakes::FakeFileSystem fs;
    testing::RunHarness h{fs};
    JournalCatalogues catalogues{h.journal};
    RunControl control{h.services, catalogues};
};

TEST_F(RunControlTest, PressesCollectsAndCallsTheChosenWriterInOrder) {
    h.list1.add("/stale/entry");
    EXPECT_TRUE(control.OkKnop_Click());
    EXPECT_EQ(h.journal, (fakes::Journal{"top 2280", "left 3045", "top 2265", "left 3030", "Cls",
                                         "hourglass", "SaveToHtml", "arrow"}));
    EXPECT_GE(h.loop.passes, 20); // the press lasts the 0.2 s pause
    EXPECT_EQ(h.list1.count(), 2u);
    EXPECT_EQ(h.list1.at(0), "/w/a");
    const std::vector<std::vector<std::string>> expected = {
        {}, {"SaveToHtml"}, {"SaveToText"}, {"SaveToPrinter"}};
    for (int choice = 0; choice <= 3; ++choice) {
        h.journal.clear();
        h.keuze.selected = choice;
        EXPECT_TRUE(control.OkKnop_Click());
        EXPECT_EQ(writers(), expected[choice]) << choice; // none chosen: collection only
        EXPECT_EQ(h.list1.count(), 2u);
    }
}

TEST_F(RunControlTest, EachChoiceIsReadAfterThePreviousWriter) {
    catalogues.during = [&] { h.keuze.selected = 2; };
    control.OkKnop_Click();
    EXPECT_EQ(writers(), (std::vector<std::string>{"SaveToHtml", "SaveToText"}));
    h.journal.clear();
    catalogues.during = [&] { h.keuze.selected = 3; };
    control.OkKnop_Click();
    EXPECT_EQ(writers(), (std::vector<std::string>{"SaveToText", "SaveToPrinter"}));
    h.journal.clear();
    catalogues.during = [&] { h.keuze.selected = 1; }; // back to an earlier one adds nothing
    control.OkKnop_Click();
    EXPECT_EQ(writers(), (std::vector<std::string>{"SaveToPrinter"}));
}

TEST_F(RunControlTest, IgnoresASecondClickWhileARunIsInProgress) {
    h.loop.onPass = [&] {
        EXPECT_TRUE(control.running());
        EXPECT_FALSE(control.OkKnop_Click());
    };
    EXPECT_TRUE(control.OkKnop_Click());
    EXPECT_EQ(std::count(h.journal.begin(), h.journal.end(), "Cls"), 1);
    EXPECT_EQ(writers().size(), 1u);
    EXPECT_FALSE(control.running());
    h.loop.onPass = nullptr;
    EXPECT_TRUE(control.OkKnop_Click()); // and the next run starts normally
}

TEST_F(RunControlTest, AnErrorInAWriterRestoresThePointerShowsItAndEndsTheRun) {
    catalogues.during = [&] {
        h.keuze.selected = 2; // would add the text file, had the run gone on
        throw CatalogueError("cannot write /app/Files.html: No space left on device");
    };
    EXPECT_FALSE(control.OkKnop_Click());
    EXPECT_EQ(h.journal[h.journal.size() - 2], "arrow"); // the pointer first, then the message
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].prompt, "cannot write /app/Files.html: No space left on device");
    EXPECT_EQ(h.messages.shown[0].title, "Dorvantile");
    EXPECT_EQ(h.messages.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(writers(), std::vector<std::string>{"SaveToHtml"});
    EXPECT_FALSE(control.running());
}

TEST_F(RunControlTest, TheRootGivesNoDoubledSeparator) {
    h.dir1.folder = "/";
    control.OkKnop_Click();
    EXPECT_EQ(fs.enumerated.front(), "/");
    EXPECT_EQ(h.list1.at(0), "/w");
}

} // namespace
} // namespace dorvantile
