#include "library/library.h"

namespace dorvantile {

std::uint32_t FolderNumbers::parentOf(const CatalogueEntry& entry, std::uint32_t number) {
    if (entry.kind != EntryKind::Folder)
        return open_.empty() ? 0 : open_.back().number;
    const std::string_view below = entry.below;
    // The folders come depth first: the last one told that holds this one is its parent.
    while (!open_.empty() && !holds(open_.back().below, below))
        open_.pop_back();
    const std::uint32_t parent = open_.empty() ? number : open_.back().number;
    open_.push_back({std::string(below), number});
    return parent;
}

} // namespace dorvantile
