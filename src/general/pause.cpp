#include "general/pause.h"

#include <algorithm>
#include <cmath>

namespace dorvantile {
namespace {

// The resolution of the timer the pauses were made for: the progress sweep's 115 pauses of
// 0.001 s make a sweep of 115 ticks, about 1.8 s.
constexpr double ticksPerSecond = 64.0;

// The last tick at or before `seconds`.
double tickOf(double seconds) {
    return std::floor(seconds * ticksPerSecond) / ticksPerSecond;
}

} // namespace

void Pause(EventLoop& loop, float seconds) {
    // The clock is read in ticks, counted from the moment the pause began: it ends at the
    // first tick at least `seconds` after that moment, so a short pause lasts until the
    // next tick and none ends early.
    const double start = loop.now();
    while (static_cast<float>(std::max(0.0, tickOf(loop.now()) - start)) < seconds)
        loop.processEvents();
}

} // namespace dorvantile
