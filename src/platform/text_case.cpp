#include "platform/text_case.h"

#include <algorithm>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace dorvantile {
namespace {

// Case rules come from C.UTF-8 whatever the user's locale says, so that a catalogue does
// not change with the environment it was made in.
locale_t caseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

// Decodes one valid UTF-8 sequence at the start of `text`; returns its length, or 0 when the
// bytes there are not valid UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included).
std::size_t decode(std::string_view text, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xC0) == 0x80;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF && continuation(1)) {
        codePoint = ((lead & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && continuation(1) && continuation(2)) {
        codePoint = ((lead & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        if (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && continuation(1) && continuation(2) && continuation(3)) {
        codePoint = ((lead & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) | ((byte(2) & 0x3Fu) << 6) |
                    (byte(3) & 0x3Fu);
        if (codePoint < 0x10000 || codePoint > 0x10FFFF)
            return 0;
        return 4;
    }
    return 0;
}

template <bool Upper> char mapAscii(char c) {
    if (Upper)
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

template <bool Upper> void appendMapped(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Names are ASCII nearly always: a whole run of it is mapped in place, without
        // growing the string byte by byte.
        std::size_t end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
            ++end;
        if (end > i) {
            const std::size_t at = out.size();
            out.resize(at + (end - i));
            char* target = out.data() + at;
            for (std::size_t k = i; k < end; ++k)
                *target++ = mapAscii<Upper>(text[k]);
            i = end;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t codePoint = 0;
        const std::size_t length = decode(text.substr(i), codePoint);
        if (length == 0) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const locale_t locale = caseLocale();
        if (locale == static_cast<locale_t>(0)) {
            out.append(text.substr(i, length));
        } else {
            const wint_t mapped = Upper ? towupper_l(static_cast<wint_t>(codePoint), locale)
                                        : towlower_l(static_cast<wint_t>(codePoint), locale);
            appendUtf8(out, static_cast<char32_t>(mapped));
        }
        i += length;
    }
}

} // namespace

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

void appendUpper(std::string& out, std::string_view text) {
    appendMapped<true>(out, text);
}
void appendLower(std::string& out, std::string_view text) {
    appendMapped<false>(out, text);
}

std::string toUpper(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendUpper(out, text);
    return out;
}

std::string toLower(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendLower(out, text);
    return out;
}

int compareNames(std::string_view a, std::string_view b) {
    thread_local std::string lowerA;
    thread_local std::string lowerB;
    lowerA.clear();
    lowerB.clear();
    appendLower(lowerA, a);
    appendLower(lowerB, b);
    if (const int folded = lowerA.compare(lowerB); folded != 0)
        return folded < 0 ? -1 : 1;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

} // namespace dorvantile
