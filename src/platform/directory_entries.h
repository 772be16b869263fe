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
    /// The size and time of every listed file and of the folder, one stat each, asked by
    /// the walk once the folder's entries are read.
    bool details = false;
};

class DirectoryEntries {
public:
    /// Replaces the entries with those of `folder` that a catalogue may show or enter: no
    /// hidden entry (a name that begins with ".", unless `options.hidden`), no system entry
    /// (device, FIFO, socket) and nothing `options.excluded`, sorted. This is the one place
    /// where that choice is made. Returns the system's reason when the folder cannot be read.
    [[nodiscard]] std::error_code read(OpenFolder& folder, const ListingOptions& options = {});
    /// The same of the folder at `path`.
    [[nodiscard]] std::error_code read(FileSystem& fileSystem, const std::string& path,
                                       const ListingOptions& options = {});

    void clear();
    void add(std::string_view name, unsigned attributes);
    /// Puts the entries in the platform's order (see `compareNames`).
    void sort();

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    /// The entry's name; `data()` is NUL-terminated, as `OpenFolder` asks.
    std::string_view name(std::size_t i) const {
        const Entry& e = entries_[i];
        return {bytes_.data() + e.offset, e.length};
    }
    unsigned attributes(std::size_t i) const { return entries_[i].attributes; }

private:
    class Shown;

    // `key` holds the first eight bytes of the lower-case form, big-endian and padded with
    // zeros, so that most comparisons of the sort are one integer comparison. A name that is
    // not ASCII has its lower-case form stored in `bytes_` right after it and its NUL
    // (`lowerLength` bytes); an ASCII name (`lowerLength` 0) is folded as it is compared.
    struct Entry {
        std::uint64_t key;
        std::size_t offset;
        std::uint32_t length;
        std::uint32_t lowerLength;
        unsigned attributes;
    };
    std::string bytes_;
    std::vector<Entry> entries_;
};

} // namespace dorvantile
