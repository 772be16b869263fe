#include "writers/html_escape.h"

namespace dorvantile {

namespace {

void appendEscaped(std::string& out, char c) {
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
    case '"':
        out.append("&quot;");
        break;
    default:
        out.push_back(c);
    }
}

} // namespace

void appendHtmlEscaped(std::string& out, std::string_view text) {
    for (const char c : text)
        appendEscaped(out, c);
}

void appendPercentEncoded(std::string& out, std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        const bool kept = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                          (b >= '0' && b <= '9') || b == '-' || b == '.' || b == '_' ||
                          b == '~' || b == '/';
        if (kept) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 0x0F]);
        }
    }
}

void appendShown(std::string& out, std::string_view text) {
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        appendEscaped(out, (b >= 0x01 && b <= 0x1F) || b == 0x7F ? '?' : c);
    }
}

} // namespace dorvantile
