// UTF-8, the one decoder and encoder of the program: names are bytes, and every text that
// shows or escapes them asks here where a character begins and ends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dorvantile {

/// What the bytes at a position of a text are.
struct Utf8Sequence {
    char32_t codePoint = 0; ///< the character, when `valid`
    std::size_t length = 1; ///< the bytes it takes; when not valid, those a browser replaces
    bool valid = false;
};

/// Decodes the sequence at `at` (< `text.size()`). Valid UTF-8 has no overlong forms, no
/// surrogates and nothing beyond U+10FFFF. Bytes that are not valid UTF-8 give the length of
/// the longest start of a sequence that could still have become valid (at least 1): the part
/// that decoders following the WHATWG Encoding Standard replace by one U+FFFD.
Utf8Sequence decodeUtf8(std::string_view text, std::size_t at);

/// Whether `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);

/// Appends the UTF-8 form of the code point `c` (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t c);

} // namespace dorvantile
