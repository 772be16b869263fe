#include "general/shown_text.h"

#include "platform/paths.h"
#include "platform/text_case.h"

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
    replaceControlsFrom(text, 0);
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
