// A search of one indexed catalogue: the entries whose name (or path below the chosen folder)
// a pattern matches, narrowed by kind, size and time.
#pragma once

#include "library/catalogue_index.h"
#include "library/name_pattern_search.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dorvantile {

struct SearchFilters {
    std::optional<bool> folders; ///< true: folders only; false: files (and links) only
    std::optional<std::uint64_t> minSize, maxSize;
    std::optional<std::int64_t> newer, older; ///< seconds since 1970: at or after, before
    bool any() const { return folders || minSize || maxSize || newer || older; }
    friend bool operator==(const SearchFilters&, const SearchFilters&) = default;
};

struct Hits {
    std::vector<std::uint32_t> entries; ///< in catalogue order, at most the limit
    std::uint64_t count = 0;            ///< all of them
};

/// The numbers of the names of `names` that `pattern` matches, ascending.
std::vector<std::uint32_t> matchingNames(const NameList& names, const SearchPattern& pattern);

/// The entries of `index` that `pattern` matches, by name or, when `paths`, by path below
/// the chosen folder (which itself is never a hit), and that pass `filters`: all of them
/// counted, the first `limit` listed. `matched`, when given, are the numbers of the index's
/// names that `pattern` matches, ascending, found already.
Hits searchIndex(const CatalogueIndex& index, const SearchPattern& pattern, bool paths,
                 const SearchFilters& filters, std::size_t limit,
                 const std::vector<std::uint32_t>* matched = nullptr);

} // namespace dorvantile
