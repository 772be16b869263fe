#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

namespace dorvantile {

Utf8Sequence decodeUtf8(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return {lead, 1, true};
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF; // the bounds of the second byte
    char32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, codePoint = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, codePoint = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    } else {
        return {};
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const auto next = at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
        if (next < low || next > high)
            return {0, i, false};
        codePoint = codePoint << 6 | (next & 0x3Fu);
        low = 0x80, high = 0xBF;
    }
    return {codePoint, need + 1, true};
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        // ASCII, nearly every byte of a name, eight bytes at a time.
        if (text.size() - i >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, text.data() + i, 8);
            if ((eight & 0x8080808080808080u) == 0) {
                i += 8;
                continue;
            }
        }
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Sequence sequence = decodeUtf8(text, i);
        if (!sequence.valid)
            return false;
        i += sequence.length;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace dorvantile
