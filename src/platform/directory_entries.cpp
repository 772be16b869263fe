#include "platform/directory_entries.h"

#include "platform/attributes.h"
#include "platform/name_pattern.h"
#include "platform/text_case.h"

#include <algorithm>
#include <memory>

namespace dorvantile {
namespace {

bool isAscii(std::string_view name) {
    unsigned char any = 0;
    for (unsigned char c : name)
        any |= c;
    return any < 0x80;
}

unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// Names hold no NUL byte, so the zero padding puts a name before every longer name that it
// begins, as the full comparison does.
template <bool Fold> std::uint64_t prefixKey(std::string_view form) {
    std::uint64_t key = 0;
    const std::size_t n = std::min<std::size_t>(form.size(), 8);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(form[i]);
        key |= std::uint64_t{Fold ? foldAscii(c) : c} << (56 - 8 * i);
    }
    return key;
}

// Compares the lower-case forms byte by byte: `a` and `b` are either a lower-case form as
// stored or an ASCII name to fold on the way. Their keys are equal, so the first eight bytes
// (or all of both, when shorter) are too.
template <bool FoldA, bool FoldB> int compareForms(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = std::min<std::size_t>(n, 8); i < n; ++i) {
        const auto rawX = static_cast<unsigned char>(a[i]);
        const auto rawY = static_cast<unsigned char>(b[i]);
        const unsigned char x = FoldA ? foldAscii(rawX) : rawX;
        const unsigned char y = FoldB ? foldAscii(rawY) : rawY;
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return 0;
}

} // namespace

// Keeps what a catalogue lists or enters.
class DirectoryEntries::Shown final : public EntrySink {
public:
    Shown(DirectoryEntries& entries, const ListingOptions& options)
        : entries_(entries), options_(options) {}

    void add(std::string_view name, unsigned attributes) override {
        if (options_.hidden)
            attributes &= ~unsigned{Hidden};
        if ((attributes & (Hidden | System)) != 0)
            return;
        for (const std::string& pattern : options_.excluded) {
            if (matchesPattern(pattern, name.data())) // a sink's names are NUL-terminated
                return;
        }
        entries_.add(name, attributes);
    }

private:
    DirectoryEntries& entries_;
    const ListingOptions& options_;
};

std::error_code DirectoryEntries::read(OpenFolder& folder, const ListingOptions& options) {
    clear();
    Shown shown(*this, options);
    if (std::error_code error = folder.read(shown)) {
        clear();
        return error;
    }
    sort();
    return {};
}

std::error_code DirectoryEntries::read(FileSystem& fileSystem, const std::string& path,
                                       const ListingOptions& options) {
    std::unique_ptr<OpenFolder> folder;
    if (std::error_code error = fileSystem.openFolder(path, folder)) {
        clear();
        return error;
    }
    return read(*folder, options);
}

void DirectoryEntries::clear() {
    bytes_.clear();
    entries_.clear();
}

void DirectoryEntries::add(std::string_view name, unsigned attributes) {
    const std::size_t offset = bytes_.size();
    bytes_.append(name);
    bytes_.push_back('\0');
    if (isAscii(name)) {
        entries_.push_back({prefixKey<true>(name), offset, static_cast<std::uint32_t>(name.size()),
                            0, attributes});
        return;
    }
    appendLower(bytes_, name);
    const std::size_t lowerStart = offset + name.size() + 1;
    const std::string_view lower(bytes_.data() + lowerStart, bytes_.size() - lowerStart);
    entries_.push_back({prefixKey<false>(lower), offset, static_cast<std::uint32_t>(name.size()),
                        static_cast<std::uint32_t>(lower.size()), attributes});
}

void DirectoryEntries::sort() {
    const char* base = bytes_.data();
    std::sort(entries_.begin(), entries_.end(), [base](const Entry& x, const Entry& y) {
        if (x.key != y.key)
            return x.key < y.key;
        const std::string_view a(base + x.offset, x.length);
        const std::string_view b(base + y.offset, y.length);
        int folded;
        if (x.lowerLength == 0 && y.lowerLength == 0) {
            folded = compareForms<true, true>(a, b);
        } else {
            const std::string_view lowerA(base + x.offset + x.length + 1, x.lowerLength);
            const std::string_view lowerB(base + y.offset + y.length + 1, y.lowerLength);
            if (x.lowerLength == 0)
                folded = compareForms<true, false>(a, lowerB);
            else if (y.lowerLength == 0)
                folded = compareForms<false, true>(lowerA, b);
            else
                folded = compareForms<false, false>(lowerA, lowerB);
        }
        if (folded != 0)
            return folded < 0;
        return a.compare(b) < 0; // the raw bytes break ties between forms that fold alike
    });
}

} // namespace dorvantile
