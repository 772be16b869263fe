// `dorvantile-cli library`: catalogues of many disks in one library, searched at once.
#pragma once

#include "catalogue/entry.h"
#include "cli/options.h"

#include <memory>
#include <string>

namespace dorvantile::cli {

/// Runs `library ACTION`; exit status as grep's: 0 done (a search found something), 1 a search
/// found nothing, 2 trouble.
int library(const Options& options, int& argc, char** argv);

/// The catalogue `name` of the library the options name, as a stream that holds the library
/// open; null, with a message reported, when there is none.
std::unique_ptr<EntryStream> libraryCatalogue(const Options& options, const std::string& name);

/// The catalogue that `--reuse` names (JSON, or `library:NAME`), its header read, so that one
/// that cannot be read or is no catalogue is refused before any file is read: null then,
/// with a message reported.
std::unique_ptr<EntryStream> reusedCatalogue(const Options& options);

} // namespace dorvantile::cli
