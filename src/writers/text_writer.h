// SaveToText: the catalogue as a plain text file.
#pragma once

#include "platform/output_files.h"
#include "platform/system.h"
#include "run/show_progress.h"
#include "writers/catalogue_walk.h"

#include <string>

namespace dorvantile {

/// The closing notice of a complete text catalogue.
inline constexpr const char* textNotice = "You find this textfile in the App.folder";

/// Writes the text catalogue to `path` ("-" for standard output), replacing the old file
/// only once the new one is complete; then plays the progress animation and shows the
/// closing notice. Throws CatalogueError, with the old file untouched and no notice, when
/// the file cannot be written.
void SaveToText(const CatalogueSource& source, const Animation& animation, OutputFiles& files,
                const std::string& path, MessageBoxes& messages);

} // namespace dorvantile
