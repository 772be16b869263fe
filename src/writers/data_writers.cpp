// CSV, each line ended by CR LF, one row per folder and per listed file in catalogue order.
// For a chosen folder /w holding Notes.TXT, with one sub-folder /w/Old holding X.GIF:
//
//   kind,path,name,size,modified,files,bytes,error
//   folder,"","w",,2026-12-07T13:30:52.123456789Z,1,5,
//   file,"Notes.TXT","Notes.TXT",5,2026-12-01T08:00:00.000000000Z,,,
//   folder,"Old","Old",,2026-12-07T13:30:52.120000000Z,1,3,
//   file,"Old/X.GIF","X.GIF",3,2024-03-09T17:45:12.500000000Z,,,
//
// Paths and names are quoted and written as the file system holds them, quotes doubled; a
// folder's time is its own, its size is left empty (its files and their bytes follow).
//
// JSON, the same catalogue (the entries one a line, in catalogue order):
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
#include "writers/data_writers.h"

#include "platform/output_file.h"
#include "writers/data_text.h"

#include <optional>

namespace dorvantile {
namespace {

// A folder's own name: the last part of its path, "/" for the root.
std::string_view folderName(std::string_view folder) {
    const std::size_t slash = folder.find_last_of('/');
    return folder.size() <= 1 || slash == std::string_view::npos ? folder
                                                                 : folder.substr(slash + 1);
}

// The reason given for an entry, if any: a folder that could not be read, or details that
// could not.
std::optional<std::string> errorOf(const CatalogueEntry& entry) {
    if (entry.unreadable)
        return entry.unreadable.message();
    if (entry.details && entry.details->error)
        return entry.details->error.message();
    return std::nullopt;
}

bool known(const CatalogueEntry& entry) {
    return entry.details && !entry.details->error;
}

// A file's path is its folder's, escaped once per folder, and its escaped name: escaping a
// path escapes each of its parts on its own, for "/" is never part of anything escaped.
class CsvRows final : public CatalogueEntries {
public:
    explicit CsvRows(OutputFile& out) : out_(out) {
        out_.write("kind,path,name,size,modified,files,bytes,error\r\n");
    }

    void entry(const CatalogueEntry& entry) override {
        const bool folder = entry.kind == EntryKind::Folder;
        line_.assign(kindName(entry.kind));
        line_.push_back(',');
        if (folder) {
            appendCsvQuoted(line_, entry.below);
            line_.push_back(',');
            appendCsvQuoted(line_, folderName(entry.folder));
            prefix_.clear(); // `"Old/`: how every path in this folder begins
            appendCsvQuoted(prefix_, entry.below);
            prefix_.pop_back();
            if (!entry.below.empty())
                prefix_.push_back('/');
        } else {
            name_.clear();
            appendCsvQuoted(name_, entry.name);
            line_.append(prefix_);
            line_.append(name_, 1);
            line_.push_back(',');
            line_.append(name_);
        }
        line_.push_back(',');
        if (!folder && known(entry))
            appendDecimal(line_, entry.details->details.size);
        line_.push_back(',');
        if (known(entry))
            appendIsoTime(line_, entry.details->details.modified);
        line_.push_back(',');
        if (folder && !entry.unreadable) {
            appendDecimal(line_, entry.files);
            line_.push_back(',');
            appendDecimal(line_, entry.bytes);
        } else {
            line_.push_back(',');
        }
        line_.push_back(',');
        if (const std::optional<std::string> error = errorOf(entry))
            appendCsvQuoted(line_, *error);
        line_.append("\r\n");
        out_.write(line_);
    }

private:
    OutputFile& out_;
    std::string line_;
    std::string prefix_; // the quote and the folder's escaped path, with its "/" if not empty
    std::string name_;   // a file's name, quoted
};
class JsonLines final : public CatalogueEntries {
public:
    JsonLines(OutputFile& out, const RunDescription& run) : out_(out) {
        line_.assign("{\"catalogue\":\"dorvantile\",\"version\":1,");
        appendJsonName(line_, "folder", run.folder);
        line_.append(",\"created\":\"");
        appendIsoTime(line_, run.started);
        line_.append("\",");
        appendJsonName(line_, "host", run.host);
        line_.append(",\"entries\":[\n");
        out_.write(line_);
        line_.clear();
    }

    void entry(const CatalogueEntry& entry) override {
        // The line before goes out with its comma: one is written only when another follows.
        if (!line_.empty()) {
            line_.append(",\n");
            out_.write(line_);
        }
        const bool folder = entry.kind == EntryKind::Folder;
        line_.assign("{\"kind\":\"");
        line_.append(kindName(entry.kind));
        line_.append("\",");
        if (folder) {
            appendJsonName(line_, "path", entry.below);
            prefix_.clear();
            prefixValid_ = appendJsonInside(prefix_, entry.below);
            if (!entry.below.empty())
                prefix_.push_back('/');
        } else {
            line_.append("\"path\":\"");
            line_.append(prefix_);
            if (!appendJsonInside(line_, entry.name) || !prefixValid_) {
                path_.assign(entry.below);
                if (!path_.empty())
                    path_.push_back('/');
                path_.append(entry.name);
                line_.append("\",\"path_base64\":\"");
                appendBase64(line_, path_);
            }
            line_.push_back('"');
        }
        if (!folder && known(entry)) {
            line_.append(",\"size\":");
            appendDecimal(line_, entry.details->details.size);
        }
        if (known(entry)) {
            line_.append(",\"modified\":\"");
            appendIsoTime(line_, entry.details->details.modified);
            line_.push_back('"');
        }
        if (folder && !entry.unreadable) {
            line_.append(",\"files\":");
            appendDecimal(line_, entry.files);
            line_.append(",\"bytes\":");
            appendDecimal(line_, entry.bytes);
        }
        if (const std::optional<std::string> error = errorOf(entry)) {
            ++errors_;
            line_.append(",\"error\":");
            appendJsonString(line_, *error);
        }
        line_.push_back('}');
    }

    void finish(const Progress& totals) {
        line_.append("\n],\"totals\":{\"folders\":" + std::to_string(totals.folders) +
                     ",\"files\":" + std::to_string(totals.files) +
                     ",\"bytes\":" + std::to_string(totals.bytes) +
                     ",\"errors\":" + std::to_string(errors_) + "}}\n");
        out_.write(line_);
    }

private:
    OutputFile& out_;
    std::string line_;        // the entry not yet written
    std::string prefix_;      // the folder's path escaped, with its "/" if not empty
    bool prefixValid_ = true; // and whether that path is UTF-8
    std::string path_;        // a path that is not UTF-8, as its bytes
    std::int64_t errors_ = 0;
};

} // namespace

Progress SaveToCsv(const CatalogueSource& source, OutputFiles& files, const std::string& path) {
    OutputFile out = OutputFile::open(files, path);
    CsvRows rows(out);
    const Progress totals = WalkEntries(source, rows);
    out.commit();
    return totals;
}

Progress SaveToJson(const CatalogueSource& source, OutputFiles& files, const std::string& path,
                    const RunDescription& run) {
    OutputFile out = OutputFile::open(files, path);
    JsonLines lines(out, run);
    const Progress totals = WalkEntries(source, lines);
    lines.finish(totals);
    out.commit();
    return totals;
}

} // namespace dorvantile
