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

#include <charconv>
#include <map>
#include <optional>

namespace dorvantile {
namespace {

// The names of the catalogue, written and read from here alone.
constexpr std::string_view catalogueName = "dorvantile";
constexpr std::uint64_t version = 1;
namespace key {
constexpr std::string_view catalogue = "catalogue", version = "version", folder = "folder",
                           created = "created", host = "host", entries = "entries", kind = "kind",
                           path = "path", pathBytes = "path_base64", size = "size",
                           modified = "modified", files = "files", bytes = "bytes", error = "error",
                           totals = "totals", folders = "folders", errors = "errors";
} // namespace key
constexpr std::string_view base64Suffix = "_base64";

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

void JsonCatalogueWriter::entry(const CatalogueEntry& entry) {
    // The line before goes out with its comma: one is written only when another follows.
    if (!line_.empty())
        out_.write(line_.append(",\n"));
    const bool folder = entry.kind == EntryKind::Folder;
    line_.assign("{");
    appendKey(line_, key::kind, true).append("\"").append(kindName(entry.kind)).append("\",");
    if (folder) {
        appendJsonName(line_, key::path, entry.below);
        prefix_.clear();
        prefixValid_ = appendJsonInside(prefix_, entry.below);
        if (!entry.below.empty())
            prefix_.push_back('/');
    } else {
        appendKey(line_, key::path, true).append("\"").append(prefix_);
        if (!appendJsonInside(line_, entry.name) || !prefixValid_) {
            path_.assign(entry.below);
            if (!path_.empty())
                path_.push_back('/');
            appendBase64(appendKey(line_.append("\""), key::pathBytes).append("\""),
                         path_.append(entry.name));
        }
        line_.push_back('"');
    }
    if (!folder && entry.known)
        appendDecimal(appendKey(line_, key::size), entry.size);
    if (entry.known) {
        appendIsoTime(appendKey(line_, key::modified).append("\""), entry.modified);
        line_.push_back('"');
    }
    if (folder && !entry.unreadable) {
        appendDecimal(appendKey(line_, key::files), entry.files);
        appendDecimal(appendKey(line_, key::bytes), entry.bytes);
    }
    if (!entry.error.empty()) {
        ++errors_;
        appendJsonString(appendKey(line_, key::error), entry.error);
    }
    line_.push_back('}');
}

void JsonCatalogueWriter::finish(const Totals& totals) {
    appendKey(line_.append("\n]"), key::totals).push_back('{');
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
    std::uint64_t number = 0;
};

/// The members of one flat JSON object, `{"key":value,...}`, where every value is a string
/// or a whole number, one at a time to `member(key, value)`; false when `text` is not
/// exactly that, with `fault` saying what is wrong.
class FlatObject {
public:
    explicit FlatObject(std::string_view text) : text_(text) {}

    const char* fault = "";

    template <typename Member> bool parse(Member&& member) {
        if (!take('{'))
            return wrong("not a JSON object");
        if (take('}'))
            return finished();
        do {
            key_.clear();
            value_.text.clear();
            if (!string(key_))
                return wrong("a damaged key");
            if (!take(':'))
                return wrong("no ':' after a key");
            if (peek() == '"' ? !string(value_.text) : !(value_.isNumber = number(value_.number)))
                return wrong("a value that is neither a string nor a whole number");
            if (!value_.isNumber)
                value_.number = 0;
            member(std::string_view(key_), value_);
            value_.isNumber = false;
        } while (take(','));
        if (!take('}'))
            return wrong("no ',' or '}' after a value");
        return finished();
    }

    /// All the members, for the few objects of a catalogue that are not entries.
    std::optional<std::map<std::string, Value, std::less<>>> members() {
        std::map<std::string, Value, std::less<>> all;
        if (!parse([&all](std::string_view key, const Value& value) {
                all.emplace(std::string(key), value);
            }))
            return std::nullopt;
        return all;
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
    bool number(std::uint64_t& out) {
        const char* begin = text_.data() + at_;
        const char* end = text_.data() + text_.size();
        if (begin == end ||
            (*begin == '0' && end - begin > 1 && begin[1] >= '0' && begin[1] <= '9'))
            return false;
        const auto [rest, error] = std::from_chars(begin, end, out);
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
            // By hand: find_first_of asks memchr of the two bytes once per byte of the text.
            std::size_t stop = at_;
            while (stop < text_.size() && text_[stop] != '"' && text_[stop] != '\\' &&
                   static_cast<unsigned char>(text_[stop]) >= 0x20)
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
    Value value_;
};

using Members = std::map<std::string, Value, std::less<>>;

const Value* member(const Members& members, std::string_view key, bool number) {
    const auto found = members.find(key);
    return found == members.end() || found->second.isNumber != number ? nullptr : &found->second;
}

// A name written by `appendJsonName`: its exact bytes when it has them in base64.
std::optional<std::string> nameOf(const Members& members, std::string_view key) {
    if (const Value* bytes = member(members, std::string(key).append(base64Suffix), false))
        return decodeBase64(bytes->text);
    const Value* text = member(members, key, false);
    return text ? std::optional(text->text) : std::nullopt;
}

std::optional<EntryKind> kindNamed(std::string_view text) {
    for (EntryKind kind :
         {EntryKind::Folder, EntryKind::File, EntryKind::Link, EntryKind::Dangling}) {
        if (text == kindName(kind))
            return kind;
    }
    return std::nullopt;
}

} // namespace

// ---------------------------------------------------------------------------------------

/// The lines of a file, read a block at a time; a line ended by CR LF (a catalogue that went
/// through such a tool) loses its CR.
class JsonCatalogueReader::Lines {
public:
    explicit Lines(std::unique_ptr<ReadableFile> file) : file_(std::move(file)) {}

    std::string line;
    std::size_t number = 0;

    /// The next line; false at the end, or with `error` set when the file could not be read
    /// or the line is longer than any of a catalogue.
    bool read(std::string& error) {
        line.clear();
        for (;;) {
            const std::size_t end = buffer_.find('\n', at_);
            if (end != std::string::npos) {
                line.append(buffer_, at_, end - at_);
                at_ = end + 1;
                ++number;
                if (line.ends_with('\r'))
                    line.pop_back();
                return true;
            }
            line.append(buffer_, at_);
            buffer_.clear();
            at_ = 0;
            if (line.size() > longestLine) {
                ++number;
                error = "a line longer than any entry";
                return false;
            }
            if (ended_) {
                ++number; // a last line without its line end, or the one past the end
                return !line.empty();
            }
            buffer_.resize(readSize);
            std::size_t got = 0;
            if (std::error_code failure = file_->read(buffer_.data(), buffer_.size(), got)) {
                buffer_.clear();
                ++number; // the line it was reading
                error = "cannot read: " + failure.message();
                return false;
            }
            buffer_.resize(got);
            ended_ = got == 0;
        }
    }

private:
    static constexpr std::size_t readSize = 1 << 16;
    std::unique_ptr<ReadableFile> file_;
    std::string buffer_;
    std::size_t at_ = 0;
    bool ended_ = false; // the file has no more bytes
};

JsonCatalogueReader::JsonCatalogueReader(std::unique_ptr<ReadableFile> file, std::string name)
    : lines_(std::make_unique<Lines>(std::move(file))), name_(std::move(name)) {}

JsonCatalogueReader::~JsonCatalogueReader() = default;

bool JsonCatalogueReader::fail(const std::string& what) {
    if (failure_.empty())
        failure_ = name_ + ": line " + std::to_string(lines_->number) + ": " + what;
    return false;
}

bool JsonCatalogueReader::readHeader() {
    std::string error;
    if (!lines_->read(error))
        return fail(error.empty() ? "empty, not a catalogue" : error);
    std::string& line = lines_->line;
    const std::string opening = "\"" + std::string(key::entries) + "\":[";
    std::optional<Members> header;
    if (line.ends_with(opening) && line.size() > opening.size() &&
        line[line.size() - opening.size() - 1] == ',') {
        line.resize(line.size() - opening.size() - 1);
        header = FlatObject(line + "}").members();
    }
    const Value* catalogue = header ? member(*header, key::catalogue, false) : nullptr;
    if (!catalogue || catalogue->text != catalogueName)
        return fail("not a JSON catalogue of dorvantile-cli");
    const Value* found = member(*header, key::version, true);
    if (!found || found->number != version)
        return fail("a catalogue of another version (" +
                    (found ? std::to_string(found->number) : std::string("none")) +
                    "); this program reads version " + std::to_string(version));
    const std::optional<std::string> folder = nameOf(*header, key::folder);
    const std::optional<std::string> host = nameOf(*header, key::host);
    const Value* created = member(*header, key::created, false);
    const std::optional<FileTime> time = created ? parseIsoTime(created->text) : std::nullopt;
    if (!folder || folder->empty() || !host || !time)
        return fail("a damaged heading: its folder, time or host is missing or damaged");
    run_ = {*folder, *time, *host};
    return true;
}

bool JsonCatalogueReader::readTotals() {
    if (moreEntries_)
        return fail("the entries end in a comma");
    const std::string_view rest = std::string_view(lines_->line).substr(key::totals.size() + 5);
    std::optional<Members> totals;
    if (rest.ends_with("}"))
        totals = FlatObject(rest.substr(0, rest.size() - 1)).members();
    const Value* folders = totals ? member(*totals, key::folders, true) : nullptr;
    const Value* files = totals ? member(*totals, key::files, true) : nullptr;
    const Value* bytes = totals ? member(*totals, key::bytes, true) : nullptr;
    const Value* errors = totals ? member(*totals, key::errors, true) : nullptr;
    if (!folders || !files || !bytes || !errors)
        return fail("damaged totals");
    if (folders->number != static_cast<std::uint64_t>(totals_.folders) ||
        files->number != static_cast<std::uint64_t>(totals_.files) ||
        bytes->number != totals_.bytes || errors->number != static_cast<std::uint64_t>(errors_))
        return fail("totals that are not those of the entries: entries are missing or damaged");
    finished_ = true;
    const std::size_t totalsLine = lines_->number;
    std::string error;
    if (lines_->read(error)) // nothing may follow but the end
        return fail("more after the totals of line " + std::to_string(totalsLine));
    return error.empty() ? false : fail(error);
}

bool JsonCatalogueReader::next(CatalogueEntry& entry) {
    if (!failure_.empty() || finished_)
        return false;
    if (!started_) {
        started_ = true;
        if (!readHeader())
            return false;
    }
    std::string error;
    if (!lines_->read(error))
        return fail(error.empty() ? "the catalogue ends before its totals" : error);
    if (lines_->line.starts_with("],\"" + std::string(key::totals) + "\":"))
        return readTotals();
    if (!moreEntries_)
        return fail("an entry after the last one, or no comma on the line before");
    return readEntry(entry);
}

bool JsonCatalogueReader::readEntry(CatalogueEntry& entry) {
    std::string_view text = lines_->line;
    moreEntries_ = text.ends_with(",");
    if (moreEntries_)
        text.remove_suffix(1);
    std::optional<EntryKind> kind;
    std::string kindText;
    bool hasPath = false, hasBytes = false, hasSize = false, hasTime = false, hasFiles = false,
         hasFolderBytes = false, hasError = false;
    const char* damaged = nullptr;
    entry = {};
    error_.clear();
    // Each key's value has one type; a value of another is a damage, never "not known".
    const auto typed = [&damaged](const Value& value, bool number, const char* what) {
        if (value.isNumber != number && !damaged)
            damaged = what;
        return value.isNumber == number;
    };
    FlatObject object(text);
    const bool parsed = object.parse([&](std::string_view key, const Value& value) {
        if (key == key::kind) {
            if (typed(value, false, "a kind that is not a string"))
                kindText = value.text, kind = kindNamed(value.text);
        } else if (key == key::path) {
            hasPath = typed(value, false, "a path that is not a string");
            if (hasPath && !hasBytes)
                path_ = value.text;
        } else if (key == key::pathBytes) {
            std::optional<std::string> bytes;
            if (typed(value, false, "a path_base64 that is not a string"))
                bytes = decodeBase64(value.text);
            hasBytes = bytes.has_value();
            if (!hasBytes && !damaged)
                damaged = "a path_base64 that is not base64";
            if (bytes)
                path_ = std::move(*bytes);
        } else if (key == key::size) {
            hasSize = typed(value, true, "a size that is not a whole number");
            entry.size = value.number;
        } else if (key == key::modified) {
            std::optional<FileTime> time;
            if (typed(value, false, "a modified time that is not a string"))
                time = parseIsoTime(value.text);
            hasTime = time.has_value();
            if (!hasTime && !damaged)
                damaged = "a modified time that is not an ISO 8601 time of a catalogue";
            entry.modified = time.value_or(FileTime{});
        } else if (key == key::files) {
            hasFiles = typed(value, true, "files that are not a whole number");
            entry.files = static_cast<std::int64_t>(value.number);
        } else if (key == key::bytes) {
            hasFolderBytes = typed(value, true, "bytes that are not a whole number");
            entry.bytes = value.number;
        } else if (key == key::error) {
            hasError = typed(value, false, "an error that is not a string");
            error_ = value.text;
        }
    });
    if (!parsed)
        return fail(std::string("not an entry of a catalogue: ") + object.fault);
    if (damaged)
        return fail(damaged);
    if (!kind)
        return fail(kindText.empty() ? "an entry without its kind" : "an entry of an unknown kind");
    if (!hasPath)
        return fail("an entry without its path");
    const bool folder = *kind == EntryKind::Folder;
    if (folder ? hasSize : hasFiles || hasFolderBytes)
        return fail(folder ? "a folder with a size" : "a file with a folder's counts");
    // What the writer leaves out of an entry it gives only with the reason.
    if (!hasError && (!hasTime || (folder ? !hasFiles || !hasFolderBytes : !hasSize)))
        return fail(folder ? "a folder without its time or counts, and no error"
                           : "a file without its size or time, and no error");
    if (hasFiles != hasFolderBytes || (!folder && hasSize != hasTime))
        return fail("an entry with half of its details");
    if (!folder && (path_.empty() || path_.ends_with('/')))
        return fail("a file without a name");
    entry.kind = *kind;
    entry.known = hasTime;
    entry.unreadable = folder && !hasFiles;
    if (hasError) {
        ++errors_;
        entry.error = error_;
    }
    // The path splits into the folder's part and the name; the folder's full path is the
    // chosen folder's joined with the first.
    const std::size_t slash = folder ? path_.size() : path_.rfind('/');
    const std::string_view path = path_;
    entry.below = slash == std::string::npos ? std::string_view() : path.substr(0, slash);
    entry.name =
        folder ? std::string_view() : path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (folder || below_ != entry.below) {
        below_.assign(entry.below);
        folder_ = run_.folder;
        if (!entry.below.empty()) {
            if (!folder_.ends_with('/'))
                folder_.push_back('/');
            folder_.append(entry.below);
        }
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
