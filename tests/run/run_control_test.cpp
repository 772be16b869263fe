#include "platform/fakes/fake_file_system.h"
#include "run/run_control.h"
#include "support/run_harness.h"

#include <functional>
#include <gtest/gtest.h>

namespace dorvantile {
namespace {

// Writers that note their calls in the run's journal, with a hook for what the user does
// while the next writer runs.
struct JournalCatalogues final : Catalogues {
    explicit JournalCatalogues(fakes::Journal& journal) : journal(journal) {}
    void SaveToHtml() override { note("SaveToHtml"); }
    void SaveToText() override { note("SaveToText"); }
    void SaveToPrinter() override { note("SaveToPrinter"); }
    void note(const char* call) {
        journal.push_back(call);
        if (during)
            std::exchange(during, nullptr)();
    }
    fakes::Journal& journal;
    std::function<void()> during;
};

struct RunControlTest : ::testing::Test {
    RunControlTest() {
        fs.addFolder("/w/b");
        fs.addFolder("/w/a");
        h.dir1.folder = "/w";
    }
    /// Runs with `choice` first, and `then` chosen during the first writer.
    fakes::Journal run(int choice, int then = 0) {
        h.journal.clear();
        h.keuze.selected = choice;
        if (then)
            catalogues.during = [this, then] { h.keuze.selected = then; };
        EXPECT_TRUE(control.OkKnop_Click());
        fakes::Journal writers;
        std::copy_if(h.journal.begin(), h.journal.end(), std::back_inserter(writers),
                     [](const std::string& s) { return s.starts_with("Save"); });
        return writers;
    }
    fakes::FakeFileSystem fs;
    testing::RunHarness h{fs};
    JournalCatalogues catalogues{h.journal};
    RunControl control{h.services, catalogues};
};

TEST_F(RunControlTest, PressesCollectsAndCallsTheChosenWritersInOrder) {
    // (The steps around the writers are in the golden journals of the writers' tests.)
    h.list1.add("/stale/entry");
    EXPECT_EQ(run(1), fakes::Journal{"SaveToHtml"});
    ASSERT_EQ(h.list1.count(), 2u);
    EXPECT_EQ(h.list1.at(0), "/w/a");
    EXPECT_EQ(run(0), fakes::Journal{}); // none chosen: the collection alone
    EXPECT_EQ(h.list1.count(), 2u);
    EXPECT_EQ(run(3), fakes::Journal{"SaveToPrinter"});
    // Each choice is read after the previous writer returned; an earlier one adds nothing.
    EXPECT_EQ(run(1, 2), (fakes::Journal{"SaveToHtml", "SaveToText"}));
    EXPECT_EQ(run(2, 3), (fakes::Journal{"SaveToText", "SaveToPrinter"}));
    EXPECT_EQ(run(3, 1), fakes::Journal{"SaveToPrinter"});
    // The mount points read again for every run, from its folder.
    EXPECT_EQ(fs.refreshed, std::vector<std::string>(6, "/w"));
}

TEST_F(RunControlTest, IgnoresASecondClickWhileARunIsInProgress) {
    h.loop.onPass = [&] {
        EXPECT_TRUE(control.running());
        EXPECT_FALSE(control.OkKnop_Click());
    };
    EXPECT_EQ(run(1), fakes::Journal{"SaveToHtml"});
    EXPECT_EQ(std::count(h.journal.begin(), h.journal.end(), "Cls"), 1);
    EXPECT_FALSE(control.running());
    h.loop.onPass = nullptr;
    EXPECT_EQ(run(1), fakes::Journal{"SaveToHtml"}); // and the next run starts normally
}

} // namespace
} // namespace dorvantile
