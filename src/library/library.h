// The library: catalogues of many disks kept together, each under a name of its own, and read
// back as the catalogue streams they were made from. The store is behind one narrow interface
// (`Library`); this machine's is an SQLite file (`sqlite_library.h`).
#pragma once

#include "catalogue/entry.h"
#include "platform/interface.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

/// A library that cannot be opened, read or changed. The message names the library's file
/// and the reason.
class LibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One catalogue of the library, without its entries.
struct StoredCatalogue {
    std::string name;    ///< the user's name for it, unique in the library
    RunDescription run;  ///< its chosen folder, host, time, and whether it holds digests
    Totals totals;       ///< its folders, files and bytes
    std::string uuid;    ///< the file system it was read from, where the system names one
    std::string label;   ///< and that file system's label
    std::int64_t id = 0; ///< the store's number for it
    /// Changes whenever the catalogue is stored again: what is derived from its entries (a
    /// search index) holds the stamp it was made from.
    std::int64_t stamp = 0;
};

/// Where an entry lies in its catalogue: the catalogue's position in a list of catalogues and
/// the entry's number in catalogue order (the chosen folder is 0).
struct EntryPlace {
    std::uint32_t catalogue = 0;
    std::uint32_t entry = 0;
};

/// An entry of a stored catalogue as a search shows it.
struct FoundEntry {
    std::string path; ///< below the catalogue's folder, "/" between names
    EntryKind kind = EntryKind::File;
    bool known = false; ///< whether size and time are known
    std::uint64_t size = 0;
    FileTime modified;
    std::string sha256;
};

class Library : public Interface {
public:
    /// Every catalogue, in the order of their names (`compareNames`).
    virtual std::vector<StoredCatalogue> catalogues() = 0;

    /// Stores the entries of `entries`, also handed to `alsoTo` as they are stored, as the
    /// catalogue `described.name`, replacing the one of that name only once the whole new
    /// one is stored; a stream that fails stores nothing. Returns the stored catalogue.
    virtual StoredCatalogue add(StoredCatalogue described, EntryStream& entries,
                                CatalogueSink& alsoTo) = 0;

    /// Removes the catalogue `name`; false when there is none.
    virtual bool remove(std::string_view name) = 0;

    /// The entries of `catalogue` in catalogue order.
    virtual std::unique_ptr<EntryStream> entries(const StoredCatalogue& catalogue) = 0;

    /// The entries numbered `numbers` (ascending) of `catalogue`, each handed to `take` in that
    /// order.
    virtual void find(const StoredCatalogue& catalogue, const std::vector<std::uint32_t>& numbers,
                      const std::function<void(std::uint32_t, const FoundEntry&)>& take) = 0;

    /// Files of every catalogue (of `only`, when not empty) of at least `minSize` bytes, each
    /// handed to `take` with its catalogue's id and its name (the last part of its path).
    virtual void files(std::uint64_t minSize, const std::vector<std::int64_t>& only,
                       const std::function<void(std::int64_t catalogue, std::uint32_t number,
                                                std::string_view name, std::uint64_t size,
                                                std::string_view sha256)>& take) = 0;
};

/// Whether the folder `above` (a path below the chosen folder; empty for the chosen folder)
/// holds the folder `below`, at any depth.
inline bool holds(std::string_view above, std::string_view below) {
    return above.empty() ||
           (below.size() > above.size() && below.starts_with(above) && below[above.size()] == '/');
}

/// The number of each entry's folder in catalogue order, told one entry at a time: the
/// chosen folder is 0 and holds itself.
class FolderNumbers {
public:
    /// The number of the folder that holds `entry`, the `number`th entry of its catalogue.
    std::uint32_t parentOf(const CatalogueEntry& entry, std::uint32_t number);

private:
    struct Open {
        std::string below;
        std::uint32_t number;
    };
    std::vector<Open> open_; // the folders from the chosen one down to the last one told
};

} // namespace dorvantile
