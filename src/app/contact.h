// The project's own addresses, shown in the help panel and opened from it.
#pragma once

namespace dorvantile::app {

/// The project's website: the help panel's website line and what a click on the panel opens.
inline constexpr const char* websiteAddress = "https://dorvantile.example.org";

/// The project's e-mail address, the help panel's last line.
inline constexpr const char* emailAddress = "info@dorvantile.example.org";

} // namespace dorvantile::app
