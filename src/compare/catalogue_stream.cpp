#include "compare/catalogue_stream.h"

#include "platform/folder_list.h"
#include "platform/text_case.h"
#include "run/run_feedback.h"
#include "writers/data_text.h"

#include <charconv>
#include <map>

namespace dorvantile {
namespace {

constexpr std::size_t readSize = 1 << 16;
constexpr std::size_t longestLine = 1 << 20; // a path and its base64 take a few kilobytes

/// A member's value in a catalogue's objects: a string or a whole number.
struct Value {
    bool isNumber = false;
    std::string text;
    std::uint64_t number = 0;
};

/// The members of one flat JSON object, `{"key":value,...}`, where every value is a string
/// or a whole number, one at a time to `member(key, value)`; false when `text` is not
/// exactly that.
class FlatObject {
public:
    explicit FlatObject(std::string_view text) : text_(text) {}

    template <typename Member> bool parse(Member&& member) {
        if (!take('{'))
            return false;
        if (take('}'))
            return finished();
        do {
            key_.clear();
            value_.text.clear();
            if (!string(key_) || !take(':'))
                return false;
            if (peek() == '"' ? !string(value_.text) : !(value_.isNumber = number(value_.number)))
                return false;
            if (!value_.isNumber)
                value_.number = 0;
            member(std::string_view(key_), value_);
            value_.isNumber = false;
        } while (take(','));
        return take('}') && finished();
    }

    /// All the members, for the few objects of a catalogue that are not entries.
    std::optional<std::map<std::string, Value>> members() {
        std::map<std::string, Value> all;
        if (!parse([&all](std::string_view key, const Value& value) {
                all.emplace(std::string(key), value);
            }))
            return std::nullopt;
        return all;
    }

private:
    bool finished() {
        skipSpace();
        return at_ == text_.size();
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
            while (stop < text_.size() && text_[stop] != '"' && text_[stop] != '\\')
                ++stop;
            if (stop == text_.size())
                return false;
            out.append(text_.substr(at_, stop - at_));
            at_ = stop + 1;
            if (text_[stop] == '"')
                return isValidUtf8(out);
            if (at_ >= text_.size())
                return false;
            const char escape = text_[at_++];
            const char* plain = "\"\\/bfnrt";
            const char* meant = "\"\\/\b\f\n\r\t";
            if (const char* found = std::char_traits<char>::find(plain, 8, escape)) {
                out.push_back(meant[found - plain]);
                continue;
            }
            std::uint32_t c;
            if (escape != 'u' || !hex4(c))
                return false;
            if (c >= 0xD800 && c <= 0xDBFF) { // the first half of a pair
                std::uint32_t low;
                if (text_.substr(at_, 2) != "\\u" || (at_ += 2, !hex4(low)) || low < 0xDC00 ||
                    low > 0xDFFF)
                    return false;
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            } else if (c >= 0xDC00 && c <= 0xDFFF) {
                return false;
            }
            appendUtf8(out, c);
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string key_;
    Value value_;
};

const Value* member(const std::map<std::string, Value>& members, const std::string& key,
                    bool number) {
    const auto found = members.find(key);
    return found == members.end() || found->second.isNumber != number ? nullptr : &found->second;
}

std::optional<EntryKind> kindNamed(const std::string& text) {
    for (EntryKind kind :
         {EntryKind::Folder, EntryKind::File, EntryKind::Link, EntryKind::Dangling}) {
        if (text == kindName(kind))
            return kind;
    }
    return std::nullopt;
}

} // namespace

// ---------------------------------------------------------------------------------------

JsonCatalogueReader::JsonCatalogueReader(std::unique_ptr<ReadableFile> file, std::string name)
    : file_(std::move(file)), name_(std::move(name)) {}

bool JsonCatalogueReader::fail(const std::string& what) {
    if (failure_.empty())
        failure_ = name_ + ": line " + std::to_string(lineNumber_) + ": " + what;
    return false;
}

bool JsonCatalogueReader::readLine() {
    line_.clear();
    for (;;) {
        const std::size_t end = buffer_.find('\n', at_);
        if (end != std::string::npos) {
            line_.append(buffer_, at_, end - at_);
            at_ = end + 1;
            ++lineNumber_;
            if (line_.ends_with('\r')) // a catalogue that went through a tool of CR LF lines
                line_.pop_back();
            return true;
        }
        line_.append(buffer_, at_);
        buffer_.clear();
        at_ = 0;
        if (line_.size() > longestLine) {
            ++lineNumber_;
            return fail("a line longer than any entry");
        }
        if (ended_) {
            ++lineNumber_; // a last line without its line end, or the one past the end
            return !line_.empty();
        }
        buffer_.resize(readSize);
        std::size_t got = 0;
        if (std::error_code error = file_->read(buffer_.data(), buffer_.size(), got)) {
            failure_ = "cannot read " + name_ + ": " + error.message();
            return false;
        }
        buffer_.resize(got);
        ended_ = got == 0;
    }
}

bool JsonCatalogueReader::readHeader() {
    if (!readLine())
        return failure_.empty() ? fail("empty, not a catalogue") : false;
    constexpr std::string_view opening = "\"entries\":[";
    std::optional<std::map<std::string, Value>> header;
    if (line_.ends_with(opening) && line_.size() > opening.size() &&
        line_[line_.size() - opening.size() - 1] == ',') {
        line_.resize(line_.size() - opening.size() - 1);
        header = FlatObject(line_ + "}").members();
    }
    const Value* catalogue = header ? member(*header, "catalogue", false) : nullptr;
    if (!catalogue || catalogue->text != "dorvantile")
        return fail("not a JSON catalogue of dorvantile-cli");
    const Value* version = member(*header, "version", true);
    if (!version || version->number != 1)
        return fail("a catalogue of another version (" +
                    (version ? std::to_string(version->number) : std::string("none")) +
                    "); this program reads version 1");
    return true;
}

bool JsonCatalogueReader::next(ComparedEntry& entry) {
    if (!failure_.empty() || finished_)
        return false;
    if (!started_) {
        started_ = true;
        if (!readHeader())
            return false;
    }
    if (!readLine())
        return failure_.empty() ? fail("the catalogue ends before its totals") : false;
    if (line_.starts_with("],\"totals\":")) {
        if (moreEntries_)
            return fail("the entries end in a comma");
        const std::string_view rest = std::string_view(line_).substr(11);
        if (!rest.ends_with("}") || !FlatObject(rest.substr(0, rest.size() - 1)).members())
            return fail("damaged totals");
        finished_ = true;
        const std::size_t totalsLine = lineNumber_;
        if (readLine()) // nothing may follow but the end
            return fail("more after the totals of line " + std::to_string(totalsLine));
        return false;
    }
    if (!moreEntries_)
        return fail("an entry after the last one, or no comma on the line before");
    std::string_view text = line_;
    moreEntries_ = text.ends_with(",");
    if (moreEntries_)
        text.remove_suffix(1);
    std::optional<EntryKind> kind;
    bool hasPath = false, hasBytes = false, hasSize = false, hasTime = false, wrong = false;
    entry.error.clear();
    const bool parsed = FlatObject(text).parse([&](std::string_view key, const Value& value) {
        if (key == "kind" && !value.isNumber) {
            kind = kindNamed(value.text);
        } else if (key == "path" && !value.isNumber) {
            hasPath = true;
            if (!hasBytes)
                entry.path = value.text;
        } else if (key == "path_base64" && !value.isNumber) {
            std::optional<std::string> bytes = decodeBase64(value.text);
            hasBytes = bytes.has_value();
            wrong = wrong || !hasBytes;
            if (bytes)
                entry.path = std::move(*bytes);
        } else if (key == "size" && value.isNumber) {
            hasSize = true;
            entry.size = value.number;
        } else if (key == "modified" && !value.isNumber) {
            const std::optional<FileTime> time = parseIsoTime(value.text);
            hasTime = time.has_value();
            wrong = wrong || !hasTime;
            entry.modified = time.value_or(FileTime{});
        } else if (key == "error" && !value.isNumber) {
            entry.error = value.text;
        }
    });
    if (!parsed)
        return fail("not an entry of a catalogue");
    if (!kind || !hasPath || wrong)
        return fail("an entry without its kind or path, or with a damaged value");
    entry.kind = *kind;
    if (!hasSize)
        entry.size = 0;
    entry.known = hasTime && (hasSize || entry.kind == EntryKind::Folder);
    return true;
}

// ---------------------------------------------------------------------------------------

/// Hands the walk's entries to the reader's queue, a bounded number at a time.
class WalkedFolder::Producer final : public CatalogueEntries, public RunFeedback {
public:
    struct Cancelled {};

    explicit Producer(WalkedFolder& owner) : owner_(owner) {}

    void entry(const CatalogueEntry& entry) override {
        ComparedEntry compared;
        compared.kind = entry.kind;
        compared.path.assign(entry.below);
        if (entry.kind != EntryKind::Folder) {
            if (!compared.path.empty())
                compared.path.push_back('/');
            compared.path.append(entry.name);
        }
        compared.known = entry.details && !entry.details->error;
        if (compared.known) {
            compared.size = entry.kind == EntryKind::Folder ? 0 : entry.details->details.size;
            compared.modified = entry.details->details.modified;
        } else if (entry.unreadable || (entry.details && entry.details->error)) {
            compared.error = (entry.unreadable ? entry.unreadable : entry.details->error).message();
        }
        batch_.push_back(std::move(compared));
        if (batch_.size() == batchSize)
            handOver();
    }

    /// Gives the reader the entries not yet handed over.
    void handOver() {
        std::unique_lock lock(owner_.mutex_);
        owner_.changed_.wait(
            lock, [this] { return owner_.cancelled_ || owner_.queue_.size() < batches; });
        if (owner_.cancelled_)
            throw Cancelled{}; // unwinds the walk
        owner_.queue_.push_back(std::move(batch_));
        owner_.changed_.notify_all();
        batch_.clear();
    }

    // The entries carry what could not be read; the reader reports it.
    void working(const Progress&) override {}
    void cannotRead(const std::string&, std::error_code) override {}

private:
    // Entries go over in batches, so that the threads meet once per batch, not per entry.
    static constexpr std::size_t batchSize = 1024;
    static constexpr std::size_t batches = 4;
    WalkedFolder& owner_;
    std::vector<ComparedEntry> batch_;
};

WalkedFolder::WalkedFolder(FileSystem& fileSystem, std::string folder, ListingOptions listing)
    : fileSystem_(fileSystem), folder_(std::move(folder)), listing_(std::move(listing)),
      thread_([this] { produce(); }) {}

WalkedFolder::~WalkedFolder() {
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WalkedFolder::produce() {
    Producer producer(*this);
    try {
        struct Chosen final : ChosenFolder {
            std::string path_;
            std::string path() const override { return path_; }
        } chosen;
        chosen.path_ = folder_;
        const FolderList noList;
        FileListing noListing(fileSystem_);
        const CatalogueSource source{chosen,  noList, noListing, producer, TreeReading::OnePass,
                                     listing_};
        WalkEntries(source, producer);
        producer.handOver();
    } catch (const Producer::Cancelled&) {
    }
    const std::lock_guard lock(mutex_);
    done_ = true;
    changed_.notify_all();
}

bool WalkedFolder::next(ComparedEntry& entry) {
    if (position_ == reading_.size()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_ || !queue_.empty(); });
        if (queue_.empty())
            return false;
        reading_ = std::move(queue_.front());
        queue_.pop_front();
        position_ = 0;
        changed_.notify_all();
    }
    entry = std::move(reading_[position_++]);
    return true;
}

} // namespace dorvantile
