// The one seam through which names and paths reach the explorer page's data: JSON strings
// that stay inert inside the page's script element.
#pragma once

#include <string>
#include <string_view>

namespace dorvantile {

/// Appends `bytes` as the inside of a JSON string (no quotes): `"` and `\` escaped, control
/// characters and `<` as \u00XX (so the text can never close its script element), and every
/// sequence that is not valid UTF-8 as U+FFFD, one for each maximal invalid part as browsers
/// decode it. Returns false when such a replacement was made: the text then no longer gives
/// the name's bytes.
bool appendJsonText(std::string& out, std::string_view bytes);

} // namespace dorvantile
