// The writers of the catalogue's formats behind one signature: each makes a sink of the
// catalogue's entries that writes its format to a target. A format is one writer file, one
// line here and a row of the command line's table of formats.
#pragma once

#include "catalogue/entry.h"
#include "catalogue/json_catalogue.h"
#include "platform/output_file.h"
#include "platform/print_surface.h"

#include <memory>
#include <string>

namespace dorvantile {

/// What a writer writes to: a file, or a print job that has begun; and the run it describes.
struct WriterTarget {
    OutputFile* file = nullptr;
    PrintSurface* printout = nullptr;
    const RunDescription* run = nullptr;
    /// CSV: a cell that a spreadsheet would read as a formula is written as text.
    bool spreadsheetSafe = false;
    /// Explorer: the start of every file's link, in URL form, before its path beneath the
    /// chosen folder (a path relative to the page's folder, or a URL ending in "/"); empty
    /// for links to each file's own full path.
    std::string linkBase = {};
};

using Writer = std::unique_ptr<CatalogueSink>;

/// `Files.html`: a heading and a link per file for each folder, then the totals.
Writer htmlCatalogue(const WriterTarget& target);
/// `Files.txt`: a heading and a line per file for each folder, then the totals.
Writer textCatalogue(const WriterTarget& target);
/// The printout on `target.printout`, which it ends.
Writer printedCatalogue(const WriterTarget& target);
/// CSV (RFC 4180) with each file's size and time.
Writer csvCatalogue(const WriterTarget& target);
/// The explorer page: a folder tree, each folder's files with sizes and times, and a search.
Writer explorerCatalogue(const WriterTarget& target);
/// A manifest of each file's SHA-256 that `sha256sum -c` checks in the chosen folder.
Writer sha256sumCatalogue(const WriterTarget& target);
/// The JSON catalogue, which compare reads back.
inline Writer jsonCatalogue(const WriterTarget& target) {
    return std::make_unique<JsonCatalogueWriter>(*target.file, *target.run);
}

} // namespace dorvantile
