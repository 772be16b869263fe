// SaveToHtml: the catalogue as an HTML page.
#pragma once

#include "run/run_services.h"

#include <string>

namespace dorvantile {

/// Writes the page to `path` ("-" for standard output), replacing the old page only once
/// the new one is complete, then has the shell open it (not for standard output). Pauses
/// and plays the progress animation before it writes. Throws CatalogueError, with the old
/// page untouched, when the page cannot be written.
void SaveToHtml(RunServices& services, const std::string& path);

} // namespace dorvantile
