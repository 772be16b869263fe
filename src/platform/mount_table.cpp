#include "platform/mount_table.h"

#include <algorithm>

namespace dorvantile {
namespace {

// Mount points are written with space, tab, newline and backslash as octal escapes (\040).
std::string unescape(std::string_view field) {
    const auto octal = [&field](std::size_t k) {
        return k < field.size() && field[k] >= '0' && field[k] <= '7';
    };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            out.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace

std::vector<Mount> parseMountInfo(std::string_view text) {
    std::vector<Mount> mounts;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::vector<std::string_view> parts = fields(text.substr(start, end - start));
        start = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source super
        const auto separator = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || separator == parts.end() || separator + 1 == parts.end())
            continue;
        mounts.push_back({unescape(parts[4]), std::string(*(separator + 1))});
    }
    return mounts;
}

} // namespace dorvantile
