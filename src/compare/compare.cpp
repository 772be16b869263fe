// The differences of two catalogues, in catalogue order. As text, one line each, then the
// counts (control characters in paths shown as "?", the chosen folder as "."):
//
//   changed folder .: modified 2026-03-01T09:00:00.000000000Z -> 2026-12-05T11:58:00.000000000Z
//   changed file notes.txt: size 120 -> 180
//   removed file old.doc: 5120 bytes, 2026-02-11T16:20:00.000000000Z
//   added folder Scans
//   1 added, 1 removed, 2 changed
//
// As JSON, one difference a line; names as in a JSON catalogue (with "path_base64" for a
// path that is not valid UTF-8):
//
//   {"comparison":"dorvantile","version":1,"old":"march.json","new":"/media/backup","differences":[
//   {"change":"changed","kind":"file","path":"notes.txt","old_size":120,"old_modified":"2026-03-01T09:00:00.000000000Z","new_size":180,"new_modified":"2026-03-01T09:00:00.000000000Z"},
//   {"change":"removed","kind":"file","path":"old.doc","size":5120,"modified":"2026-02-11T16:20:00.000000000Z"},
//   {"change":"added","kind":"folder","path":"Scans","modified":"2026-12-05T11:58:00.000000000Z"}
//   ],"summary":{"added":1,"removed":1,"changed":1}}
#include "compare/compare.h"

#include "catalogue/codecs.h"
#include "general/shown_text.h"

#include <cstdio>

namespace dorvantile {
namespace {

// One side of the merge: its stream, its current entry, and the one before to check the order.
class Side {
public:
    Side(EntryStream& stream, const std::string& name) : stream_(stream), name_(name) {}

    bool has() const { return has_; }
    const ComparedEntry& entry() const { return entry_; }

    // Moves on; false, with `failure` set, when the stream failed or is out of order.
    bool advance(std::string& failure) {
        std::swap(previous_, entry_);
        const bool hadOne = has_;
        has_ = stream_.next(read_);
        if (!has_ && !stream_.failure().empty()) {
            failure = stream_.failure();
            return false;
        }
        if (has_)
            entry_.assign(read_);
        if (has_ && hadOne &&
            compareCatalogueOrder(previous_.kind, previous_.path, entry_.kind, entry_.path) >= 0) {
            failure = name_ + ": entry " + std::to_string(count_ + 1) +
                      " is out of catalogue order: the catalogue is damaged";
            return false;
        }
        count_ += has_ ? 1 : 0;
        return true;
    }

private:
    EntryStream& stream_;
    const std::string& name_;
    CatalogueEntry read_;
    ComparedEntry entry_, previous_;
    bool has_ = false;
    std::size_t count_ = 0;
};

bool differ(const ComparedEntry& older, const ComparedEntry& newer) {
    if (older.kind != newer.kind)
        return true;
    if (!older.known || !newer.known)
        return false;
    return older.size != newer.size || !(older.modified == newer.modified);
}

// Same size and time (`differ` is false), but not the same content. A digest on one side only
// decides nothing.
bool corrupted(const ComparedEntry& older, const ComparedEntry& newer) {
    return older.known && newer.known && !older.sha256.empty() && !newer.sha256.empty() &&
           older.sha256 != newer.sha256;
}

std::string shownPath(const ComparedEntry& entry) {
    std::string path = entry.path.empty() ? std::string(".") : entry.path;
    replaceControls(path);
    return path;
}

std::string isoTime(FileTime time) {
    std::string text;
    appendIsoTime(text, time);
    return text;
}

} // namespace

void ComparedEntry::assign(const CatalogueEntry& entry) {
    kind = entry.kind;
    path.clear();
    appendPathBelow(path, entry);
    known = entry.known;
    size = known && kind != EntryKind::Folder ? entry.size : 0;
    modified = known ? entry.modified : FileTime{};
    error.assign(entry.error);
    sha256.assign(entry.sha256);
}

ComparisonResult CompareCatalogues(const ComparedSides& sides, DifferenceReport& report,
                                   const std::function<void(const std::string&)>& warn) {
    ComparisonResult result;
    Side older(sides.older, sides.olderName), newer(sides.newer, sides.newerName);
    const auto unreadable = [&](const std::string& name, const ComparedEntry& entry) {
        if (!entry.error.empty()) {
            result.incomplete = true;
            warn(name + ": cannot read " + shownPath(entry) + ": " + entry.error);
        }
    };
    if (!older.advance(result.failure) || !newer.advance(result.failure))
        return result;
    while (older.has() || newer.has()) {
        const int order = !older.has() ? 1
                          : !newer.has()
                              ? -1
                              : compareCatalogueOrder(older.entry().kind, older.entry().path,
                                                      newer.entry().kind, newer.entry().path);
        if (order <= 0)
            unreadable(sides.olderName, older.entry());
        if (order >= 0)
            unreadable(sides.newerName, newer.entry());
        if (order < 0) {
            ++result.removed;
            report.removed(older.entry());
        } else if (order > 0) {
            ++result.added;
            report.added(newer.entry());
        } else if (differ(older.entry(), newer.entry())) {
            ++result.changed;
            report.changed(older.entry(), newer.entry());
        } else if (corrupted(older.entry(), newer.entry())) {
            ++result.corrupted;
            report.corrupted(older.entry(), newer.entry());
        }
        if ((order <= 0 && !older.advance(result.failure)) ||
            (order >= 0 && !newer.advance(result.failure)))
            return result;
    }
    report.finish(result);
    return result;
}

// ---------------------------------------------------------------------------------------

namespace {

/// A size as people read it: "1 byte", "120 bytes", "5.0 KiB (5,120 bytes)".
std::string readableSize(std::uint64_t size) {
    std::string exact;
    appendDecimal(exact, size);
    for (std::size_t at = exact.size(); at > 3;) // digits in threes
        exact.insert(at -= 3, ",");
    if (size < 1024)
        return exact + (size == 1 ? " byte" : " bytes");
    static constexpr const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(size) / 1024;
    std::size_t unit = 0;
    for (; value >= 1024 && unit + 1 < std::size(units); ++unit)
        value /= 1024;
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.1f %s", value, units[unit]);
    return std::string(shown) + " (" + exact + " bytes)";
}

// Each line is the change, the kind and what changed, then ": " and the path: the first ": "
// of a line ends what the program wrote (a time holds ":" but never ": "), so that a path
// holding ": " is still read whole. On a terminal the change is coloured.
class TextDifferences final : public DifferenceReport {
public:
    TextDifferences(OutputFile& out, bool colour) : out_(out), colour_(colour) {}

    void added(const ComparedEntry& entry) override { listed("added", entry); }

    void removed(const ComparedEntry& entry) override { listed("removed", entry); }

    void changed(const ComparedEntry& older, const ComparedEntry& newer) override {
        start("changed", newer);
        if (older.kind != newer.kind)
            line_.append(", kind ")
                .append(kindName(older.kind))
                .append(" -> ")
                .append(kindName(newer.kind));
        if (older.known && newer.known && older.size != newer.size)
            line_.append(", size " + readableSize(older.size) + " -> " + readableSize(newer.size));
        if (older.known && newer.known && !(older.modified == newer.modified))
            line_.append(", modified " + isoTime(older.modified) + " -> " +
                         isoTime(newer.modified));
        end(newer);
    }

    void corrupted(const ComparedEntry& older, const ComparedEntry& newer) override {
        start("corrupted", newer);
        line_.append(", sha256 " + older.sha256 + " -> " + newer.sha256);
        end(newer);
    }

    void finish(const ComparisonResult& counts) override {
        out_.write(
            std::to_string(counts.added) + " added, " + std::to_string(counts.removed) +
            " removed, " + std::to_string(counts.changed) + " changed" +
            (counts.corrupted ? ", " + std::to_string(counts.corrupted) + " corrupted" : "") +
            "\n");
    }

private:
    void start(const char* change, const ComparedEntry& entry) {
        // Green, red, yellow, and bold red for content that is not what it was.
        const std::string_view code = change[0] == 'a'   ? "32"
                                      : change[0] == 'r' ? "31"
                                      : change[1] == 'h' ? "33"
                                                         : "1;31";
        line_.clear();
        if (colour_)
            line_.append("\033[").append(code).append("m");
        line_.append(change);
        if (colour_)
            line_.append("\033[0m");
        line_.push_back(' ');
        line_.append(kindName(entry.kind));
    }

    void end(const ComparedEntry& entry) {
        line_.append(": ").append(shownPath(entry)).append("\n");
        out_.write(line_);
    }

    void listed(const char* change, const ComparedEntry& entry) {
        start(change, entry);
        if (entry.known && entry.kind != EntryKind::Folder)
            line_.append(", " + readableSize(entry.size) + ", " + isoTime(entry.modified));
        end(entry);
    }

    OutputFile& out_;
    bool colour_;
    std::string line_;
};

class JsonDifferences final : public DifferenceReport {
public:
    JsonDifferences(OutputFile& out, const std::string& older, const std::string& newer)
        : out_(out) {
        std::string head = "{\"comparison\":\"dorvantile\",\"version\":1,";
        appendJsonName(head, "old", older);
        head.push_back(',');
        appendJsonName(head, "new", newer);
        head.append(",\"differences\":[\n");
        out_.write(head);
    }

    void added(const ComparedEntry& entry) override { listed("added", entry); }

    void removed(const ComparedEntry& entry) override { listed("removed", entry); }

    void changed(const ComparedEntry& older, const ComparedEntry& newer) override {
        start("changed", newer);
        if (older.kind != newer.kind)
            line_.append(",\"old_kind\":\"").append(kindName(older.kind)).append("\"");
        values("old_", older);
        values("new_", newer);
        line_.push_back('}');
    }

    void corrupted(const ComparedEntry& older, const ComparedEntry& newer) override {
        start("corrupted", newer);
        values("", newer);
        line_.append(",\"old_sha256\":\"" + older.sha256 + "\",\"new_sha256\":\"" + newer.sha256 +
                     "\"}");
    }

    void finish(const ComparisonResult& counts) override {
        if (!line_.empty())
            line_.push_back('\n');
        out_.write(line_ + "],\"summary\":{\"added\":" + std::to_string(counts.added) +
                   ",\"removed\":" + std::to_string(counts.removed) +
                   ",\"changed\":" + std::to_string(counts.changed) +
                   (counts.corrupted ? ",\"corrupted\":" + std::to_string(counts.corrupted) : "") +
                   "}}\n");
    }

private:
    void start(const char* change, const ComparedEntry& entry) {
        // The line before goes out with its comma: one is written only when another follows.
        if (!line_.empty())
            out_.write(line_.append(",\n"));
        line_.assign("{\"change\":\"");
        line_.append(change).append("\",\"kind\":\"").append(kindName(entry.kind)).append("\",");
        appendJsonName(line_, "path", entry.path);
    }

    void values(const char* prefix, const ComparedEntry& entry) {
        if (!entry.known)
            return;
        if (entry.kind != EntryKind::Folder)
            line_.append(",\"").append(prefix).append("size\":").append(std::to_string(entry.size));
        line_.append(",\"").append(prefix).append("modified\":\"");
        appendIsoTime(line_, entry.modified);
        line_.push_back('"');
    }

    void listed(const char* change, const ComparedEntry& entry) {
        start(change, entry);
        values("", entry);
        line_.push_back('}');
    }

    OutputFile& out_;
    std::string line_; // the difference not yet written
};

} // namespace

std::unique_ptr<DifferenceReport> textDifferences(OutputFile& out, bool colour) {
    return std::make_unique<TextDifferences>(out, colour);
}

std::unique_ptr<DifferenceReport> jsonDifferences(OutputFile& out, const std::string& older,
                                                  const std::string& newer) {
    return std::make_unique<JsonDifferences>(out, older, newer);
}

} // namespace dorvantile
