// Case mapping and order of names, which are bytes (normally UTF-8).
#pragma once

#include <string>
#include <string_view>

namespace dorvantile {

/// Appends `text` in upper case to `out`: Unicode simple case mapping character by
/// character over valid UTF-8; bytes that are not valid UTF-8 pass through unchanged.
/// The result does not depend on the user's locale.
void appendUpper(std::string& out, std::string_view text);

/// Appends `text` in lower case to `out`, under the same rules as `appendUpper`.
void appendLower(std::string& out, std::string_view text);

std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);

/// The platform's order of names: by their lower-case forms byte by byte, ties broken by the
/// raw bytes. Negative, zero or positive like `memcmp`.
int compareNames(std::string_view a, std::string_view b);

} // namespace dorvantile
