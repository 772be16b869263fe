// Names and paths as a person reads them in every output and in the folder list: the case of
// headings and names, the separator after a sub-folder, control characters.
#pragma once

#include <string>
#include <string_view>

namespace dorvantile {

/// The bytes that would break a shown line: 0x01 to 0x1F and 0x7F.
constexpr bool isControl(unsigned char byte) {
    return (byte >= 0x01 && byte <= 0x1F) || byte == 0x7F;
}

/// Replaces every control character in `text` by one "?": NUL, C0 and DEL, and C1 (U+0080 to
/// U+009F, and the bytes 0x80 to 0x9F that are not part of a UTF-8 character), so that a
/// name or path in a message or a report stays on one line and sends a terminal nothing.
void replaceControls(std::string& text);

/// Appends a folder's heading: the path in upper case, then "/" when `separator` is set
/// (unless the path already ends in one), control characters shown as "?".
void appendHeading(std::string& out, std::string_view folder, bool separator);

/// Appends a file's name as it is listed: in lower case, control characters shown as "?".
void appendFileName(std::string& out, std::string_view name);

} // namespace dorvantile
