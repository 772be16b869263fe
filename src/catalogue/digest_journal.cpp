#include "catalogue/digest_journal.h"

#include "catalogue/codecs.h"

#include <charconv>

namespace dorvantile {
namespace {

// Written out once this much has gathered, or a second after the last write.
constexpr std::size_t gathered = 1 << 16;

/// The number at the start of `text`, and `text` after it and one space.
template <class Number> bool take(std::string_view& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + text.size() || *end != ' ')
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

} // namespace

DigestJournal::DigestJournal(OutputFiles& files, std::string stem, int first)
    : files_(files), stem_(std::move(stem)), first_(first) {}

DigestJournal::~DigestJournal() {
    flush();
}

void DigestJournal::flush() {
    // A journal that cannot be written only makes a run that is cut short start over.
    if (file_ && !pending_.empty() && file_->write(pending_))
        file_.reset();
    pending_.clear();
    written_ = std::chrono::steady_clock::now();
}

// Under the first number no other run has taken; without a file, a run cut short starts over.
void DigestJournal::make() {
    for (int n = first_; n < first_ + 100; ++n) {
        const std::string path = stem_ + std::to_string(n);
        const std::error_code error = files_.createHeld(path, file_);
        if (!error)
            made_ = path;
        if (error != std::errc::file_exists)
            return;
    }
}

void DigestJournal::add(const CatalogueEntry& entry) {
    if (!opened_) { // made by the first digest read
        opened_ = true;
        make();
    }
    if (!file_)
        return;
    pending_.append(entry.kind == EntryKind::Link ? "l " : "f ").append(entry.sha256);
    pending_.push_back(' ');
    appendDecimal(pending_, entry.size);
    pending_.push_back(' ');
    appendDecimal(pending_, entry.modified.seconds);
    pending_.push_back(' ');
    appendDecimal(pending_, entry.modified.nanoseconds);
    pending_.push_back(' ');
    path_.clear();
    appendBase64(pending_, appendPathBelow(path_, entry));
    pending_.push_back('\n');
    if (pending_.size() >= gathered ||
        std::chrono::steady_clock::now() - written_ >= std::chrono::seconds(1))
        flush();
}

JournalReader::JournalReader(std::unique_ptr<ReadableFile> file) : file_(std::move(file)) {}

bool JournalReader::next(CatalogueEntry& entry) {
    for (;;) {
        const std::size_t end = buffer_.find('\n', at_);
        if (end == std::string::npos) {
            // A line cut off by the end of the file was being written when the run ended.
            if (ended_)
                return false;
            buffer_.erase(0, at_);
            at_ = 0;
            char piece[1 << 16];
            std::size_t got = 0;
            if (file_->read(piece, sizeof piece, got) || got == 0)
                ended_ = true;
            buffer_.append(piece, got);
            continue;
        }
        std::string_view line(buffer_.data() + at_, end - at_);
        at_ = end + 1;
        // A line that is not what a journal holds ends it: what follows is read again.
        entry = {};
        if (line.size() < 70 || (line[0] != 'f' && line[0] != 'l') || line[1] != ' ' ||
            line[66] != ' ')
            return false;
        entry.kind = line[0] == 'l' ? EntryKind::Link : EntryKind::File;
        sha256_.assign(line.substr(2, 64));
        line.remove_prefix(67);
        std::int64_t seconds = 0;
        std::uint32_t nanoseconds = 0;
        if (!take(line, entry.size) || !take(line, seconds) || !take(line, nanoseconds) ||
            nanoseconds >= 1'000'000'000)
            return false;
        std::optional<std::string> decoded = decodeBase64(line);
        if (!decoded || decoded->empty())
            return false;
        path_ = std::move(*decoded);
        const std::size_t slash = path_.rfind('/');
        const std::string_view path(path_);
        entry.below = slash == std::string::npos ? std::string_view() : path.substr(0, slash);
        entry.name = slash == std::string::npos ? path : path.substr(slash + 1);
        entry.known = true;
        entry.modified = {seconds, nanoseconds};
        entry.sha256 = sha256_;
        ++totals_.files;
        return true;
    }
}

PreferredStream::PreferredStream(std::unique_ptr<EntryStream> first,
                                 std::unique_ptr<EntryStream> second) {
    first_.stream = std::move(first);
    second_.stream = std::move(second);
}

void PreferredStream::advance(Side& side) {
    if ((side.valid = side.stream->next(side.entry))) {
        side.path.clear();
        appendPathBelow(side.path, side.entry);
    }
}

bool PreferredStream::next(CatalogueEntry& entry) {
    if (!started_) {
        started_ = true;
        advance(first_);
        advance(second_);
    } else {
        if (firstGiven_)
            advance(first_);
        if (secondGiven_)
            advance(second_);
    }
    firstGiven_ = secondGiven_ = false;
    if (!first_.valid && !second_.valid)
        return false;
    const int order = !first_.valid    ? 1
                      : !second_.valid ? -1
                                       : compareCatalogueOrder(first_.entry.kind, first_.path,
                                                               second_.entry.kind, second_.path);
    // The same path on both sides: the first's entry, and the second's passed over.
    firstGiven_ = order <= 0;
    secondGiven_ = order >= 0;
    entry = order <= 0 ? first_.entry : second_.entry;
    return true;
}

std::string PreferredStream::failure() const {
    const std::string first = first_.stream->failure();
    return first.empty() ? second_.stream->failure() : first;
}

} // namespace dorvantile
