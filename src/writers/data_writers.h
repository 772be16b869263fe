// The catalogue as data for spreadsheets and scripts: CSV and JSON, with each file's size and
// time. The command line only; both read the tree in one pass.
#pragma once

#include "platform/output_files.h"
#include "writers/catalogue_walk.h"

#include <string>

namespace dorvantile {

/// What a JSON catalogue says of its run besides the entries.
struct RunDescription {
    std::string folder; ///< the chosen folder
    FileTime started;   ///< when the run began
    std::string host;   ///< the machine's name
};

/// Writes the catalogue as CSV (RFC 4180) to `path` ("-" for standard output), replacing the
/// old file only once the new one is complete. `source.listing` must read details. Throws
/// CatalogueError, with the old file untouched, when the file cannot be written. Returns the
/// totals.
Progress SaveToCsv(const CatalogueSource& source, OutputFiles& files, const std::string& path);

/// Writes the catalogue as one JSON document (RFC 8259), one entry a line, as `SaveToCsv`
/// writes CSV.
Progress SaveToJson(const CatalogueSource& source, OutputFiles& files, const std::string& path,
                    const RunDescription& run);

} // namespace dorvantile
