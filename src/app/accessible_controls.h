// How screen readers and other assistive technology see the window's own controls.
#pragma once

namespace dorvantile::app {

/// Describes the button pictures (`PictureKnop`) as push buttons with a press action, and
/// `Bar` (`BarBox`) as a progress bar with its value; every other control is described by
/// Qt. Installing again changes nothing.
void installAccessibleControls();

} // namespace dorvantile::app
