// SaveToExplorer: the catalogue as the explorer page, one self-contained HTML file with a
// folder tree, each folder's files in a table, and a search over every name.
#pragma once

#include "platform/output_files.h"
#include "platform/system.h"
#include "writers/catalogue_walk.h"

#include <cstdint>
#include <string>

namespace dorvantile {

/// What the page says of the run that made it.
struct RunStamp {
    std::string host;
    std::int64_t time = 0; ///< seconds since 1970, UTC
};

/// Writes the page to `path` ("-" for standard output), replacing the old page only once
/// the new one is complete, then has the shell open it (not for standard output). Throws
/// CatalogueError, with the old page untouched, when the page cannot be written.
void SaveToExplorer(const CatalogueSource& source, OutputFiles& files, const std::string& path,
                    Shell& shell, const RunStamp& stamp);

} // namespace dorvantile
