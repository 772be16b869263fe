// The text of the help panel `Text1`.
#pragma once

#include <string>

namespace dorvantile::app {

/// The nine lines of the help panel, each ended by CR LF: usage steps, a note on size and
/// the project's addresses. Leading spaces belong to the lines.
std::string helpText();

} // namespace dorvantile::app
