#include "writers/json_text.h"

namespace dorvantile {
namespace {

// The length of the valid UTF-8 sequence at `at`, or of its longest start that could still
// have become one (at least 1): what a browser replaces by one U+FFFD.
std::size_t sequence(std::string_view s, std::size_t at, bool& valid) {
    const auto b = static_cast<unsigned char>(s[at]);
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF; // the bounds of the second byte
    if (b >= 0xC2 && b <= 0xDF)
        need = 1;
    else if (b >= 0xE0 && b <= 0xEF)
        need = 2, low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
    else if (b >= 0xF0 && b <= 0xF4)
        need = 3, low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
    std::size_t length = 1;
    valid = need > 0;
    for (; valid && length <= need; ++length) {
        const auto next = at + length < s.size() ? static_cast<unsigned char>(s[at + length]) : 0;
        valid = next >= low && next <= high;
        low = 0x80, high = 0xBF;
    }
    return valid ? length : length - 1 + (need == 0);
}

} // namespace

bool appendJsonText(std::string& out, std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    bool whole = true;
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Plain ASCII, nearly every byte of a catalogue, is copied a run at a time.
        std::size_t end = i;
        while (end < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[end]);
            if (b < 0x20 || b >= 0x80 || b == '"' || b == '\\' || b == '<')
                break;
            ++end;
        }
        out.append(bytes.data() + i, end - i);
        if ((i = end) == bytes.size())
            break;
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b == '"' || b == '\\') {
                out.push_back('\\');
                out.push_back(static_cast<char>(b));
            } else {
                const char escaped[6] = {'\\', 'u', '0', '0', hex[b >> 4], hex[b & 0x0F]};
                out.append(escaped, 6);
            }
            ++i;
            continue;
        }
        bool valid = false;
        const std::size_t length = sequence(bytes, i, valid);
        if (valid) {
            out.append(bytes.data() + i, length);
        } else {
            out.append("\xEF\xBF\xBD");
            whole = false;
        }
        i += length;
    }
    return whole;
}

} // namespace dorvantile
