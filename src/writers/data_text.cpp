#include "writers/data_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace dorvantile {
namespace {

constexpr std::int64_t secondsPerDay = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back (the
// algorithms of Howard Hinnant's "chrono-compatible low-level date algorithms").
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not valid there.
std::size_t sequenceLength(std::string_view text) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80)
        return 1;
    std::size_t n;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < n || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if ((at(i) & 0xC0) != 0x80)
            return 0;
    }
    return n;
}

constexpr char base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

void appendIsoTime(std::string& out, FileTime time) {
    std::int64_t days = time.seconds / secondsPerDay;
    std::int64_t rest = time.seconds % secondsPerDay;
    if (rest < 0)
        rest += secondsPerDay, --days;
    std::int64_t year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    char text[64];
    const int n =
        std::snprintf(text, sizeof text,
                      year >= 0 && year <= 9999 ? "%04lld-%02u-%02uT%02u:%02u:%02u.%09uZ"
                                                : "%+05lld-%02u-%02uT%02u:%02u:%02u.%09uZ",
                      static_cast<long long>(year), month, day, static_cast<unsigned>(rest / 3600),
                      static_cast<unsigned>(rest / 60 % 60), static_cast<unsigned>(rest % 60),
                      static_cast<unsigned>(time.nanoseconds));
    out.append(text, static_cast<std::size_t>(n));
}

std::optional<FileTime> parseIsoTime(std::string_view text) {
    // The fixed part after the year: "-MM-DDTHH:MM:SS.NNNNNNNNNZ", 26 bytes.
    constexpr std::size_t tail = 26;
    if (text.size() < tail + 4)
        return std::nullopt;
    const std::size_t yearEnd = text.size() - tail;
    const auto digits = [&](std::size_t at, std::size_t n, std::int64_t& out) {
        out = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    const bool signedYear = text[0] == '+' || text[0] == '-';
    std::int64_t year, month, day, hour, minute, second, nanoseconds;
    if (yearEnd - signedYear > 12 || !digits(signedYear, yearEnd - signedYear, year) ||
        !digits(yearEnd + 1, 2, month) || !digits(yearEnd + 4, 2, day) ||
        !digits(yearEnd + 7, 2, hour) || !digits(yearEnd + 10, 2, minute) ||
        !digits(yearEnd + 13, 2, second) || !digits(yearEnd + 16, 9, nanoseconds) ||
        text.substr(yearEnd, 1) != "-" || text.substr(yearEnd + 3, 1) != "-" ||
        text.substr(yearEnd + 6, 1) != "T" || text.substr(yearEnd + 9, 1) != ":" ||
        text.substr(yearEnd + 12, 1) != ":" || text.substr(yearEnd + 15, 1) != "." ||
        text.back() != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    if (text[0] == '-')
        year = -year;
    if (!signedYear && yearEnd != 4) // the years 0 to 9999 have four digits and no sign
        return std::nullopt;
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    std::int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    if (m != month || d != day) // February 30th
        return std::nullopt;
    return FileTime{days * secondsPerDay + hour * 3600 + minute * 60 + second,
                    static_cast<std::uint32_t>(nanoseconds)};
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = sequenceLength(text.substr(i));
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

void appendJsonString(std::string& out, std::string_view text) {
    out.push_back('"');
    std::size_t run = 0; // bytes of `text` from here on that go out as they are
    const auto flush = [&](std::size_t end) { out.append(text.data() + run, end - run); };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            const std::size_t n = sequenceLength(text.substr(i));
            if (n > 0) {
                i += n;
                continue;
            }
        }
        flush(i);
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", c);
                out.append(escape);
            } else {
                out.append("\xEF\xBF\xBD"); // U+FFFD for a byte that is not UTF-8
            }
        }
        run = ++i;
    }
    flush(text.size());
    out.push_back('"');
}

void appendJsonName(std::string& out, std::string_view key, std::string_view bytes) {
    out.push_back('"');
    out.append(key);
    out.append("\":");
    appendJsonString(out, bytes);
    if (isValidUtf8(bytes))
        return;
    out.append(",\"");
    out.append(key);
    out.append("_base64\":\"");
    appendBase64(out, bytes);
    out.push_back('"');
}

void appendBase64(std::string& out, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out.push_back(k <= n ? base64Digits[group >> (18 - 6 * k) & 63] : '=');
    }
}

std::optional<std::string> decodeBase64(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::array<int, 256> value;
    value.fill(-1);
    for (int i = 0; i < 64; ++i)
        value[static_cast<unsigned char>(base64Digits[i])] = i;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t padding = !last ? 0 : text[i + 3] != '=' ? 0 : text[i + 2] != '=' ? 1 : 2;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int v = k >= 4 - padding ? 0 : value[static_cast<unsigned char>(text[i + k])];
            if (v < 0)
                return std::nullopt;
            group = group << 6 | static_cast<std::uint32_t>(v);
        }
        for (std::size_t k = 0; k < 3 - padding; ++k)
            bytes.push_back(static_cast<char>(group >> (16 - 8 * k) & 0xFF));
    }
    return bytes;
}

void appendCsvQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (std::size_t at = 0;;) {
        const std::size_t quote = text.find('"', at);
        if (quote == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, quote + 1 - at));
        out.push_back('"');
        at = quote + 1;
    }
    out.push_back('"');
}

} // namespace dorvantile
