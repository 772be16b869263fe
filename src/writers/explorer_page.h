// The explorer page's own text: explorer/explorer.html with its style sheet and script put
// in when the program is built (explorer/embed.cmake makes explorer_page.cpp).
#pragma once

#include <span>
#include <string_view>

namespace dorvantile::explorer {

/// The page before its catalogue's data and after it, each in pieces to be written one
/// after the other.
std::span<const std::string_view> pageBefore();
std::span<const std::string_view> pageAfter();

} // namespace dorvantile::explorer
