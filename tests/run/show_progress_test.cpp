#include "general/pause.h"
#include "platform/fakes/fake_controls.h"
#include "run/show_progress.h"
#include "support/golden.h"

#include <gtest/gtest.h>
#include <string>

namespace dorvantile {
namespace {

// Every line of the sweep with its colour, and the caption after it. Each step's pause lasts
// until the clock's next tick, so the sweep lasts 115 ticks.
TEST(ShowProgress, SweepsFromZeroToOneHundredPercentInOneHundredFifteenTicks) {
    fakes::Journal journal;
    fakes::FakeProgressDisplay bar(journal);
    fakes::FakeEventLoop loop;
    ShowProgress(bar, loop);
    std::string sweep;
    for (std::size_t i = 0; i < bar.lines.size(); ++i) {
        const auto& [x1, y1, x2, y2, c] = bar.lines[i];
        sweep += std::to_string(x1) + "," + std::to_string(y1) + " " + std::to_string(x2) + "," +
                 std::to_string(y2) + " rgb(" + std::to_string(c.red) + "," +
                 std::to_string(c.green) + "," + std::to_string(c.blue) + ") " +
                 bar.captions.at(i) + "\n";
    }
    EXPECT_EQ(testing::compareWithGolden("sweep.txt", sweep), "");
    EXPECT_NEAR(loop.clock - 1000.0, 115 / 64.0, loop.step);
}

// (A pause of 0.2 s shows as 21 passes of the loop in the writers' golden journals.)
TEST(Pause, EndsAtTheFirstTickAtLeastItsDurationLaterAndNothingToWaitForMakesNoPass) {
    fakes::FakeEventLoop loop;
    Pause(loop, 0.0f);
    Pause(loop, -1.0f);
    EXPECT_EQ(loop.passes, 0);
    loop.clock = 86399.9995; // days since boot, and the next tick comes too soon: the one after
    loop.step = 0.001;
    Pause(loop, 0.001f);
    EXPECT_TRUE(loop.clock >= 86400.015625 && loop.clock < 86400.016625) << loop.clock;
}

} // namespace
} // namespace dorvantile
