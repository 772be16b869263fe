#include "catalogue/codecs.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

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

// The two digits of 0 to 99 at `at`.
void appendPair(char* at, unsigned value) {
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";
    std::memcpy(at, pairs + 2 * value, 2);
}

constexpr char base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

void appendDecimal(std::string& out, ByteCount value) {
    constexpr std::uint64_t nineteenDigits = 10'000'000'000'000'000'000u;
    if (value <= UINT64_MAX) {
        appendDecimal(out, static_cast<std::uint64_t>(value));
        return;
    }
    appendDecimal(out, value / nineteenDigits);
    const std::string low = std::to_string(static_cast<std::uint64_t>(value % nineteenDigits));
    out.append(19 - low.size(), '0').append(low);
}

void appendIsoTime(std::string& out, FileTime time) {
    char text[isoTimeSize];
    out.append(text, writeIsoTime(text, time));
}

char* writeIsoTime(char* out, FileTime time) {
    // The files of a folder mostly share their day and often their second: the text before
    // the nanoseconds is made again only when the second changes, its date only when the day
    // does.
    struct Second {
        bool made = false;
        std::int64_t seconds = 0;
        std::int64_t days = 0;
        std::size_t dateLength = 0; // "2026-12-07T", longer for years beyond four digits
        char text[40];              // the date, then "13:30:52."
    };
    thread_local Second last;
    if (!last.made || last.seconds != time.seconds) {
        std::int64_t days = time.seconds / secondsPerDay;
        std::int64_t rest = time.seconds % secondsPerDay;
        if (rest < 0)
            rest += secondsPerDay, --days;
        if (!last.made || last.days != days) {
            std::int64_t year;
            unsigned month, day;
            civilFromDays(days, year, month, day);
            char* at = last.text;
            if (year < 0 || year > 9999)
                *at++ = year < 0 ? '-' : '+';
            const std::uint64_t magnitude =
                year < 0 ? 0 - static_cast<std::uint64_t>(year) : static_cast<std::uint64_t>(year);
            if (magnitude <= 9999) {
                appendPair(at, static_cast<unsigned>(magnitude / 100));
                appendPair(at + 2, static_cast<unsigned>(magnitude % 100));
                at += 4;
            } else {
                at = std::to_chars(at, last.text + sizeof last.text, magnitude).ptr;
            }
            *at++ = '-';
            appendPair(at, month);
            at[2] = '-';
            appendPair(at + 3, day);
            at[5] = 'T';
            last.dateLength = static_cast<std::size_t>(at + 6 - last.text);
            last.days = days;
        }
        char* at = last.text + last.dateLength;
        const auto r = static_cast<unsigned>(rest);
        appendPair(at, r / 3600);
        at[2] = ':';
        appendPair(at + 3, r / 60 % 60);
        at[5] = ':';
        appendPair(at + 6, r % 60);
        at[8] = '.';
        last.seconds = time.seconds;
        last.made = true;
    }
    std::memcpy(out, last.text, last.dateLength + 9);
    char* nanoseconds = out + last.dateLength + 9;
    unsigned n = time.nanoseconds;
    appendPair(nanoseconds + 7, n % 100);
    n /= 100;
    appendPair(nanoseconds + 5, n % 100);
    n /= 100;
    appendPair(nanoseconds + 3, n % 100);
    n /= 100;
    appendPair(nanoseconds + 1, n % 100);
    nanoseconds[0] = static_cast<char>('0' + n / 100 % 10);
    nanoseconds[9] = 'Z';
    return nanoseconds + 10;
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
    const auto at = [&](std::size_t offset) { return text[yearEnd + offset]; };
    const bool signedYear = text[0] == '+' || text[0] == '-';
    std::int64_t year, month, day, hour, minute, second, nanoseconds;
    if (yearEnd - signedYear > 12 || !digits(signedYear, yearEnd - signedYear, year) ||
        !digits(yearEnd + 1, 2, month) || !digits(yearEnd + 4, 2, day) ||
        !digits(yearEnd + 7, 2, hour) || !digits(yearEnd + 10, 2, minute) ||
        !digits(yearEnd + 13, 2, second) || !digits(yearEnd + 16, 9, nanoseconds) || at(0) != '-' ||
        at(3) != '-' || at(6) != 'T' || at(9) != ':' || at(12) != ':' || at(15) != '.' ||
        text.back() != 'Z' || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    if (text[0] == '-')
        year = -year;
    if (!signedYear && yearEnd != 4) // the years 0 to 9999 have four digits and no sign
        return std::nullopt;
    // No February 30th: the days of the month in the proleptic Gregorian calendar.
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    constexpr unsigned char monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day > monthDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return std::nullopt;
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    // A year of twelve digits may lie beyond the seconds any file system's time holds.
    std::int64_t seconds;
    if (__builtin_mul_overflow(days, std::int64_t{secondsPerDay}, &seconds) ||
        __builtin_add_overflow(seconds, hour * 3600 + minute * 60 + second, &seconds))
        return std::nullopt;
    return FileTime{seconds, static_cast<std::uint32_t>(nanoseconds)};
}

std::optional<FileTime> parseUserTime(std::string_view text) {
    if (text.ends_with('Z'))
        text.remove_suffix(1);
    std::string full(text);
    if (full.size() > 10 && full[10] == ' ')
        full[10] = 'T';
    // The parts left out are the start of their day, hour or minute.
    constexpr std::string_view complete = "T00:00:00.000000000Z";
    if (full.size() < 10 || full.size() == 11 || full.size() == 14 || full.size() > 19)
        return std::nullopt;
    full.append(complete.substr(full.size() - 10));
    return parseIsoTime(full);
}

bool appendJsonInside(std::string& out, std::string_view text, const JsonEscaping& escaping) {
    // Plain ASCII, nearly every byte of a catalogue, goes out a run at a time; a byte stops
    // the run when it is to be escaped or begins a UTF-8 sequence to check.
    const auto stops = [&escaping](unsigned char c) {
        return c < 0x20 || c >= 0x80 || c == '"' || c == '\\' || (c == '<' && escaping.lessThan);
    };
    bool valid = true;
    std::size_t run = 0; // bytes of `text` from here on that go out as they are
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!stops(c)) {
            ++i;
            continue;
        }
        std::size_t length = 1;
        if (c >= 0x80) {
            const Utf8Sequence sequence = decodeUtf8(text, i);
            if (sequence.valid) {
                i += sequence.length;
                continue;
            }
            valid = false;
            length = escaping.eachByte ? 1 : sequence.length;
        }
        out.append(text.data() + run, i - run);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (escaping.shortForms && (c == '\n' || c == '\r' || c == '\t')) {
            out.push_back('\\');
            out.push_back(c == '\n' ? 'n' : c == '\r' ? 'r' : 't');
        } else if (c < 0x80) {
            const char* hex = escaping.hexDigits;
            const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            out.append(escape, sizeof escape);
        } else {
            out.append("\xEF\xBF\xBD"); // U+FFFD for what is not UTF-8
        }
        run = i += length;
    }
    out.append(text.data() + run, text.size() - run);
    return valid;
}

void appendJsonString(std::string& out, std::string_view text, const JsonEscaping& escaping) {
    out.push_back('"');
    appendJsonInside(out, text, escaping);
    out.push_back('"');
}

void appendJsonName(std::string& out, std::string_view key, std::string_view bytes) {
    out.push_back('"');
    out.append(key);
    out.append("\":\"");
    if (appendJsonInside(out, bytes)) {
        out.push_back('"');
        return;
    }
    out.append("\",\"");
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

void appendCsvQuoted(std::string& out, std::string_view text, bool formulaSafe) {
    out.push_back('"');
    // A spreadsheet reads a cell that begins so as a formula.
    if (formulaSafe && !text.empty() &&
        std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        out.push_back('\'');
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
