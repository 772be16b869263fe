#include "general/pause.h"
#include "platform/fakes/fake_controls.h"
#include "run/show_progress.h"

#include <gtest/gtest.h>
#include <string>

namespace dorvantile {
namespace {

TEST(ShowProgress, SweepsFromZeroToOneHundredPercentInOneHundredFifteenSteps) {
    fakes::Journal journal;
    fakes::FakeProgressDisplay bar(journal);
    fakes::FakeEventLoop loop;
    ShowProgress(bar, loop);
    ASSERT_EQ(bar.captions.size(), 115u);
    EXPECT_EQ(bar.captions[0] + bar.captions[1] + bar.captions[2] + bar.captions[57] +
                  bar.captions[113] + bar.captions[114],
              "0%0%1%50%99%100%");
    ASSERT_EQ(bar.lines.size(), 115u);
    for (std::size_t step = 0; step < bar.lines.size(); ++step) {
        const auto& line = bar.lines[step];
        const int x = static_cast<int>(step) * 2;
        EXPECT_TRUE(line.x1 == x && line.x2 == x && line.y1 == 0 && line.y2 == 15) << step;
        EXPECT_EQ(line.colour, (Rgb{static_cast<std::uint8_t>(x), 255, 200}));
    }
    EXPECT_EQ(loop.passes, 115); // each step yields once, so the window paints the sweep
}

TEST(Pause, WaitsTheDurationWhileTheMessageLoopRuns) {
    fakes::FakeEventLoop loop;
    Pause(loop, 0.2f);
    EXPECT_GE(loop.passes, 20);
    EXPECT_LE(loop.passes, 21);
    loop.passes = 0;
    Pause(loop, 0.0f);
    Pause(loop, -1.0f);
    EXPECT_EQ(loop.passes, 0); // no pass at all for nothing to wait
    // A monotonic clock can read days since boot; a single-precision difference still ends.
    loop.clock = 86399.99;
    loop.step = 0.001;
    Pause(loop, 0.001f);
    EXPECT_GE(loop.passes, 1);
    EXPECT_LE(loop.passes, 3);
}

} // namespace
} // namespace dorvantile
