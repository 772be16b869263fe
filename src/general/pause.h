// Pause: waits while the window stays responsive.
#pragma once

#include "platform/system.h"

namespace dorvantile {

/// Runs passes of the message loop until `seconds` have gone by on the monotonic clock,
/// read in ticks of 1/64 s (15.625 ms): the pause ends at the first tick at least `seconds`
/// after it began, so 0.001 s lasts until the next tick and 0.2 s a little over 0.2 s. The
/// test comes before the first pass, so a duration of 0 or less returns at once without
/// handling any message.
void Pause(EventLoop& loop, float seconds);

} // namespace dorvantile
