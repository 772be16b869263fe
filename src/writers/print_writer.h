// SaveToPrinter: the catalogue as a printout on the default printer.
#pragma once

#include "platform/print_surface.h"
#include "run/show_progress.h"
#include "writers/catalogue_walk.h"

namespace dorvantile {

/// Pauses, plays the progress animation, then prints the catalogue: dark-red bold headings
/// at 300 twips, green file names at 600, a black rule of 52 hyphens and the totals. Throws
/// CatalogueError when there is no printer or the job fails; nothing is then reported as
/// printed.
void SaveToPrinter(const CatalogueSource& source, const Animation& animation, Printer& printer);

} // namespace dorvantile
