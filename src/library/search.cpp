#include "library/search.h"

#include "library/substring.h"

#include <algorithm>

namespace dorvantile {

std::vector<std::uint32_t> matchingNames(const NameList& names, const SearchPattern& pattern) {
    std::vector<std::uint32_t> matched;
    if (pattern.spansFolders())
        return matched;
    const std::string_view anchor = pattern.anchor();
    if (anchor.empty()) {
        for (std::uint32_t name = 0; name < names.size(); ++name) {
            if (pattern.matches(names.name(name)))
                matched.push_back(name);
        }
        return matched;
    }
    // The anchor is looked for through all the names at once; each place it stands is then
    // tried as a whole name, and the search goes on after that name.
    std::size_t at = 0;
    while (at < names.text.size()) {
        const std::size_t found = findPiece(names.text.substr(at), anchor);
        if (found == std::string_view::npos)
            break;
        const std::size_t offset = at + found;
        const std::uint32_t name = names.at(offset);
        const std::string_view text = names.name(name);
        if (pattern.matches(text) && (matched.empty() || matched.back() != name))
            matched.push_back(name);
        at = std::max(static_cast<std::size_t>(text.data() - names.text.data()) + text.size() + 1,
                      offset + 1);
    }
    return matched;
}

namespace {

bool passes(const CatalogueIndex& index, std::uint32_t entry, const SearchFilters& filters) {
    if (filters.folders && (index.kind(entry) == EntryKind::Folder) != *filters.folders)
        return false;
    if (!filters.minSize && !filters.maxSize && !filters.newer && !filters.older)
        return true;
    if (!index.known(entry))
        return false;
    const std::uint64_t size = index.size(entry);
    const std::int64_t time = index.modified(entry);
    return (!filters.minSize || size >= *filters.minSize) &&
           (!filters.maxSize || size <= *filters.maxSize) &&
           (!filters.newer || time >= *filters.newer) && (!filters.older || time < *filters.older);
}

/// Adds `entry` to `hits` when it passes the filters.
void take(Hits& hits, const CatalogueIndex& index, std::uint32_t entry,
          const SearchFilters& filters, std::size_t limit) {
    if (entry == 0 || entry >= index.entries() || !passes(index, entry, filters))
        return;
    if (hits.entries.size() < limit)
        hits.entries.push_back(entry);
    ++hits.count;
}

/// The bearers of `names`, in catalogue order.
std::vector<std::uint32_t> bearersOf(const CatalogueIndex& index,
                                     const std::vector<std::uint32_t>& names) {
    std::vector<std::uint32_t> entries;
    for (std::uint32_t name : names) {
        const auto bearers = index.bearers(name);
        entries.insert(entries.end(), bearers.begin(), bearers.end());
    }
    if (names.size() > 1)
        std::sort(entries.begin(), entries.end());
    return entries;
}

/// A path search whose pattern holds a "/": each path put together and tried.
Hits searchPaths(const CatalogueIndex& index, const SearchPattern& pattern,
                 const SearchFilters& filters, std::size_t limit) {
    std::vector<std::uint32_t> nameOf(index.entries(), 0);
    for (std::uint32_t name = 0; name < index.distinct(); ++name) {
        for (std::uint32_t entry : index.bearers(name)) {
            if (entry < nameOf.size())
                nameOf[entry] = name;
        }
    }
    std::vector<IndexedFolder> folders;
    for (std::size_t at = 0; at < index.folders().size(); ++at)
        folders.push_back(index.folder(at));
    std::vector<std::string> paths(folders.size()); // of each folder, below the chosen one
    std::vector<std::uint32_t> open;                // the folders above, as indexes
    std::string path;
    Hits hits;
    std::size_t folder = 0;
    for (std::uint32_t entry = 1; entry < index.entries(); ++entry) {
        const std::string_view name = index.names().name(nameOf[entry]);
        if (folder + 1 < folders.size() && folders[folder + 1].number == entry) {
            ++folder;
            while (!open.empty() && folders[open.back()].end <= entry)
                open.pop_back();
            paths[folder] = open.empty() || folders[open.back()].number == 0
                                ? std::string(name)
                                : paths[open.back()] + '/' + std::string(name);
            open.push_back(static_cast<std::uint32_t>(folder));
            if (pattern.matches(paths[folder]))
                take(hits, index, entry, filters, limit);
            continue;
        }
        const std::string& above =
            folders.empty() || folders[folder].number == 0 ? std::string() : paths[folder];
        path.assign(above);
        if (!path.empty())
            path.push_back('/');
        path.append(name);
        if (pattern.matches(path))
            take(hits, index, entry, filters, limit);
    }
    return hits;
}

} // namespace

Hits searchIndex(const CatalogueIndex& index, const SearchPattern& pattern, bool paths,
                 const SearchFilters& filters, std::size_t limit,
                 const std::vector<std::uint32_t>* matched) {
    Hits hits;
    if (paths && pattern.spansFolders())
        return searchPaths(index, pattern, filters, limit);
    std::vector<std::uint32_t> names;
    if (!matched) {
        names = matchingNames(index.names(), pattern);
    } else {
        for (std::uint32_t name : *matched) {
            if (name < index.distinct())
                names.push_back(name);
        }
    }
    if (!paths) {
        if (!filters.any() && limit == 0) {
            // A count alone: each name knows how many bear it.
            for (std::uint32_t name : names)
                hits.count += index.bearers(name).size();
            // The chosen folder's name, the first met, is no hit.
            hits.count -= !names.empty() && names.front() == 0 && !index.bearers(0).empty() &&
                          index.bearers(0).front() == 0;
            return hits;
        }
        for (std::uint32_t entry : bearersOf(index, names))
            take(hits, index, entry, filters, limit);
        return hits;
    }
    // A path without "/" matches where a name on it does: the entry's own, or a folder's
    // above it (the chosen folder's path is not part of it), whose whole range then matches.
    // The ranges of the outermost matching folders, in catalogue order: the folders among the
    // names' bearers, each found by its number.
    std::vector<std::uint32_t> folders;
    for (std::uint32_t name : names) {
        for (std::uint32_t entry : index.bearers(name)) {
            if (entry != 0 && entry < index.entries() && index.kind(entry) == EntryKind::Folder)
                folders.push_back(entry);
        }
    }
    std::sort(folders.begin(), folders.end());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    const auto all = index.folders();
    for (std::uint32_t number : folders) {
        const auto at = std::lower_bound(
            all.begin(), all.end(), number,
            [](const IndexedFolder& folder, std::uint32_t n) { return folder.number < n; });
        if (at == all.end() || at->number != number)
            continue;
        const IndexedFolder folder = index.folder(static_cast<std::size_t>(at - all.begin()));
        if (folder.number != 0 && (ranges.empty() || folder.number >= ranges.back().second))
            ranges.emplace_back(folder.number, folder.end);
    }
    const auto inRanges = [&ranges](std::uint32_t entry) {
        const auto after =
            std::upper_bound(ranges.begin(), ranges.end(), entry,
                             [](std::uint32_t e, const std::pair<std::uint32_t, std::uint32_t>& r) {
                                 return e < r.first;
                             });
        return after != ranges.begin() && entry < std::prev(after)->second;
    };
    if (!filters.any() && limit == 0) {
        // A count alone: the ranges' lengths, and the own names' bearers outside them, taken
        // in any order.
        for (const auto& [begin, end] : ranges)
            hits.count += end - begin;
        for (std::uint32_t name : names) {
            for (std::uint32_t entry : index.bearers(name))
                hits.count += entry != 0 && entry < index.entries() && !inRanges(entry);
        }
        return hits;
    }
    const std::vector<std::uint32_t> own = bearersOf(index, names);
    auto next = own.begin();
    for (const auto& [begin, end] : ranges) {
        for (; next != own.end() && *next < begin; ++next)
            take(hits, index, *next, filters, limit);
        for (std::uint32_t entry = begin; entry < end; ++entry)
            take(hits, index, entry, filters, limit);
        while (next != own.end() && *next < end)
            ++next;
    }
    for (; next != own.end(); ++next)
        take(hits, index, *next, filters, limit);
    return hits;
}

} // namespace dorvantile
