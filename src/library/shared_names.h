// The names of every catalogue of a library, each once. A search scans them once, however
// many catalogues hold a name (backups of one disk hold the same names over and over), then
// looks up in each catalogue's own index only the names that matched. Derived from the
// catalogues' indexes, like them: made again when a catalogue is added or removed.
#pragma once

#include "library/catalogue_index.h"
#include "library/library.h"
#include "library/name_pattern_search.h"

#include <optional>
#include <vector>

namespace dorvantile {

class SharedNames {
public:
    /// The bytes of the shared names of `catalogues`, whose indexes are `indexes`.
    static std::string build(const std::vector<StoredCatalogue>& catalogues,
                             const std::vector<const CatalogueIndex*>& indexes);
    /// The shared names in `mapped`, when they are whole and were made from `catalogues` as
    /// stored now; else nothing.
    static std::optional<SharedNames> open(MappedFile mapped,
                                           const std::vector<StoredCatalogue>& catalogues);
    /// The shared names in `bytes`, as `build` made them.
    static SharedNames inMemory(std::string bytes, const std::vector<StoredCatalogue>& catalogues);

    /// The numbers of the shared names `pattern` matches, ascending.
    std::vector<std::uint32_t> matching(const SearchPattern& pattern) const;
    /// The numbers in the own index of the catalogue `id` of the shared names `shared`
    /// (ascending), ascending.
    std::vector<std::uint32_t> own(std::int64_t id, const std::vector<std::uint32_t>& shared) const;

private:
    SharedNames() = default;
    bool read(std::string_view bytes, const std::vector<StoredCatalogue>& catalogues);

    struct Pair {
        std::uint32_t shared, own;
    };
    MappedFile mapped_;
    std::string owned_;
    NameList names_;
    std::vector<std::pair<std::int64_t, std::span<const Pair>>> catalogues_; // by id, pairs
};

} // namespace dorvantile
