#include "general/pause.h"
#include "platform/fakes/fake_controls.h"
#include "run/show_progress.h"

#include <gtest/gtest.h>
#include <string>

namespace dorvantile {
namespace {

TEST(ShowProgress, CountsFromZeroToOneHundredInOneHundredFifteenSteps) {
    fakes::Journal journal;
    fakes::FakeProgressDisplay bar(journal);
    fakes::FakeEventLoop loop;
    ShowProgress(bar, loop);
    // 0%, 0%, 1%, 2%, ... 98%, 99%, 100%: the whole part of 100 * i / 228.
    ASSERT_EQ(bar.captions.size(), 115u);
    for (std::size_t step = 0; step < bar.captions.size(); ++step) {
        const int i = static_cast<int>(step) * 2;
        EXPECT_EQ(bar.captions[step], std::to_string(100 * i / 228) + "%") << "step " << step;
    }
}

TEST(ShowProgress, DrawsLinesOnlyAtEvenXInTheirGradientColour) {
    fakes::Journal journal;
    fakes::FakeProgressDisplay bar(journal);
    fakes::FakeEventLoop loop;
    ShowProgress(bar, loop);
    ASSERT_EQ(bar.lines.size(), 115u);
    for (std::size_t step = 0; step < bar.lines.size(); ++step) {
        const auto& line = bar.lines[step];
        const int x = static_cast<int>(step) * 2;
        EXPECT_EQ(line.x1, x);
        EXPECT_EQ(line.x2, x);
        EXPECT_EQ(line.y1, 0);
        EXPECT_EQ(line.y2, 15);
        EXPECT_EQ(line.colour, (Rgb{static_cast<std::uint8_t>(x), 255, 200}));
    }
    // Each step yields to the message loop, so the window paints the sweep.
    EXPECT_GE(loop.passes, 115);
}

TEST(Pause, WaitsAtLeastTheDurationWhileTheMessageLoopRuns) {
    fakes::FakeEventLoop loop;
    loop.step = 0.01;
    const double start = loop.clock;
    Pause(loop, 0.2f);
    EXPECT_GE(loop.clock - start, 0.2 - 1e-6);
    EXPECT_LE(loop.clock - start, 0.2 + loop.step + 1e-6);
    EXPECT_GE(loop.passes, 19);
}

TEST(Pause, ZeroOrLessReturnsAtOnceWithoutAPass) {
    fakes::FakeEventLoop loop;
    Pause(loop, 0.0f);
    Pause(loop, -1.0f);
    EXPECT_EQ(loop.passes, 0);
}

TEST(Pause, EndsOnAClockWhoseReadingsAreLarge) {
    // A monotonic clock can read days since boot; a single-precision difference still ends.
    fakes::FakeEventLoop loop;
    loop.clock = 86399.99;
    loop.step = 0.001;
    Pause(loop, 0.001f);
    EXPECT_GE(loop.passes, 1);
    EXPECT_LE(loop.passes, 3);
}

} // namespace
} // namespace dorvantile
