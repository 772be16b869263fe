#include "writers/html_escape.h"

#include "general/shown_text.h"

#include <array>

namespace dorvantile {

namespace {

// What becomes of each byte on the page. Every file line passes through here, so the bytes
// that stay as they are, nearly all of them, are found by table and copied a run at a time.
enum Treatment : unsigned char { Kept, Entity, Control };

constexpr std::array<Treatment, 256> shownTable() {
    std::array<Treatment, 256> table{};
    for (unsigned b = 0; b < 256; ++b)
        table[b] = isControl(static_cast<unsigned char>(b)) ? Control : Kept;
    table['&'] = Entity;
    table['<'] = Entity;
    table['>'] = Entity;
    table['"'] = Entity;
    return table;
}

constexpr std::array<bool, 256> keptInTargetTable() {
    std::array<bool, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        table[b] = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                   b == '-' || b == '.' || b == '_' || b == '~' || b == '/';
    }
    return table;
}

constexpr std::array<Treatment, 256> shown = shownTable();
constexpr std::array<bool, 256> keptInTarget = keptInTargetTable();

void appendEntity(std::string& out, char c) {
    switch (c) {
    case '&':
        out.append("&amp;");
        break;
    case '<':
        out.append("&lt;");
        break;
    case '>':
        out.append("&gt;");
        break;
    default:
        out.append("&quot;");
        break;
    }
}

} // namespace

void appendShown(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && shown[static_cast<unsigned char>(text[end])] == Kept)
            ++end;
        out.append(text.data() + i, end - i);
        if (end == text.size())
            return;
        if (shown[static_cast<unsigned char>(text[end])] == Control)
            out.push_back('?');
        else
            appendEntity(out, text[end]);
        i = end + 1;
    }
}

void appendPercentEncoded(std::string& out, std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t end = i;
        while (end < bytes.size() && keptInTarget[static_cast<unsigned char>(bytes[end])])
            ++end;
        out.append(bytes.data() + i, end - i);
        if (end == bytes.size())
            return;
        const auto b = static_cast<unsigned char>(bytes[end]);
        const char encoded[3] = {'%', hex[b >> 4], hex[b & 0x0F]};
        out.append(encoded, 3);
        i = end + 1;
    }
}

} // namespace dorvantile
