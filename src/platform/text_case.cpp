#include "platform/text_case.h"

#include "platform/utf8.h"

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
        const Utf8Sequence sequence = decodeUtf8(text, i);
        if (!sequence.valid) {
            out.push_back(text[i]); // passes through, and the next byte is read anew
            ++i;
            continue;
        }
        const char32_t codePoint = sequence.codePoint;
        const std::size_t length = sequence.length;
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
