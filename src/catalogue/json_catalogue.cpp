// A JSON catalogue, the entries one a line, in catalogue order. For a chosen folder /w
// holding Notes.TXT, with one sub-folder /w/Old holding X.GIF:
//
//   {"catalogue":"dorvantile","version":1,"folder":"/w","created":"2026-12-07T13:31:00.000000001Z","host":"box","entries":[
//   {"kind":"folder","path":"","modified":"2026-12-07T13:30:52.123456789Z","files":1,"bytes":5},
//   {"kind":"file","path":"Notes.TXT","size":5,"modified":"2026-12-01T08:00:00.000000000Z"},
//   {"kind":"folder","path":"Old","modified":"2026-12-07T13:30:52.120000000Z","files":1,"bytes":3},
//   {"kind":"file","path":"Old/X.GIF","size":3,"modified":"2024-03-09T17:45:12.500000000Z"}
//   ],"totals":{"folders":1,"files":2,"bytes":8,"errors":0}}
//
// A path (or folder, or host) that is not valid UTF-8 has U+FFFD for each stray byte and its
// exact bytes beside it in "path_base64". An entry whose details could not be read has no
// size or time but "error"; a folder that could not be read has "error" and no files.
#include "catalogue/json_catalogue.h"

#include "catalogue/codecs.h"
#include "platform/paths.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <optional>
#include <span>

namespace dorvantile {
namespace {

// The names of the catalogue, written and read from here alone.
constexpr std::string_view catalogueName = "dorvantile";
constexpr std::uint64_t version = 1;
namespace key {
constexpr std::string_view catalogue = "catalogue", version = "version", folder = "folder",
                           folderBytes = "folder_base64", created = "created", host = "host",
                           hostBytes = "host_base64", entries = "entries", kind = "kind",
                           path = "path", pathBytes = "path_base64", size = "size",
                           modified = "modified", files = "files", bytes = "bytes", error = "error",
                           totals = "totals", folders = "folders", errors = "errors",
                           sha256 = "sha256";
} // namespace key

// Eight bytes looked at as one word: a byte in each of the eight, and the high bit of each.
constexpr std::uint64_t ones = 0x0101010101010101u, highs = ones * 0x80;

std::uint64_t eightAt(const char* bytes) {
    std::uint64_t eight;
    std::memcpy(&eight, bytes, 8);
    return eight;
}

/// Whether any of the eight bytes is below `n` (at most 0x80).
constexpr std::uint64_t anyBelow(std::uint64_t eight, unsigned char n) {
    return (eight - ones * n) & ~eight & highs;
}

/// Whether any of the eight bytes is one a JSON string escapes: a control character, a quote
/// or a backslash.
constexpr std::uint64_t anyEscaped(std::uint64_t eight) {
    return anyBelow(eight, 0x20) | anyBelow(eight ^ (ones * '"'), 1) |
           anyBelow(eight ^ (ones * '\\'), 1);
}

/// Whether `text` goes into a JSON string as it stands and is ASCII: no byte escaped, none of
/// a UTF-8 sequence. Eight bytes at a time, the last eight overlapping those before where the
/// length is no multiple of eight.
bool plainAscii(std::string_view text) {
    const auto stops = [](std::uint64_t eight) { return anyEscaped(eight) | (eight & highs); };
    const std::size_t size = text.size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (size < 8) {
        // A short name's bytes put together in a register, never through memory: a word read
        // back from smaller stores waits for them to land, which took longer than the test.
        // Two overlapping halves cover four to seven bytes; the first, middle and last, fewer.
        std::uint64_t eight = ones * 'a';
        if (size >= 4) {
            std::uint32_t first, last;
            std::memcpy(&first, bytes, 4);
            std::memcpy(&last, bytes + size - 4, 4);
            eight = first | std::uint64_t{last} << 32;
        } else if (size > 0) {
            eight = (eight << 24) | bytes[0] | std::uint64_t{bytes[size / 2]} << 8 |
                    std::uint64_t{bytes[size - 1]} << 16;
        }
        return stops(eight) == 0;
    }
    std::uint64_t any = stops(eightAt(text.data() + size - 8));
    for (std::size_t at = 0; at + 8 < size; at += 8)
        any |= stops(eightAt(text.data() + at));
    return any == 0;
}

/// A text taken from its start a piece at a time: the pieces of a line are short, and many.
struct Cursor {
    const char* at;
    const char* end;

    /// Moves past `piece` where the text goes on with it.
    bool take(std::string_view piece) {
        if (static_cast<std::size_t>(end - at) < piece.size() ||
            std::memcmp(at, piece.data(), piece.size()) != 0)
            return false;
        at += piece.size();
        return true;
    }
    bool take(char c) {
        if (at == end || *at != c)
            return false;
        ++at;
        return true;
    }
};

// Appends `"key":`, after a comma unless it opens its object.
std::string& appendKey(std::string& out, std::string_view name, bool first = false) {
    out.append(first ? "\"" : ",\"").append(name).append("\":");
    return out;
}

} // namespace

JsonCatalogueWriter::JsonCatalogueWriter(OutputFile& out, const RunDescription& run) : out_(out) {
    line_.push_back('{');
    appendJsonString(appendKey(line_, key::catalogue, true), catalogueName);
    appendDecimal(appendKey(line_, key::version), version);
    appendJsonName(line_.append(","), key::folder, run.folder);
    appendIsoTime(appendKey(line_, key::created).append("\""), run.started);
    appendJsonName(line_.append("\","), key::host, run.host);
    out_.write(appendKey(line_, key::entries).append("[\n"));
    line_.clear();
}

void JsonEntryHead::folder(std::string_view below) {
    if (below == below_)
        return;
    below_.assign(below);
    for (std::string& head : heads_)
        head.clear();
    prefix_.clear();
    prefixValid_ = appendJsonInside(prefix_, below);
    if (!below.empty())
        prefix_.push_back('/');
}

std::string& JsonEntryHead::append(std::string& line, const CatalogueEntry& entry) {
    const bool folder = entry.kind == EntryKind::Folder;
    line.push_back('{');
    appendKey(line, key::kind, true).append("\"").append(kindName(entry.kind)).append("\",");
    if (folder) {
        appendJsonName(line, key::path, entry.below);
    } else {
        this->folder(entry.below);
        appendKey(line, key::path, true).append("\"").append(prefix_);
        if (!appendJsonInside(line, entry.name) || !prefixValid_) {
            path_.clear();
            appendBase64(appendKey(line.append("\""), key::pathBytes).append("\""),
                         appendPathBelow(path_, entry));
        }
        line.push_back('"');
    }
    if (!folder && entry.known)
        appendDecimal(appendKey(line, key::size), entry.size);
    if (entry.known) {
        appendIsoTime(appendKey(line, key::modified).append("\""), entry.modified);
        line.push_back('"');
    }
    if (folder && !entry.unreadable) {
        appendDecimal(appendKey(line, key::files), entry.files);
        appendDecimal(appendKey(line, key::bytes), entry.bytes);
    }
    return line;
}

// A file's head is compared a piece at a time where its name needs no escape: the texts
// between the values are the keys', the values made as `append` makes them. Any other is
// written whole and compared.
std::size_t JsonEntryHead::match(std::string_view text, const CatalogueEntry& entry) {
    const bool plain = entry.kind != EntryKind::Folder && entry.known && plainAscii(entry.name);
    if (plain)
        folder(entry.below);
    if (!plain || !prefixValid_) {
        whole_.clear();
        append(whole_, entry);
        return text.starts_with(whole_) ? whole_.size() : 0;
    }
    // The head up to the name, made once a folder for each kind; the rest compared at once.
    const auto kind = static_cast<std::size_t>(entry.kind);
    if (heads_[kind].empty()) {
        heads_[kind] = "{";
        appendKey(heads_[kind], key::kind, true)
            .append("\"")
            .append(kindName(entry.kind))
            .append("\",");
        appendKey(heads_[kind], key::path, true).append("\"").append(prefix_);
    }
    // The size and the time, with their keys.
    static constexpr std::string_view sizeKey = "\",\"size\":", timeKey = ",\"modified\":\"";
    static_assert(sizeKey.substr(3, 4) == key::size && timeKey.substr(2, 8) == key::modified);
    char rest[sizeKey.size() + 24 + timeKey.size() + isoTimeSize + 1];
    char* at = std::copy(sizeKey.begin(), sizeKey.end(), rest);
    at = std::to_chars(at, at + 24, entry.size).ptr;
    at = std::copy(timeKey.begin(), timeKey.end(), at);
    at = writeIsoTime(at, entry.modified);
    *at++ = '"';
    Cursor head{text.data(), text.data() + text.size()};
    const bool same = head.take(heads_[kind]) && head.take(entry.name) &&
                      head.take({rest, static_cast<std::size_t>(at - rest)});
    return same ? static_cast<std::size_t>(head.at - text.data()) : 0;
}

void JsonCatalogueWriter::entry(const CatalogueEntry& entry) {
    // Each entry after the first begins with the comma and line end of the one before: a
    // comma is written only where another entry follows.
    line_.assign(first_ ? "" : ",\n");
    first_ = false;
    if (!entry.jsonText.empty()) { // as this writer would write it, and without an error
        out_.write(line_);
        out_.write(entry.jsonText);
        return;
    }
    head_.append(line_, entry);
    if (!entry.sha256.empty()) // a file's alone
        appendKey(line_, key::sha256).append("\"").append(entry.sha256).push_back('"');
    if (!entry.error.empty()) {
        ++errors_;
        appendJsonString(appendKey(line_, key::error), entry.error);
    }
    out_.write(line_.append("}"));
}

void JsonCatalogueWriter::finish(const Totals& totals) {
    appendKey(line_.assign("\n]"), key::totals).push_back('{');
    appendDecimal(appendKey(line_, key::folders, true), totals.folders);
    appendDecimal(appendKey(line_, key::files), totals.files);
    appendDecimal(appendKey(line_, key::bytes), totals.bytes);
    appendDecimal(appendKey(line_, key::errors), errors_);
    out_.write(line_.append("}}\n"));
    line_.clear();
}

// ---------------------------------------------------------------------------------------

namespace {

/// A member's value in a catalogue's objects: a string or a whole number.
struct Value {
    bool isNumber = false;
    std::string text;
    ByteCount number = 0; // a sum of sizes may pass 2^64
};

/// The members of one flat JSON object, `{"key":value,...}`, where every value is a string
/// or a whole number, one at a time to `member(key, value)`; false when `text` is not
/// exactly that, with `fault` saying what is wrong.
class FlatObject {
public:
    explicit FlatObject(std::string_view text) : text_(text) {}

    const char* fault = "";

    /// `valueOf(key)` gives the value that a member's value is read into.
    template <typename ValueOf> bool parse(ValueOf&& valueOf) {
        if (!take('{'))
            return wrong("not a JSON object");
        if (take('}'))
            return finished();
        do {
            key_.clear();
            if (!string(key_))
                return wrong("a damaged key");
            if (!take(':'))
                return wrong("no ':' after a key");
            Value& value = valueOf(std::string_view(key_));
            value.text.clear();
            value.number = 0;
            value.isNumber = peek() != '"';
            if (value.isNumber ? !number(value.number) : !string(value.text))
                return wrong("a value that is neither a string nor a whole number");
        } while (take(','));
        if (!take('}'))
            return wrong("no ',' or '}' after a value");
        return finished();
    }

private:
    bool wrong(const char* what) {
        if (!*fault)
            fault = what;
        return false;
    }
    bool finished() {
        skipSpace();
        return at_ == text_.size() || wrong("more after the object's end");
    }
    void skipSpace() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r'))
            ++at_;
    }
    char peek() {
        skipSpace();
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++at_;
        return true;
    }
    bool number(ByteCount& out) {
        const char* begin = text_.data() + at_;
        const char* end = text_.data() + text_.size();
        if (begin == end ||
            (*begin == '0' && end - begin > 1 && begin[1] >= '0' && begin[1] <= '9'))
            return false;
        std::uint64_t small = 0;
        auto [rest, error] = std::from_chars(begin, end, small);
        out = small;
        if (error == std::errc::result_out_of_range) { // a sum of sizes past 2^64
            error = {};
            for (const char* digit = begin; digit != rest; ++digit) {
                if (out > (~ByteCount{0} - 9) / 10)
                    return false;
                out = out * 10 + static_cast<unsigned>(*digit - '0');
            }
        }
        if (error != std::errc())
            return false;
        at_ += static_cast<std::size_t>(rest - begin);
        return true;
    }
    bool hex4(std::uint32_t& out) {
        if (text_.size() - at_ < 4)
            return false;
        const auto [rest, error] =
            std::from_chars(text_.data() + at_, text_.data() + at_ + 4, out, 16);
        if (error != std::errc() || rest != text_.data() + at_ + 4)
            return false;
        at_ += 4;
        return true;
    }
    bool string(std::string& out) {
        if (!take('"'))
            return false;
        for (;;) {
            // By table: the bytes that end a run of plain text are a quote, a backslash and the
            // control characters, which a JSON string may not hold.
            static constexpr std::array<bool, 256> ends = [] {
                std::array<bool, 256> table{};
                for (std::size_t c = 0; c < 0x20; ++c)
                    table[c] = true;
                table['"'] = table['\\'] = true;
                return table;
            }();
            std::size_t stop = at_;
            // Eight bytes at a time while none of them can end the run (a byte that might
            // stops it here; the table then says where it ends).
            for (; text_.size() - stop >= 8; stop += 8) {
                const std::uint64_t eight = eightAt(text_.data() + stop);
                if (anyEscaped(eight))
                    break;
            }
            while (stop < text_.size() && !ends[static_cast<unsigned char>(text_[stop])])
                ++stop;
            if (stop == text_.size())
                return wrong("a string without its end");
            out.append(text_.substr(at_, stop - at_));
            at_ = stop + 1;
            if (text_[stop] == '"')
                return isValidUtf8(out) || wrong("a string that is not UTF-8");
            if (text_[stop] != '\\')
                return wrong("a control character inside a string");
            if (at_ >= text_.size())
                return wrong("a string without its end");
            const char escape = text_[at_++];
            const char* plain = "\"\\/bfnrt";
            const char* meant = "\"\\/\b\f\n\r\t";
            if (const char* found = std::char_traits<char>::find(plain, 8, escape)) {
                out.push_back(meant[found - plain]);
                continue;
            }
            std::uint32_t c;
            if (escape != 'u' || !hex4(c))
                return wrong("a damaged escape in a string");
            if (c >= 0xD800 && c <= 0xDBFF) { // the first half of a pair
                std::uint32_t low;
                if (text_.substr(at_, 2) != "\\u" || (at_ += 2, !hex4(low)) || low < 0xDC00 ||
                    low > 0xDFFF)
                    return wrong("half a surrogate pair in a string");
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            } else if (c >= 0xDC00 && c <= 0xDFFF) {
                return wrong("half a surrogate pair in a string");
            }
            appendUtf8(out, c);
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string key_;
};

/// Whether `text` is a SHA-256 as catalogues write it: 64 lower-case hex digits, looked at
/// eight at a time. In a byte below 0x80, adding n sets its high bit from 0x80 - n on, and
/// carries into no other byte.
bool isDigest(std::string_view text) {
    if (text.size() != 64)
        return false;
    // Sixteen bytes at a time, each a digit or a letter a-f; a byte from 0x80 on is negative
    // here, and neither.
    using Sixteen = signed char __attribute__((vector_size(16)));
    const auto each = [](char c) { return Sixteen{} + static_cast<signed char>(c); };
    Sixteen all = each(-1);
    for (std::size_t at = 0; at < 64; at += 16) {
        Sixteen bytes;
        std::memcpy(&bytes, text.data() + at, sizeof bytes);
        all &= ((bytes >= each('0')) & (bytes <= each('9'))) |
               ((bytes >= each('a')) & (bytes <= each('f')));
    }
    std::uint64_t halves[2];
    std::memcpy(halves, &all, sizeof halves);
    return (halves[0] & halves[1]) == ~std::uint64_t{0};
}

std::string decimal(ByteCount value) {
    std::string text;
    appendDecimal(text, value);
    return text;
}

/// A member that an object of a catalogue may have, and whether its value is a number.
struct Field {
    std::string_view key;
    bool number;
};

constexpr Field headerFields[] = {{key::catalogue, false}, {key::version, true},
                                  {key::folder, false},    {key::folderBytes, false},
                                  {key::created, false},   {key::host, false},
                                  {key::hostBytes, false}};
enum HeaderField { Catalogue, Version, Folder, FolderBytes, Created, Host, HostBytes };
constexpr Field entryFields[] = {
    {key::kind, false},     {key::path, false},      {key::size, true},
    {key::modified, false}, {key::files, true},      {key::bytes, true},
    {key::error, false},    {key::pathBytes, false}, {key::sha256, false}};
enum EntryField { Kind, Path, Size, Modified, Files, Bytes, Error, PathBytes, Sha256 };
constexpr Field totalsFields[] = {
    {key::folders, true}, {key::files, true}, {key::bytes, true}, {key::errors, true}};

} // namespace

/// The members of one flat object that `fields` name, by position; others are left aside
/// (a later version of this program may add some). A value of another type than its
/// field's is damage, never "not known".
class JsonCatalogueReader::Members {
public:
    bool has(unsigned field) const { return (found_ & (1u << field)) != 0; }
    const Value& operator[](unsigned field) const { return values_[field]; }
    std::string fault;

    bool read(std::string_view text, std::span<const Field> fields) {
        found_ = 0;
        fault.clear();
        FlatObject object(text);
        const bool parsed = object.parse([&](std::string_view key) -> Value& {
            for (unsigned i = 0; i < fields.size(); ++i) {
                // Keys are short: compared here, not by a call of memcmp for each.
                const std::string_view name = fields[i].key;
                bool same = key.size() == name.size();
                for (std::size_t k = 0; same && k < name.size(); ++k)
                    same = key[k] == name[k];
                if (same) {
                    found_ |= 1u << i;
                    return values_[i];
                }
            }
            return other_;
        });
        if (!parsed)
            fault = std::string("not an entry of a catalogue: ") + object.fault;
        for (unsigned bits = found_; bits != 0 && fault.empty(); bits &= bits - 1) {
            const auto i = static_cast<unsigned>(std::countr_zero(bits));
            if (values_[i].isNumber != fields[i].number)
                fault.append("'")
                    .append(fields[i].key)
                    .append("' is not ")
                    .append(fields[i].number ? "a whole number" : "a string");
        }
        return fault.empty();
    }

    /// Takes a name written by `appendJsonName` into `out`: its exact bytes when it has them
    /// in base64. False when it has none, or base64 that is not.
    bool takeName(unsigned text, unsigned bytes, std::string& out) {
        if (!has(bytes)) {
            out.swap(values_[text].text);
            return has(text);
        }
        std::optional<std::string> decoded = decodeBase64(values_[bytes].text);
        if (decoded)
            out = std::move(*decoded);
        return decoded.has_value();
    }

private:
    unsigned found_ = 0;
    static constexpr std::size_t most =
        std::max({std::size(headerFields), std::size(entryFields), std::size(totalsFields)});
    Value values_[most];
    Value other_; // of a member that this program does not read
};

// ---------------------------------------------------------------------------------------

// A line ended by CR LF (a catalogue that went through such a tool) loses its CR.
bool JsonCatalogueReader::readLine(std::string& error) {
    line_.clear();
    for (;;) {
        const std::string_view buffered(buffer_.get(), buffered_);
        const std::size_t end = buffered.find('\n', at_);
        if (end != std::string::npos) {
            line_.append(buffered.substr(at_, end - at_));
            at_ = end + 1;
            ++lineNumber_;
            if (line_.ends_with('\r'))
                line_.pop_back();
            return true;
        }
        line_.append(buffered.substr(at_));
        buffered_ = at_ = 0;
        if (line_.size() > longestLine) {
            ++lineNumber_;
            error = "a line longer than any entry";
            return false;
        }
        if (ended_) {
            ++lineNumber_; // a last line without its line end, or the one past the end
            return !line_.empty();
        }
        // Made once, and never filled with zeros: the read fills what is used of it.
        if (!buffer_)
            buffer_ = std::make_unique_for_overwrite<char[]>(readSize);
        std::size_t got = 0;
        if (std::error_code failure = file_->read(buffer_.get(), readSize, got)) {
            ++lineNumber_; // the line it was reading
            error = "cannot read: " + failure.message();
            return false;
        }
        buffered_ = got;
        ended_ = got == 0;
    }
}

JsonCatalogueReader::JsonCatalogueReader(std::unique_ptr<ReadableFile> file, std::string name)
    : file_(std::move(file)), members_(std::make_unique<Members>()), name_(std::move(name)) {}

JsonCatalogueReader::~JsonCatalogueReader() = default;

bool JsonCatalogueReader::fail(const std::string& what) {
    if (failure_.empty())
        failure_ = name_ + ": line " + std::to_string(lineNumber_) + ": " + what;
    return false;
}

bool JsonCatalogueReader::readHeader() {
    std::string error;
    if (!readLine(error))
        return fail(error.empty() ? "empty, not a catalogue" : error);
    const std::string opening = ",\"" + std::string(key::entries) + "\":[";
    Members& header = *members_;
    const bool read = line_.ends_with(opening) &&
                      header.read(line_.replace(line_.size() - opening.size(), opening.size(), "}"),
                                  headerFields);
    if (!read || !header.has(Catalogue) || header[Catalogue].text != catalogueName)
        return fail("not a JSON catalogue of dorvantile-cli");
    if (!header.has(Version) || header[Version].number != version)
        return fail("a catalogue of another version (" +
                    (header.has(Version) ? decimal(header[Version].number) : "none") +
                    "); this program reads version " + std::to_string(version));
    const std::optional<FileTime> time =
        header.has(Created) ? parseIsoTime(header[Created].text) : std::nullopt;
    if (!header.takeName(Folder, FolderBytes, run_.folder) || run_.folder.empty() ||
        !header.takeName(Host, HostBytes, run_.host) || !time)
        return fail("a damaged heading: its folder, time or host is missing or damaged");
    run_.started = *time;
    return true;
}

bool JsonCatalogueReader::start() {
    if (started_)
        return true;
    started_ = true;
    return readHeader();
}

bool JsonCatalogueReader::readTotals() {
    if (moreEntries_)
        return fail("the entries end in a comma");
    std::string_view rest = std::string_view(line_).substr(key::totals.size() + 5);
    Members& totals = *members_;
    if (!rest.ends_with("}") || !totals.read(rest.substr(0, rest.size() - 1), totalsFields) ||
        !totals.has(0) || !totals.has(1) || !totals.has(2) || !totals.has(3))
        return fail("damaged totals");
    if (totals[0].number != static_cast<std::uint64_t>(totals_.folders) ||
        totals[1].number != static_cast<std::uint64_t>(totals_.files) ||
        totals[2].number != totals_.bytes ||
        totals[3].number != static_cast<std::uint64_t>(errors_))
        return fail("totals that are not those of the entries: entries are missing or damaged");
    finished_ = true;
    const std::size_t totalsLine = lineNumber_;
    std::string error;
    if (readLine(error)) // nothing may follow but the end
        return fail("more after the totals of line " + std::to_string(totalsLine));
    return error.empty() ? false : fail(error);
}

bool JsonCatalogueReader::next(CatalogueEntry& entry) {
    if (!failure_.empty() || finished_)
        return false;
    if (!start())
        return false;
    std::string error;
    if (!readLine(error))
        return fail(error.empty() ? "the catalogue ends before its totals" : error);
    static const std::string totals = "],\"" + std::string(key::totals) + "\":";
    if (line_.starts_with(totals))
        return readTotals();
    if (!moreEntries_)
        return fail("an entry after the last one, or no comma on the line before");
    return readEntry(entry);
}

// The line is compared where it lies in the buffer; one that goes on past it is left to
// `next`, as is anything but an entry as it would be written now.
bool JsonCatalogueReader::nextIfSame(const CatalogueEntry& now, std::string_view& sha256,
                                     std::string_view& text) {
    if (!failure_.empty() || finished_ || !moreEntries_ || !now.known || !now.error.empty() ||
        now.unreadable)
        return false;
    if (!start())
        return false;
    const bool folder = now.kind == EntryKind::Folder;
    const std::string_view rest(buffer_.get() + at_, buffered_ - at_);
    const std::size_t head = head_.match(rest, now);
    if (head == 0)
        return false;
    Cursor line{rest.data() + head, rest.data() + rest.size()};
    // What may follow: a file's digest, then the object's end and the line's.
    static const std::string digestKey = ",\"" + std::string(key::sha256) + "\":\"";
    std::string_view digest;
    if (!folder && line.take(digestKey)) {
        if (line.end - line.at < 64 || !isDigest(digest = std::string_view(line.at, 64)))
            return false;
        line.at += 64;
        if (!line.take('"'))
            return false;
    }
    if (!line.take('}'))
        return false;
    const std::string_view object(rest.data(), static_cast<std::size_t>(line.at - rest.data()));
    const bool more = line.take(',');
    line.take('\r');
    if (!line.take('\n'))
        return false;
    at_ += static_cast<std::size_t>(line.at - rest.data());
    ++lineNumber_;
    moreEntries_ = more;
    if (folder && !now.below.empty())
        ++totals_.folders;
    if (!folder) {
        ++totals_.files;
        totals_.bytes += now.size;
    }
    sha256 = digest;
    text = object;
    return true;
}

bool JsonCatalogueReader::readEntry(CatalogueEntry& entry) {
    std::string_view text = line_;
    if ((moreEntries_ = text.ends_with(",")))
        text.remove_suffix(1);
    Members& m = *members_;
    if (!m.read(text, entryFields))
        return fail(m.fault);
    const std::optional<EntryKind> kind = m.has(Kind) ? kindNamed(m[Kind].text) : std::nullopt;
    if (!kind)
        return fail(m.has(Kind) ? "an entry of an unknown kind" : "an entry without its kind");
    if (!m.takeName(Path, PathBytes, path_))
        return fail(m.has(PathBytes) ? "a path_base64 that is not base64"
                                     : "an entry without its path");
    const std::optional<FileTime> time =
        m.has(Modified) ? parseIsoTime(m[Modified].text) : std::nullopt;
    if (m.has(Modified) && !time)
        return fail("a modified time that is not an ISO 8601 time of a catalogue");
    const bool folder = *kind == EntryKind::Folder;
    if (folder ? m.has(Size) : m.has(Files) || m.has(Bytes))
        return fail(folder ? "a folder with a size" : "a file with a folder's counts");
    // What the writer leaves out of an entry it gives only with the reason.
    if (!m.has(Error) && (!time || (folder ? !m.has(Files) || !m.has(Bytes) : !m.has(Size))))
        return fail(folder ? "a folder without its time or counts, and no error"
                           : "a file without its size or time, and no error");
    if (m.has(Files) != m.has(Bytes) || (!folder && m.has(Size) != time.has_value()))
        return fail("an entry with half of its details");
    if (!folder && (path_.empty() || path_.ends_with('/')))
        return fail("a file without a name");
    if (m[Size].number > UINT64_MAX || m[Files].number > INT64_MAX)
        return fail("a size or a count larger than any file system holds");
    if (m.has(Sha256) && (folder || !isDigest(m[Sha256].text)))
        return fail("a sha256 that is not 64 hex digits of a file");
    entry.kind = *kind;
    entry.known = time.has_value();
    entry.size = m[Size].number;
    entry.modified = time.value_or(FileTime{});
    entry.files = static_cast<std::int64_t>(m[Files].number);
    entry.bytes = m[Bytes].number;
    entry.unreadable = folder && !m.has(Files);
    entry.error = {};
    entry.sha256 = m.has(Sha256) ? std::string_view(m[Sha256].text) : std::string_view();
    entry.jsonText = {};
    entry.at = nullptr;
    if (m.has(Error)) {
        ++errors_;
        error_ = m[Error].text;
        entry.error = error_;
    }
    // The path splits into the folder's part and the name; the folder's full path is the
    // chosen folder's joined with the first.
    const std::size_t slash = folder ? path_.size() : path_.rfind('/');
    const std::string_view path = path_;
    entry.below = slash == std::string::npos ? std::string_view() : path.substr(0, slash);
    entry.name =
        folder ? std::string_view() : path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (folder || below_.size() != entry.below.size() || below_ != entry.below) {
        below_.assign(entry.below);
        folder_ =
            entry.below.empty() ? run_.folder : withSeparator(run_.folder).append(entry.below);
    }
    entry.folder = folder_;
    if (folder && !entry.below.empty())
        ++totals_.folders;
    if (!folder) {
        ++totals_.files;
        if (entry.known)
            totals_.bytes += entry.size;
    }
    return true;
}

} // namespace dorvantile
