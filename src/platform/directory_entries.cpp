#include "platform/directory_entries.h"

#include "platform/text_case.h"

#include <algorithm>
#include <cstring>

namespace dorvantile {
namespace {

bool isAscii(std::string_view name) {
    for (unsigned char c : name) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// The common case: both names ASCII, so the lower-case forms are a byte-wise fold.
int compareAscii(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int raw = std::memcmp(a.data(), b.data(), n);
    return raw;
}

} // namespace

void DirectoryEntries::clear() {
    bytes_.clear();
    entries_.clear();
}

void DirectoryEntries::add(std::string_view name, unsigned attributes) {
    entries_.push_back({bytes_.size(), static_cast<std::uint32_t>(name.size()), attributes,
                        isAscii(name)});
    bytes_.append(name);
}

void DirectoryEntries::sort() {
    const char* base = bytes_.data();
    std::sort(entries_.begin(), entries_.end(), [base](const Entry& x, const Entry& y) {
        const std::string_view a(base + x.offset, x.length);
        const std::string_view b(base + y.offset, y.length);
        return (x.ascii && y.ascii ? compareAscii(a, b) : compareNames(a, b)) < 0;
    });
}

} // namespace dorvantile
