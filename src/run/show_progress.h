// ShowProgress: the fixed sweep of the progress bar from 0% to 100%.
#pragma once

#include "platform/controls.h"
#include "platform/system.h"

namespace dorvantile {

/// Draws 115 vertical lines at x = 0, 2, ..., 228 from y = 0 to 15 in RGB(x, 255, 200),
/// pausing 0.001 seconds after each and then setting the caption to the whole part of
/// x * 100 / 228 followed by "%". Measures nothing: every call plays the same sweep.
void ShowProgress(ProgressDisplay& bar, EventLoop& loop);

} // namespace dorvantile
