// Shell patterns on entry names, for the names a catalogue leaves out.
#pragma once

#include <string>

namespace dorvantile {

/// Whether `name` (one entry's name, no "/") matches the shell pattern `pattern` as
/// fnmatch(3) matches it with no flags, byte by byte: `*`, `?`, `[...]` and `\`.
bool matchesPattern(const std::string& pattern, const char* name);

} // namespace dorvantile
