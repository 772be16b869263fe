#include "general/shown_text.h"

#include "platform/paths.h"
#include "platform/text_case.h"
#include "platform/utf8.h"

namespace dorvantile {
namespace {

void replaceControlsFrom(std::string& text, std::size_t start) {
    for (std::size_t i = start; i < text.size(); ++i) {
        if (isControl(static_cast<unsigned char>(text[i])))
            text[i] = '?';
    }
}

} // namespace

void replaceControls(std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            shown.push_back(byte == 0 || isControl(byte) ? '?' : text[at]);
            ++at;
            continue;
        }
        // C1 controls as characters (U+0080 to U+009F) and as lone bytes of a name that is
        // not UTF-8 (0x9B is CSI to a terminal that takes 8-bit controls).
        const Utf8Sequence sequence = decodeUtf8(text, at);
        const bool c1 = sequence.valid ? sequence.codePoint <= 0x9F : byte <= 0x9F;
        const std::size_t length = sequence.valid ? sequence.length : 1;
        if (c1)
            shown.push_back('?');
        else
            shown.append(text, at, length);
        at += length;
    }
    text = std::move(shown);
}

void appendHeading(std::string& out, std::string_view folder, bool separator) {
    const std::size_t start = out.size();
    appendUpper(out, folder);
    if (separator)
        appendSeparator(out);
    replaceControlsFrom(out, start);
}

void appendFileName(std::string& out, std::string_view name) {
    const std::size_t start = out.size();
    appendLower(out, name);
    replaceControlsFrom(out, start);
}

} // namespace dorvantile
