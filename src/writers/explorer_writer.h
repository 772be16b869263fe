// SaveToExplorer: the catalogue as the explorer page, one self-contained HTML file with a
// folder tree, each folder's files with their sizes and times in a table, and a search over
// every name. The command line only; it reads the tree in one pass.
#pragma once

#include "platform/output_files.h"
#include "writers/catalogue_walk.h"
#include "writers/data_writers.h"

#include <string>

namespace dorvantile {

/// Writes the page to `path` ("-" for standard output), replacing the old page only once
/// the new one is complete. `source.listing` must read details. Throws CatalogueError, with
/// the old page untouched, when the page cannot be written. Returns the totals.
Progress SaveToExplorer(const CatalogueSource& source, OutputFiles& files, const std::string& path,
                        const RunDescription& run);

} // namespace dorvantile
