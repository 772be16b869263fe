// A folder's entries as the enumeration returns them: names and attribute bits, kept in one
// reused buffer so that listing a folder allocates nothing per name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

class DirectoryEntries {
public:
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

private:
    struct Entry {
        std::size_t offset;
        std::uint32_t length;
        unsigned attributes;
        bool ascii;
    };
    std::string bytes_;
    std::vector<Entry> entries_;
};

} // namespace dorvantile
