// The text of the data formats (CSV and JSON): times, quoted fields, JSON strings, and names
// that are not valid UTF-8.
#pragma once

#include "platform/file_system.h"

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

/// Appends `time` in ISO 8601, UTC, with all nine digits of its nanoseconds:
/// `2026-12-07T13:30:52.123456789Z`. Years outside 0 to 9999 get a sign and more digits.
void appendIsoTime(std::string& out, FileTime time);

/// Reads what `appendIsoTime` writes; nothing for any other text.
std::optional<FileTime> parseIsoTime(std::string_view text);

/// Whether `text` is valid UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text);

/// Appends `text` as the inside of a JSON string, escaped as `appendJsonString` does; returns
/// whether it was valid UTF-8. The text of a path is that of its parts joined by "/".
bool appendJsonInside(std::string& out, std::string_view text);

/// Appends `text` as a JSON string in quotes: `"` and `\` escaped, control characters as
/// `\n`, `\t`, ... or `\u00XX`, and every byte that is not part of valid UTF-8 as U+FFFD.
void appendJsonString(std::string& out, std::string_view text);

/// Appends `"key":` and `bytes` as a JSON string; when `bytes` is not valid UTF-8, then
/// also `,"key_base64":` and the exact bytes in base64, so that nothing is lost.
void appendJsonName(std::string& out, std::string_view key, std::string_view bytes);

void appendBase64(std::string& out, std::string_view bytes);
/// The bytes of base64 `text` (RFC 4648, with padding); nothing when it is not base64.
std::optional<std::string> decodeBase64(std::string_view text);

/// Appends `text` as an RFC 4180 field in double quotes, with its quotes doubled; commas,
/// line ends and any other bytes stay as they are.
void appendCsvQuoted(std::string& out, std::string_view text);

} // namespace dorvantile
