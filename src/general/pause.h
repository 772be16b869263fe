// Pause: waits while the window stays responsive.
#pragma once

#include "platform/system.h"

namespace dorvantile {

/// Runs passes of the message loop until `seconds` have gone by on the monotonic clock.
/// The test comes before the first pass, so a duration of 0 or less returns at once
/// without handling any message.
void Pause(EventLoop& loop, float seconds);

} // namespace dorvantile
