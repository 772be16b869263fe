#include "platform/name_pattern.h"

#include <fnmatch.h>

namespace dorvantile {

// Without a locale (the catalogue formats set none) the C library matches bytes; under one
// (Qt sets the user's for a printout) it still matches a name that is not UTF-8 byte by byte.
bool matchesPattern(const std::string& pattern, const char* name) {
    return fnmatch(pattern.c_str(), name, 0) == 0;
}

} // namespace dorvantile
