// An index file, little-endian, each part starting at a multiple of 8 bytes:
//
//   "DVLIDX\x01\n", entries, distinct names, folders, 0 (u32 each), catalogue id, stamp,
//   bytes of the names (u64 each);
//   kind of each entry (u8: EntryKind, 0x80 when its size and time are unknown);
//   size of each entry (u64); time of each entry (i64 seconds);
//   start of each name in the names, and one past the last (u32);
//   start of each name's bearers in the bearers, and one past the last (u32);
//   the bearers (u32 entry numbers, each name's ascending);
//   the folders (IndexedFolder, u32 x 4);
//   the names, folded, each followed by a NUL.
#include "library/catalogue_index.h"

#include "library/library.h"
#include "library/name_pattern_search.h"

#include <algorithm>
#include <cstring>

namespace dorvantile {
namespace {

constexpr char magic[8] = {'D', 'V', 'L', 'I', 'D', 'X', '\x01', '\n'};

struct Header {
    char magic[8];
    std::uint32_t entries, distinct, folders, zero;
    std::int64_t id, stamp;
    std::uint64_t namesBytes;
};
static_assert(sizeof(Header) == 48);

constexpr std::size_t aligned(std::size_t size) {
    return (size + 7) & ~std::size_t{7};
}

template <class T> void appendArray(std::string& out, const T* data, std::size_t count) {
    out.append(reinterpret_cast<const char*>(data), count * sizeof(T));
    out.resize(aligned(out.size()), '\0');
}

} // namespace

std::optional<CatalogueIndex> CatalogueIndex::open(MappedFile mapped, std::int64_t id,
                                                   std::int64_t stamp) {
    CatalogueIndex index;
    index.mapped_ = std::move(mapped);
    if (!index.read(index.mapped_.bytes()) || index.id_ != id || index.stamp_ != stamp)
        return std::nullopt;
    return index;
}

CatalogueIndex CatalogueIndex::inMemory(std::string bytes) {
    CatalogueIndex index;
    index.owned_ = std::move(bytes);
    index.read(index.owned_);
    return index;
}

bool CatalogueIndex::read(std::string_view bytes) {
    Header header;
    if (bytes.size() < sizeof header)
        return false;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (std::memcmp(header.magic, magic, sizeof magic) != 0)
        return false;
    const std::size_t n = header.entries, d = header.distinct, f = header.folders;
    const std::size_t expected = sizeof header + aligned(n) + 8 * n + 8 * n + aligned(4 * (d + 1)) +
                                 aligned(4 * (d + 1)) + aligned(4 * n) + 16 * f + header.namesBytes;
    if (bytes.size() != expected || header.namesBytes > bytes.size())
        return false;
    const char* at = bytes.data() + sizeof header;
    const auto take = [&at]<class T>(std::span<const T>& part, std::size_t count) {
        part = {reinterpret_cast<const T*>(at), count};
        at += aligned(count * sizeof(T));
    };
    take(kinds_, n);
    take(sizes_, n);
    take(times_, n);
    take(nameStarts_, d + 1);
    take(postStarts_, d + 1);
    take(postings_, n);
    take(folders_, f);
    names_ = {at, header.namesBytes};
    // What a search trusts without looking again: the ends of the starts. Each name's and
    // each bearers' start, and each folder, is checked where it is used, not here: a search
    // reads few of them.
    entries_ = header.entries;
    distinct_ = header.distinct;
    id_ = header.id;
    stamp_ = header.stamp;
    return true;
}

std::string_view NameList::name(std::uint32_t name) const {
    const std::size_t start = std::min<std::size_t>(starts[name], text.size());
    const std::size_t end = std::min<std::size_t>(starts[name + 1], text.size());
    return text.substr(start, end > start ? end - start - 1 : 0);
}

std::uint32_t NameList::at(std::size_t offset) const {
    const auto after =
        std::upper_bound(starts.begin(), starts.end(), static_cast<std::uint32_t>(offset));
    const auto name = static_cast<std::uint32_t>(after - starts.begin() - 1);
    return size() == 0 ? 0 : std::min(name, size() - 1);
}

std::span<const std::uint32_t> CatalogueIndex::bearers(std::uint32_t name) const {
    const std::size_t start = std::min<std::size_t>(postStarts_[name], postings_.size());
    const std::size_t end = std::min<std::size_t>(postStarts_[name + 1], postings_.size());
    return postings_.subspan(start, end > start ? end - start : 0);
}

void IndexBuilder::entry(const CatalogueEntry& entry) {
    const auto number = static_cast<std::uint32_t>(kinds_.size());
    kinds_.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(entry.kind) |
                                               (entry.known ? 0u : CatalogueIndex::unknown)));
    sizes_.push_back(entry.known ? entry.size : 0);
    times_.push_back(entry.known ? entry.modified.seconds : 0);
    std::string_view name = entry.name;
    if (entry.kind == EntryKind::Folder)
        name = entry.below.substr(entry.below.rfind('/') + 1);
    folded_.clear();
    SearchPattern::fold(folded_, name);
    const std::uint32_t nameNumber = names_.numberOf(folded_);
    nameOf_.push_back(nameNumber);
    if (entry.kind != EntryKind::Folder)
        return;
    // The folders come depth first: those above that do not hold this one are complete.
    const std::string_view below = entry.below;
    while (!open_.empty() && !holds(open_.back().first, below)) {
        folders_[open_.back().second].end = number;
        open_.pop_back();
    }
    const std::uint32_t parent = open_.empty() ? number : folders_[open_.back().second].number;
    folders_.push_back({number, number + 1, parent, nameNumber});
    open_.emplace_back(std::string(below), folders_.size() - 1);
}

std::uint32_t NameTable::numberOf(std::string_view folded) {
    // A table of slots at most half full, in one array: a name is found with one look at its
    // slot and one at its bytes, where a node-based map would chase three pointers.
    if (2 * (starts_.size() + 1) > slots_.size()) {
        std::vector<std::uint32_t> slots(std::max<std::size_t>(1024, 2 * slots_.size()), 0);
        const std::size_t mask = slots.size() - 1;
        for (std::uint32_t name = 0; name < starts_.size(); ++name) {
            const std::size_t end = name + 1 < starts_.size() ? starts_[name + 1] : names_.size();
            std::size_t at = std::hash<std::string_view>()(std::string_view(names_).substr(
                                 starts_[name], end - starts_[name] - 1)) &
                             mask;
            while (slots[at] != 0)
                at = (at + 1) & mask;
            slots[at] = name + 1;
        }
        slots_ = std::move(slots);
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = std::hash<std::string_view>()(folded) & mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0) {
            const auto name = static_cast<std::uint32_t>(starts_.size());
            starts_.push_back(static_cast<std::uint32_t>(names_.size()));
            names_.append(folded).push_back('\0');
            slots_[at] = name + 1;
            return name;
        }
        const std::uint32_t name = slots_[at] - 1;
        const std::size_t start = starts_[name];
        if (names_.compare(start, folded.size(), folded) == 0 &&
            start + folded.size() < names_.size() && names_[start + folded.size()] == '\0')
            return name;
    }
}

void IndexBuilder::finish(const Totals&) {
    for (const auto& [below, folder] : open_)
        folders_[folder].end = static_cast<std::uint32_t>(kinds_.size());
    open_.clear();
}

std::string IndexBuilder::bytes(std::int64_t id, std::int64_t stamp) const {
    const std::size_t n = kinds_.size(), d = names_.starts().size();
    std::vector<std::uint32_t> nameStarts(names_.starts()), postStarts(d + 1, 0), postings(n);
    const std::size_t namesBytes = names_.names().size();
    nameStarts.push_back(static_cast<std::uint32_t>(namesBytes));
    for (std::uint32_t name : nameOf_)
        ++postStarts[name + 1];
    for (std::size_t i = 0; i < d; ++i)
        postStarts[i + 1] += postStarts[i];
    std::vector<std::uint32_t> next(postStarts.begin(), postStarts.end() - 1);
    for (std::size_t entry = 0; entry < n; ++entry)
        postings[next[nameOf_[entry]]++] = static_cast<std::uint32_t>(entry);

    Header header{};
    std::memcpy(header.magic, magic, sizeof magic);
    header.entries = static_cast<std::uint32_t>(n);
    header.distinct = static_cast<std::uint32_t>(d);
    header.folders = static_cast<std::uint32_t>(folders_.size());
    header.id = id;
    header.stamp = stamp;
    header.namesBytes = namesBytes;
    std::string out;
    out.reserve(sizeof header + n * 25 + d * 8 + folders_.size() * 16 + namesBytes + 64);
    out.append(reinterpret_cast<const char*>(&header), sizeof header);
    appendArray(out, kinds_.data(), n);
    appendArray(out, sizes_.data(), n);
    appendArray(out, times_.data(), n);
    appendArray(out, nameStarts.data(), d + 1);
    appendArray(out, postStarts.data(), d + 1);
    appendArray(out, postings.data(), n);
    appendArray(out, folders_.data(), folders_.size());
    out.append(names_.names());
    return out;
}

} // namespace dorvantile
