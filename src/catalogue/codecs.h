// The text codecs of every catalogue format: decimal numbers, ISO 8601 times, JSON strings
// (with a policy for what the data formats and the explorer page do differently on purpose),
// base64 of names that are not valid UTF-8, and CSV fields.
#pragma once

#include "platform/file_system.h"
#include "platform/utf8.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace dorvantile {

/// Appends `value` in decimal digits, with "-" when it is negative.
template <class Integer> void appendDecimal(std::string& out, Integer value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

/// Appends a sum of sizes in decimal, whatever its size.
void appendDecimal(std::string& out, ByteCount value);

/// Appends `time` in ISO 8601, UTC, with all nine digits of its nanoseconds:
/// `2026-12-07T13:30:52.123456789Z`. Years outside 0 to 9999 get a sign and more digits.
void appendIsoTime(std::string& out, FileTime time);
/// The longest text of `appendIsoTime`, and more.
constexpr std::size_t isoTimeSize = 48;
/// Writes what `appendIsoTime` appends at `out`, which has room for `isoTimeSize` bytes;
/// returns its end.
char* writeIsoTime(char* out, FileTime time);

/// Reads what `appendIsoTime` writes; nothing for any other text.
std::optional<FileTime> parseIsoTime(std::string_view text);

/// Reads a time as people write it in ISO 8601, in UTC: `2026-12-07`, `2026-12-07T13:30`,
/// `2026-12-07T13:30:52` (a space for the "T", a "Z" at the end, are taken too).
std::optional<FileTime> parseUserTime(std::string_view text);

/// How a JSON string is escaped: `"` and `\` always, and the control characters; the rest
/// differs between the data formats and the page, on purpose.
struct JsonEscaping {
    /// `<` as `\u003c`, so that the text can never close the script element it is in.
    bool lessThan;
    /// `\n`, `\r` and `\t` for those three rather than `\u00XX`.
    bool shortForms;
    /// The hex digits of `\u00XX`: "0123456789ABCDEF" or lower case.
    const char* hexDigits;
    /// A byte that is not part of valid UTF-8 becomes one U+FFFD each (the data formats, whose
    /// base64 beside it keeps the bytes), or one for each part that a browser replaces as one
    /// (the page, whose names must read as the browser shows them).
    bool eachByte;
};

/// The data formats' strings: `\n` and `\u001F`, one U+FFFD a stray byte.
inline constexpr JsonEscaping dataJson{false, true, "0123456789ABCDEF", true};
/// The explorer page's strings, inert inside its script element: `<` and every control
/// character as `\u00xx`, U+FFFD as the browser decodes.
inline constexpr JsonEscaping pageJson{true, false, "0123456789abcdef", false};

/// Appends `text` as the inside of a JSON string (no quotes), escaped by `escaping`; returns
/// whether it was valid UTF-8 (else the text no longer gives the name's bytes). The text of a
/// path is that of its parts joined by "/".
bool appendJsonInside(std::string& out, std::string_view text,
                      const JsonEscaping& escaping = dataJson);

/// Appends `text` as a JSON string in quotes, escaped by `escaping`.
void appendJsonString(std::string& out, std::string_view text,
                      const JsonEscaping& escaping = dataJson);

/// Appends `"key":` and `bytes` as a JSON string; when `bytes` is not valid UTF-8, then
/// also `,"key_base64":` and the exact bytes in base64, so that nothing is lost.
void appendJsonName(std::string& out, std::string_view key, std::string_view bytes);

void appendBase64(std::string& out, std::string_view bytes);
/// The bytes of base64 `text` (RFC 4648, with padding); nothing when it is not base64.
std::optional<std::string> decodeBase64(std::string_view text);

/// Appends `text` as an RFC 4180 field in double quotes, with its quotes doubled; commas,
/// line ends and any other bytes stay as they are. With `formulaSafe`, a text that begins
/// with "=", "+", "-", "@", a tab or a CR gets a "'" before it, so that a spreadsheet takes
/// it for text and not for a formula.
void appendCsvQuoted(std::string& out, std::string_view text, bool formulaSafe = false);

} // namespace dorvantile
