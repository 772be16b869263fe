// The page is explorer/explorer.html with the catalogue's data in its place, as JSON in
// <script type="application/json" class="catalogue"> elements: the run, then the folders'
// records in arrays of about a MiB each (a browser parses many small elements several times
// faster than one large one), then the totals. For a chosen folder /w holding Notes.TXT (120
// bytes, changed an hour before the run), with one sub-folder /w/Old holding X.GIF and a file
// whose name is not UTF-8 (b"caf\xE9", 7 bytes, a minute older than X.GIF), the data reads:
//
//   <script type="application/json" class="catalogue">{"folder":"/w","host":"box",
//   "time":1765110000}</script>
//   <script type="application/json" class="catalogue">[
//   [0,"/w",120,"Notes.TXT","120","-3600"],
//   [1,"Old",7,"X.GIF/caf\uFFFD","0,7","-30,-60",{"f":{"1":"caf%E9"}}]]</script>
//   <script type="application/json" class="catalogue">{"totals":{"folders":1,"files":3,
//   "bytes":127}}</script>
//
// A folder is [depth, name, bytes, names, sizes, times, extra]: its depth beneath the chosen
// folder (the folders come depth first, in catalogue order), its name (the chosen folder's
// is its path), the bytes of its files, their names joined by "/" (which no name holds),
// their sizes and their modification times in seconds (the first since the epoch, each other
// from the one before it, so that the page of an unchanged tree differs only in its run's time),
// each list a text of numbers joined by "," with "-" where a file's details could not be read
// (a time that a Date cannot hold, and the one after it, whole after a "="; a sum of bytes past
// 2^53, which a double would round, a string of its digits, as are the totals'). The four are
// left out of a folder without files; the page reads the lists only of a folder it shows,
// and parses the rest of the data as a few long texts. Last, only when there is something to say,
// an object: "u" the reason the folder could not be read, "r" the name percent-encoded byte by byte
// when it is not valid UTF-8 (its text then shows U+FFFD), "f" the same for the files' names by
// position, "l" the positions of links that lead nowhere, "b" the folder's own path
// percent-encoded when it does not lie where its name beneath its parent says (a catalogue of
// a library page, whose files are on a disk of their own), "d" the files' SHA-256s in hex by
// position, joined by "," and empty for a file without one (only in a catalogue with digests,
// for a folder where some file has one). Every text is escaped as `pageJson`, so no name can
// end the element.
//
// A page whose links do not lead to each file's own full path has "base" in its run: the start
// of every link before the file's path beneath the chosen folder, percent-encoded ("../w/", a
// path from the page's folder; or a URL, "https://files.example/w/").
#include "catalogue/codecs.h"
#include "writers/explorer_page.h"
#include "writers/html_escape.h"
#include "writers/writers.h"

#include <algorithm>
#include <vector>

namespace dorvantile {
namespace {

// A record grows a folder's files at a time; beyond this it goes out before the folder ends,
// so that a folder of a million files takes no more memory than a few.
constexpr std::size_t recordLimit = 1 << 16;
// Bytes of records in one script element: a browser parses many small elements several times
// faster than one large one.
constexpr std::size_t elementSize = 1 << 20;
// The furthest time from 1970, in seconds, that a Date of the page holds.
constexpr std::int64_t maxDate = 8'640'000'000'000;

/// Appends `text` as a JSON string; false when it is not valid UTF-8.
bool quoted(std::string& out, std::string_view text) {
    out.push_back('"');
    const bool whole = appendJsonInside(out, text, pageJson);
    out.push_back('"');
    return whole;
}

/// Appends a sum of sizes as the page reads it exactly: beyond 2^53, where a number of
/// JavaScript would be rounded, as a string of its digits.
void appendExactNumber(std::string& out, ByteCount value) {
    const bool text = value > (ByteCount{1} << 53);
    if (text)
        out.push_back('"');
    appendDecimal(out, value);
    if (text)
        out.push_back('"');
}

class ExplorerCatalogue final : public CatalogueSink {
public:
    ExplorerCatalogue(OutputFile& out, const RunDescription& run, std::string_view linkBase)
        : out_(out), checksums_(run.checksums) {
        for (std::string_view piece : explorer::pageBefore())
            out_.write(piece);
        std::string start = "<script type=\"application/json\" class=\"catalogue\">{\"folder\":";
        quoted(start, run.folder);
        start.append(",\"host\":");
        quoted(start, run.host);
        start.append(",\"time\":" + std::to_string(run.started.seconds));
        if (!linkBase.empty()) {
            start.append(",\"base\":");
            quoted(start, linkBase);
        }
        start.append(std::string("}</script>\n") +
                     "<script type=\"application/json\" class=\"catalogue\">[\n");
        out_.write(start);
    }

    void entry(const CatalogueEntry& entry) override {
        if (entry.kind == EntryKind::Folder)
            folder(entry);
        else
            file(entry);
    }

    void finish(const Totals& totals) override {
        if (!first_)
            endFolder();
        std::string end = "]</script>\n<script type=\"application/json\" class=\"catalogue\">"
                          "{\"totals\":{\"folders\":" +
                          std::to_string(totals.folders) +
                          ",\"files\":" + std::to_string(totals.files) + ",\"bytes\":";
        appendExactNumber(end, totals.bytes);
        out_.write(end.append("}}</script>\n"));
        for (std::string_view piece : explorer::pageAfter())
            out_.write(piece);
    }

private:
    void folder(const CatalogueEntry& entry) {
        if (!first_)
            endFolder();
        const std::string_view below = entry.below;
        const std::size_t depth =
            below.empty()
                ? 0
                : 1 + static_cast<std::size_t>(std::count(below.begin(), below.end(), '/'));
        const std::string_view name =
            below.empty() ? entry.folder : below.substr(below.rfind('/') + 1);
        record_.append(first_ || element_ == 0 ? "[" : ",\n[");
        appendDecimal(record_, depth);
        record_.push_back(',');
        first_ = false;
        extra_.clear(), rawNames_.clear(), sizes_.clear(), times_.clear(), dangling_.clear();
        digests_.clear();
        digested_ = false;
        files_ = 0;
        previous_ = 0;
        if (!quoted(record_, name)) {
            extra_.append("\"r\":\"");
            appendPercentEncoded(extra_, name);
            extra_.push_back('"');
        }
        // Where the folder lies, from the one above it: the links of its files lead there.
        if (depth >= paths_.size())
            paths_.resize(depth + 1);
        paths_[depth] = entry.folder;
        if (depth > 0) {
            const std::string& above = paths_[depth - 1];
            const bool beneath = entry.folder.size() > above.size() &&
                                 entry.folder.starts_with(above) &&
                                 entry.folder.substr(belowStart(above)) == name;
            if (!beneath) {
                extra_.append(extra_.empty() ? "\"b\":\"" : ",\"b\":\"");
                appendPercentEncoded(extra_, entry.folder);
                extra_.push_back('"');
            }
        }
        if (entry.unreadable) {
            extra_.append(extra_.empty() ? "\"u\":" : ",\"u\":");
            quoted(extra_, entry.error);
        }
        if (entry.files > 0) {
            record_.push_back(',');
            appendExactNumber(record_, entry.bytes);
            record_.append(",\"");
        }
    }

    void file(const CatalogueEntry& entry) {
        if (files_ > 0) {
            record_.push_back('/');
            sizes_.push_back(',');
            times_.push_back(',');
        }
        // A file's position is written only for a name or a link the page must be told of.
        const std::size_t position = files_++;
        if (!appendJsonInside(record_, entry.name, pageJson)) {
            rawNames_.append(rawNames_.empty() ? "\"" : ",\"");
            appendDecimal(rawNames_, position);
            rawNames_.append("\":\"");
            appendPercentEncoded(rawNames_, entry.name);
            rawNames_.push_back('"');
        }
        if (entry.known) {
            appendDecimal(sizes_, entry.size);
            // A difference of two times that a Date holds is exact in a double; a time
            // beyond them, and the one after it, are given whole.
            const std::int64_t time = entry.modified.seconds;
            if (time >= -maxDate && time <= maxDate && previous_ >= -maxDate &&
                previous_ <= maxDate)
                appendDecimal(times_, time - previous_);
            else
                appendDecimal(times_.append("="), time);
            previous_ = time;
        } else {
            sizes_.push_back('-');
            times_.push_back('-');
        }
        if (checksums_) {
            digests_.append(position > 0 ? "," : "").append(entry.sha256);
            digested_ = digested_ || !entry.sha256.empty();
        }
        if (entry.kind == EntryKind::Dangling) {
            dangling_.append(dangling_.empty() ? "" : ",");
            appendDecimal(dangling_, position);
        }
        if (record_.size() >= recordLimit)
            write();
    }

    void endFolder() {
        if (files_ > 0)
            record_.append("\",\"").append(sizes_).append("\",\"").append(times_).push_back('"');
        if (!rawNames_.empty())
            extra_.append(extra_.empty() ? "\"f\":{" : ",\"f\":{").append(rawNames_).push_back('}');
        if (!dangling_.empty())
            extra_.append(extra_.empty() ? "\"l\":[" : ",\"l\":[").append(dangling_).push_back(']');
        if (digested_)
            extra_.append(extra_.empty() ? "\"d\":\"" : ",\"d\":\"")
                .append(digests_)
                .push_back('"');
        if (!extra_.empty())
            record_.append(",{").append(extra_).push_back('}');
        record_.push_back(']');
        emit();
    }

    void write() {
        out_.write(record_);
        element_ += record_.size();
        record_.clear();
    }

    // Writes the record, and starts a new element after each MiB or so.
    void emit() {
        write();
        if (element_ >= elementSize) {
            out_.write("]</script>\n<script type=\"application/json\" class=\"catalogue\">[\n");
            element_ = 0;
        }
    }

    OutputFile& out_;
    bool first_ = true;
    std::string record_; // the folder's record, written out as it grows
    std::string extra_;
    std::string rawNames_;
    std::string sizes_;
    std::string times_;
    std::string dangling_;
    std::string digests_;            // the files' SHA-256s in hex, joined by ","
    bool checksums_;                 // whether the run reads the files' digests
    bool digested_ = false;          // whether any file of the folder has one
    std::vector<std::string> paths_; // of the last folder met at each depth
    std::size_t files_ = 0;
    std::int64_t previous_ = 0; // the time the next file's is written from
    std::size_t element_ = 0;   // bytes of records in the current element
};

} // namespace

Writer explorerCatalogue(const WriterTarget& target) {
    return std::make_unique<ExplorerCatalogue>(*target.file, *target.run, target.linkBase);
}

} // namespace dorvantile
