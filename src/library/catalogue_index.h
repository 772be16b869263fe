// The search index of one stored catalogue, derived from its entries and never a second
// source of truth: each distinct name once, folded to the case searches compare, with the
// entries that bear it; each entry's kind, size and time; each folder's range of entries.
// A search scans the names (far fewer than the entries where names repeat) and reads the
// rest only for what matched. Kept in a file beside the library, mapped, and made again from
// the library when it is missing or was made from an older form of its catalogue.
#pragma once

#include "catalogue/entry.h"
#include "platform/mapped_file.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

/// Distinct names in one text, each followed by a NUL, and where each begins: what a search
/// scans.
struct NameList {
    std::string_view text;
    std::span<const std::uint32_t> starts; ///< one more than the names: the text's end

    std::uint32_t size() const {
        return starts.empty() ? 0 : static_cast<std::uint32_t>(starts.size() - 1);
    }
    /// The name numbered `name`, and the one that holds the byte at `offset` of `text`; each
    /// start is checked here, where it is used.
    std::string_view name(std::uint32_t name) const;
    std::uint32_t at(std::size_t offset) const;
};

/// A folder of an indexed catalogue: its entry's number, the number after the last entry
/// beneath it (its entries and everything beneath it lie between), its parent's, its name's.
struct IndexedFolder {
    std::uint32_t number;
    std::uint32_t end;
    std::uint32_t parent;
    std::uint32_t name;
};

class CatalogueIndex {
public:
    /// The index in `mapped`, when it is one whole index of catalogue `id` as stored with
    /// `stamp`; else nothing.
    static std::optional<CatalogueIndex> open(MappedFile mapped, std::int64_t id,
                                              std::int64_t stamp);
    /// The index in `bytes`, as `IndexBuilder::bytes` made them.
    static CatalogueIndex inMemory(std::string bytes);

    std::uint32_t entries() const { return entries_; }
    std::uint32_t distinct() const { return distinct_; }

    EntryKind kind(std::uint32_t entry) const {
        return static_cast<EntryKind>(kinds_[entry] & kindMask);
    }
    /// Whether the entry's size and time are known.
    bool known(std::uint32_t entry) const { return (kinds_[entry] & unknown) == 0; }
    std::uint64_t size(std::uint32_t entry) const { return sizes_[entry]; }
    std::int64_t modified(std::uint32_t entry) const { return times_[entry]; }

    /// Every distinct name.
    NameList names() const { return {names_, nameStarts_}; }
    /// The entries that bear a name, ascending.
    std::span<const std::uint32_t> bearers(std::uint32_t name) const;
    /// The folders in catalogue order; one whose numbers lie outside the index is given as
    /// an empty folder of entry 0.
    std::span<const IndexedFolder> folders() const { return folders_; }
    IndexedFolder folder(std::size_t at) const {
        const IndexedFolder f = folders_[at];
        return f.number < entries_ && f.end <= entries_ && f.parent < entries_ && f.name < distinct_
                   ? f
                   : IndexedFolder{0, 0, 0, 0};
    }

    static constexpr std::uint8_t kindMask = 3;
    static constexpr std::uint8_t unknown = 0x80;

private:
    CatalogueIndex() = default;
    bool read(std::string_view bytes);

    MappedFile mapped_;
    std::string owned_;
    std::uint32_t entries_ = 0, distinct_ = 0;
    std::span<const std::uint8_t> kinds_;
    std::span<const std::uint64_t> sizes_;
    std::span<const std::int64_t> times_;
    std::span<const std::uint32_t> nameStarts_, postStarts_, postings_;
    std::span<const IndexedFolder> folders_;
    std::string_view names_;
    std::int64_t id_ = 0, stamp_ = 0;
};

/// Distinct names, numbered in the order they are first met, in one text: each followed by a
/// NUL.
class NameTable {
public:
    /// The number of `name`, which it becomes when it is new.
    std::uint32_t numberOf(std::string_view name);
    const std::string& names() const { return names_; }
    /// Where each name begins in `names`.
    const std::vector<std::uint32_t>& starts() const { return starts_; }

private:
    std::string names_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> slots_; // a name's number + 1 at its hash, or 0: open addressing
};

/// Makes the index of a catalogue from its entries, as they are stored.
class IndexBuilder final : public CatalogueSink {
public:
    void entry(const CatalogueEntry& entry) override;
    void finish(const Totals&) override;
    /// The index's bytes, for catalogue `id` stored with `stamp`.
    std::string bytes(std::int64_t id, std::int64_t stamp) const;

private:
    std::vector<std::uint8_t> kinds_;
    std::vector<std::uint64_t> sizes_;
    std::vector<std::int64_t> times_;
    std::vector<std::uint32_t> nameOf_;
    NameTable names_;
    std::vector<IndexedFolder> folders_;
    std::vector<std::pair<std::string, std::size_t>> open_; // folders above, by below-path
    std::string folded_;
};

} // namespace dorvantile
