// A folder's entries as a walk sees them: names and attribute bits in the platform's order,
// kept in one reused buffer so that listing a folder allocates nothing per name.
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace dorvantile {

/// What a listing holds beyond the window's catalogue, and what it learns of each file.
struct ListingOptions {
    /// Dot-files and dot-folders are listed and entered like any other name: their
    /// `Hidden` bit is dropped.
    bool hidden = false;
    /// fnmatch(3) patterns: an entry whose name matches one is left out (a folder with
    /// everything beneath it).
    std::vector<std::string> excluded;
    /// The size and time of every listed file and of the folder, one stat each.
    bool details = false;
};

/// What the file system said of an entry's details: the reason when it could not tell.
struct KnownDetails {
    EntryDetails details;
    std::error_code error;
};

class DirectoryEntries {
public:
    /// Replaces the entries with those of `folder` that a catalogue may show or enter: no
    /// hidden entry (a name that begins with ".", unless `options.hidden`), no system entry
    /// (device, FIFO, socket) and nothing `options.excluded`, sorted. This is the one place
    /// where that choice is made. Returns the system's reason when the folder cannot be read.
    [[nodiscard]] std::error_code read(FileSystem& fileSystem, const std::string& folder,
                                       const ListingOptions& options = {});

    void clear();
    void add(std::string_view name, unsigned attributes);
    /// Puts the entries in the platform's order (see `compareNames`).
    void sort();

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    std::string_view name(std::size_t i) const {
        const Entry& e = entries_[i];
        return {bytes_.data() + e.offset, e.length};
    }
    unsigned attributes(std::size_t i) const { return entries_[i].attributes; }
    /// A listed file's details, when the read asked for them (else all zero).
    const KnownDetails& details(std::size_t i) const { return details_[entries_[i].details]; }
    /// The folder's own details, when the read asked for them.
    const KnownDetails& folderDetails() const { return details_.front(); }

private:
    class Shown;

    // `key` holds the first eight bytes of the lower-case form, big-endian and padded with
    // zeros, so that most comparisons of the sort are one integer comparison. A name that is
    // not ASCII has its lower-case form stored in `bytes_` right after it (`lowerLength`
    // bytes); an ASCII name (`lowerLength` 0) is folded as it is compared.
    struct Entry {
        std::uint64_t key;
        std::size_t offset;
        std::uint32_t length;
        std::uint32_t lowerLength;
        unsigned attributes;
        std::uint32_t details; // in `details_`; 0 (the folder's) for an entry without any
    };
    std::string bytes_;
    std::vector<Entry> entries_;
    std::vector<KnownDetails> details_{1};
};

} // namespace dorvantile
