// The page is explorer/explorer.html with the catalogue's data in its place: one JSON text in
// <script type="application/json" class="catalogue"> elements, to be joined in order (a
// browser parses a page of many small elements several times faster than one large one; each
// ends between two names). For a chosen folder /w holding
// Notes.TXT, with one sub-folder /w/Old holding X.GIF and a file whose name is not UTF-8
// (b"caf\xE9"), the data reads:
//
//   {"folder":"/w","host":"box","time":1765110000,"folders":[
//   [0,"/w","Notes.TXT"],
//   [1,"Old","X.GIF/caf\uFFFD",{"f":{"1":"caf%E9"}}]],
//   "totals":{"folders":1,"files":3}}
//
// A folder is [depth, name, extra]: its depth beneath the chosen folder (the folders come
// depth first, in catalogue order), its name (the chosen folder's is its path), its files'
// names joined by "/" (which no name holds), and only when there is something to say an
// object: "u" the reason the folder could not be read, "r" the name percent-encoded byte by
// byte when it is not valid UTF-8 (its text then shows U+FFFD), "f" the same for the files'
// names by position. Every text goes through appendJsonText, so no name can end the element.
#include "writers/explorer_writer.h"

#include "general/open_with_shell.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "writers/explorer_page.h"
#include "writers/html_escape.h"
#include "writers/json_text.h"

#include <vector>

namespace dorvantile {
namespace {

void appendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    appendJsonText(out, text);
    out.push_back('"');
}

/// The walk's feedback, passed on, and the reason of the folder being written when it
/// cannot be read.
class NotedFeedback final : public RunFeedback {
public:
    explicit NotedFeedback(RunFeedback& feedback) : feedback_(feedback) {}

    void working(const Progress& progress) override { feedback_.working(progress); }
    void cannotRead(const std::string& folder, std::error_code reason) override {
        feedback_.cannotRead(folder, reason);
        if (folder == current)
            unreadable = reason;
    }

    std::string current; // the folder whose section is being written
    std::error_code unreadable;

private:
    RunFeedback& feedback_;
};

class ExplorerData final : public CatalogueSections {
public:
    ExplorerData(OutputFile& out, NotedFeedback& feedback) : out_(out), feedback_(feedback) {}

    void heading(std::string_view folder, bool chosen) override {
        // The folders above this one are those of the open ones whose paths hold it.
        while (!open_.empty() && !(folder.size() > open_.back().size() &&
                                   folder.starts_with(withSeparator(open_.back()))))
            open_.pop_back();
        const std::string_view name =
            chosen ? folder : folder.substr(withSeparator(open_.back()).size());
        record_.assign(chosen ? "[" : ",\n[");
        record_.append(std::to_string(open_.size())).push_back(',');
        open_.emplace_back(folder);
        feedback_.current = open_.back();
        feedback_.unreadable.clear();
        extra_.clear();
        if (!quoted(record_, name)) {
            extra_.append("\"r\":\"");
            appendPercentEncoded(extra_, name);
            extra_.push_back('"');
        }
        record_.append(",\"");
        rawNames_.clear();
        files_ = 0;
    }

    void file(std::string_view, std::string_view name) override {
        if (files_ > 0)
            record_.push_back('/');
        if (!appendJsonText(record_, name)) {
            rawNames_.append(rawNames_.empty() ? "\"" : ",\"");
            rawNames_.append(std::to_string(files_)).append("\":\"");
            appendPercentEncoded(rawNames_, name);
            rawNames_.push_back('"');
        }
        ++files_;
        if (record_.size() >= OutputFile::capacity)
            emit();
    }

    void endSection() override {
        record_.push_back('"');
        if (!rawNames_.empty())
            extra_.append(extra_.empty() ? "\"f\":{" : ",\"f\":{").append(rawNames_).push_back('}');
        if (feedback_.unreadable) {
            extra_.append(extra_.empty() ? "\"u\":" : ",\"u\":");
            appendQuoted(extra_, feedback_.unreadable.message());
        }
        if (!extra_.empty())
            record_.append(",{").append(extra_).push_back('}');
        record_.push_back(']');
        emit();
        feedback_.current.clear();
    }

private:
    /// Writes the record so far, and starts a new element after each MiB or so.
    void emit() {
        out_.write(record_);
        element_ += record_.size();
        record_.clear();
        if (element_ >= elementSize) {
            out_.write("</script>\n<script type=\"application/json\" class=\"catalogue\">");
            element_ = 0;
        }
    }

    static bool quoted(std::string& out, std::string_view text) {
        out.push_back('"');
        const bool whole = appendJsonText(out, text);
        out.push_back('"');
        return whole;
    }

    OutputFile& out_;
    NotedFeedback& feedback_;
    std::vector<std::string> open_; // the chosen folder and the folders down to this one
    std::string record_;            // the folder's record, written out as it grows
    std::string extra_;
    std::string rawNames_;
    std::size_t files_ = 0;
    std::size_t element_ = 0; // bytes in the current element
    static constexpr std::size_t elementSize = 1 << 20;
};

} // namespace

void SaveToExplorer(const CatalogueSource& source, OutputFiles& files, const std::string& path,
                    Shell& shell, const RunStamp& stamp) {
    OutputFile out = OutputFile::open(files, path);
    for (std::string_view piece : explorer::pageBefore())
        out.write(piece);

    std::string start = "<script type=\"application/json\" class=\"catalogue\">{\"folder\":";
    appendQuoted(start, source.dir1.path());
    start.append(",\"host\":");
    appendQuoted(start, stamp.host);
    start.append(",\"time\":" + std::to_string(stamp.time) + ",\"folders\":[\n");
    out.write(start);

    NotedFeedback feedback(source.feedback);
    const CatalogueSource noted{source.dir1, source.list1, source.file1, feedback, source.reading};
    ExplorerData data(out, feedback);
    const Progress totals = WalkCatalogue(noted, data);
    out.write("],\n\"totals\":{\"folders\":" + std::to_string(totals.folders) +
              ",\"files\":" + std::to_string(totals.files) + "}}</script>\n");

    for (std::string_view piece : explorer::pageAfter())
        out.write(piece);
    out.commit();

    if (path != "-")
        OpenWithShell(shell, path);
}

} // namespace dorvantile
