// The catalogue formats of the command line, one row each.
#pragma once

#include "writers/writers.h"

#include <string_view>

namespace dorvantile::cli {

struct Format {
    std::string_view name;        ///< as `--format` names it
    std::string_view defaultFile; ///< in the app folder; empty for the printout
    bool details;                 ///< whether it reads each file's size and time
    bool digests;                 ///< whether it is made of each file's SHA-256
    Writer (*writer)(const WriterTarget& target);

    bool printed() const { return defaultFile.empty(); }
};

/// The format named `name`, or null.
const Format* findFormat(std::string_view name);

} // namespace dorvantile::cli
