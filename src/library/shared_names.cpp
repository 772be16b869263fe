// The file, little-endian, each part at a multiple of 8 bytes:
//
//   "DVLSHRD\x01", catalogues, names (u32 each), bytes of the names (u64);
//   each catalogue's id and stamp (i64 each), and the start and count of its pairs (u32 each);
//   where each name begins in the names, and one past the last (u32);
//   each catalogue's pairs of a shared name's number and its own number in the catalogue's
//   index (u32 each), by the shared number;
//   the names, each followed by a NUL.
#include "library/shared_names.h"

#include "library/search.h"

#include <algorithm>
#include <cstring>

namespace dorvantile {
namespace {

constexpr char magic[8] = {'D', 'V', 'L', 'S', 'H', 'R', 'D', '\x01'};

struct Header {
    char magic[8];
    std::uint32_t catalogues, names;
    std::uint64_t namesBytes;
};

struct Held {
    std::int64_t id, stamp;
    std::uint32_t start, count;
};

constexpr std::size_t aligned(std::size_t size) {
    return (size + 7) & ~std::size_t{7};
}

} // namespace

std::string SharedNames::build(const std::vector<StoredCatalogue>& catalogues,
                               const std::vector<const CatalogueIndex*>& indexes) {
    NameTable table;
    std::vector<std::vector<Pair>> pairs(catalogues.size());
    for (std::size_t c = 0; c < catalogues.size(); ++c) {
        const NameList names = indexes[c]->names();
        for (std::uint32_t own = 0; own < names.size(); ++own)
            pairs[c].push_back({table.numberOf(names.name(own)), own});
        std::sort(pairs[c].begin(), pairs[c].end(),
                  [](const Pair& a, const Pair& b) { return a.shared < b.shared; });
    }
    std::vector<std::uint32_t> starts(table.starts());
    starts.push_back(static_cast<std::uint32_t>(table.names().size()));
    Header header{};
    std::memcpy(header.magic, magic, sizeof magic);
    header.catalogues = static_cast<std::uint32_t>(catalogues.size());
    header.names = static_cast<std::uint32_t>(table.starts().size());
    header.namesBytes = table.names().size();
    std::string out(reinterpret_cast<const char*>(&header), sizeof header);
    std::uint32_t start = 0;
    for (std::size_t c = 0; c < catalogues.size(); ++c) {
        const Held held{catalogues[c].id, catalogues[c].stamp, start,
                        static_cast<std::uint32_t>(pairs[c].size())};
        out.append(reinterpret_cast<const char*>(&held), sizeof held);
        start += held.count;
    }
    out.append(reinterpret_cast<const char*>(starts.data()), 4 * starts.size());
    out.resize(aligned(out.size()), '\0');
    for (const std::vector<Pair>& own : pairs)
        out.append(reinterpret_cast<const char*>(own.data()), sizeof(Pair) * own.size());
    out.append(table.names());
    return out;
}

bool SharedNames::read(std::string_view bytes, const std::vector<StoredCatalogue>& catalogues) {
    Header header;
    if (bytes.size() < sizeof header)
        return false;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (std::memcmp(header.magic, magic, sizeof magic) != 0 ||
        header.catalogues != catalogues.size())
        return false;
    const std::size_t heldEnd = sizeof header + sizeof(Held) * header.catalogues;
    const std::size_t startsEnd = aligned(heldEnd + 4 * (std::size_t{header.names} + 1));
    if (bytes.size() < startsEnd)
        return false;
    std::size_t pairs = 0;
    std::vector<Held> held(header.catalogues);
    std::memcpy(held.data(), bytes.data() + sizeof header, sizeof(Held) * held.size());
    for (std::size_t c = 0; c < held.size(); ++c) {
        // Made from these catalogues, each as it is stored now, and its pairs in their place.
        if (held[c].id != catalogues[c].id || held[c].stamp != catalogues[c].stamp ||
            held[c].start != pairs)
            return false;
        pairs += held[c].count;
    }
    if (bytes.size() != startsEnd + sizeof(Pair) * pairs + header.namesBytes)
        return false;
    const auto* starts = reinterpret_cast<const std::uint32_t*>(bytes.data() + heldEnd);
    names_ = {bytes.substr(startsEnd + sizeof(Pair) * pairs),
              {starts, header.names + std::size_t{1}}};
    if (names_.starts.back() != names_.text.size())
        return false;
    const auto* pairsAt = reinterpret_cast<const Pair*>(bytes.data() + startsEnd);
    for (const Held& h : held)
        catalogues_.emplace_back(h.id, std::span<const Pair>(pairsAt + h.start, h.count));
    return true;
}

std::optional<SharedNames> SharedNames::open(MappedFile mapped,
                                             const std::vector<StoredCatalogue>& catalogues) {
    SharedNames names;
    names.mapped_ = std::move(mapped);
    if (!names.read(names.mapped_.bytes(), catalogues))
        return std::nullopt;
    return names;
}

SharedNames SharedNames::inMemory(std::string bytes,
                                  const std::vector<StoredCatalogue>& catalogues) {
    SharedNames names;
    names.owned_ = std::move(bytes);
    names.read(names.owned_, catalogues);
    return names;
}

std::vector<std::uint32_t> SharedNames::matching(const SearchPattern& pattern) const {
    return matchingNames(names_, pattern);
}

std::vector<std::uint32_t> SharedNames::own(std::int64_t id,
                                            const std::vector<std::uint32_t>& shared) const {
    std::vector<std::uint32_t> own;
    const auto found = std::find_if(catalogues_.begin(), catalogues_.end(),
                                    [id](const auto& c) { return c.first == id; });
    if (found == catalogues_.end())
        return own;
    const std::span<const Pair> pairs = found->second;
    const auto before = [](const Pair& pair, std::uint32_t name) { return pair.shared < name; };
    // Both lists ascend: each name is sought from where the one before it was found. A
    // catalogue holds most of the names, so a name's pair lies near its share of the pairs:
    // the search begins there and widens, touching a page or two of a large list rather than
    // one at each step of a halving.
    const std::size_t names = std::max<std::size_t>(names_.size(), 1);
    auto at = pairs.begin();
    for (std::uint32_t name : shared) {
        const auto guess =
            pairs.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(
                                std::uint64_t{name} * pairs.size() / names, pairs.size()));
        // The first pair not below the name lies between `low` and `high`.
        auto low = std::clamp(guess, at, pairs.end());
        auto high = low;
        for (std::ptrdiff_t step = 16; low != at && !before(*std::prev(low), name); step *= 2) {
            high = low;
            low -= std::min(low - at, step);
        }
        for (std::ptrdiff_t step = 16; high != pairs.end() && before(*high, name); step *= 2) {
            low = high + 1;
            high += std::min(pairs.end() - high, step);
        }
        at = std::lower_bound(low, high, name, before);
        if (at != pairs.end() && at->shared == name)
            own.push_back(at->own);
    }
    std::sort(own.begin(), own.end());
    return own;
}

} // namespace dorvantile
