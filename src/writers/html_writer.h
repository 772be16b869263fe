// SaveToHtml: the catalogue as an HTML page.
#pragma once

#include "platform/output_files.h"
#include "platform/system.h"
#include "run/show_progress.h"
#include "writers/catalogue_walk.h"

#include <string>

namespace dorvantile {

/// Writes the page to `path` ("-" for standard output), replacing the old page only once
/// the new one is complete, then has the shell open it (not for standard output). Pauses
/// and plays the progress animation before it writes. Throws CatalogueError, with the old
/// page untouched, when the page cannot be written.
void SaveToHtml(const CatalogueSource& source, const Animation& animation, OutputFiles& files,
                const std::string& path, Shell& shell);

} // namespace dorvantile
