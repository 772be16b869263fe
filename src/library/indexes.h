// The search indexes of a library's catalogues: files in a folder beside the library
// ("LIBRARY-index/ID"), each made from its catalogue's entries as they are stored, and made
// again from the library when it is missing, damaged, or of an older form of its catalogue.
#pragma once

#include "library/catalogue_index.h"
#include "library/library.h"
#include "library/shared_names.h"
#include "platform/environment.h"
#include "platform/output_files.h"

#include <string>

namespace dorvantile {

class LibraryIndexes {
public:
    LibraryIndexes(Library& library, const std::string& libraryPath, OutputFiles& files,
                   UserFolders& folders);

    /// Keeps the index `built` while `catalogue` was stored. An index that cannot be kept is
    /// made again when it is needed.
    void keep(const StoredCatalogue& catalogue, const IndexBuilder& built);
    /// The index of `catalogue`.
    CatalogueIndex load(const StoredCatalogue& catalogue);
    /// Removes the index of a catalogue the library no longer holds.
    void forget(std::int64_t id);

    /// The shared names of `all`, every catalogue of the library as stored now.
    SharedNames shared(const std::vector<StoredCatalogue>& all);
    /// Makes the shared names of `all` and keeps them; their bytes.
    std::string keepShared(const std::vector<StoredCatalogue>& all);

private:
    std::string fileOf(std::int64_t id) const;
    void keepFile(const std::string& path, std::string_view bytes);
    Library& library_;
    std::string folder_;
    OutputFiles& files_;
    UserFolders& folders_;
};

} // namespace dorvantile
