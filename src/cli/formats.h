// The catalogue formats of the command line, one row each: what a new format adds here is
// its row and its writer.
#pragma once

#include "catalogue/entry.h"
#include "platform/output_file.h"
#include "platform/print_surface.h"

#include <memory>
#include <span>
#include <string_view>

namespace dorvantile::cli {

/// Where a format's writer writes: a file, or a print job that has begun.
struct FormatTarget {
    OutputFile* file = nullptr;
    PrintSurface* printout = nullptr;
    const RunDescription& run;
};

struct Format {
    std::string_view name;        ///< as `--format` names it
    std::string_view defaultFile; ///< in the app folder; empty for the printout
    bool details;                 ///< whether it reads each file's size and time
    /// The writer, on `target.file` (or `target.printout` for the printout).
    std::unique_ptr<CatalogueSink> (*writer)(const FormatTarget& target);

    bool printed() const { return defaultFile.empty(); }
};

/// Every format, the default (html) first.
std::span<const Format> formats();

/// The format named `name`, or null.
const Format* findFormat(std::string_view name);

} // namespace dorvantile::cli
