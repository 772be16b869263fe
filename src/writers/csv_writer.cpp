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
// folder's time is its own, its size is left empty (its files and their bytes follow). Made
// spreadsheet-safe, a path, name or error that begins with "=", "+", "-", "@", a tab or a CR
// gets a "'" before it.
#include "catalogue/codecs.h"
#include "writers/writers.h"

namespace dorvantile {
namespace {

// A folder's own name: the last part of its path, "/" for the root.
std::string_view folderName(std::string_view folder) {
    const std::size_t slash = folder.find_last_of('/');
    return folder.size() <= 1 || slash == std::string_view::npos ? folder
                                                                 : folder.substr(slash + 1);
}

// A file's path is its folder's, escaped once per folder, and its escaped name: escaping a
// path escapes each of its parts on its own, for "/" is never part of anything escaped.
class CsvCatalogue final : public CatalogueSink {
public:
    CsvCatalogue(OutputFile& out, bool checksums, bool safe)
        : out_(out), checksums_(checksums), safe_(safe) {
        out_.write(checksums ? "kind,path,name,size,modified,files,bytes,error,sha256\r\n"
                             : "kind,path,name,size,modified,files,bytes,error\r\n");
    }

    void finish(const Totals&) override {}

    void entry(const CatalogueEntry& entry) override {
        const bool folder = entry.kind == EntryKind::Folder;
        line_.assign(kindName(entry.kind));
        line_.push_back(',');
        if (safe_) {
            // Each cell on its own: the path's beginning is the cell's.
            path_.clear();
            appendCsvQuoted(line_, appendPathBelow(path_, entry), true);
            line_.push_back(',');
            appendCsvQuoted(line_, folder ? folderName(entry.folder) : entry.name, true);
        } else if (folder) {
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
        if (!folder && entry.known)
            appendDecimal(line_, entry.size);
        line_.push_back(',');
        if (entry.known)
            appendIsoTime(line_, entry.modified);
        line_.push_back(',');
        if (folder && !entry.unreadable) {
            appendDecimal(line_, entry.files);
            line_.push_back(',');
            appendDecimal(line_, entry.bytes);
        } else {
            line_.push_back(',');
        }
        line_.push_back(',');
        if (!entry.error.empty())
            appendCsvQuoted(line_, entry.error, safe_);
        if (checksums_)
            line_.append(",").append(entry.sha256);
        line_.append("\r\n");
        out_.write(line_);
    }

private:
    OutputFile& out_;
    bool checksums_;
    bool safe_;
    std::string line_;
    std::string path_;   // a path put together, spreadsheet-safe
    std::string prefix_; // the quote and the folder's escaped path, with its "/" if not empty
    std::string name_;   // a file's name, quoted
};

} // namespace

Writer csvCatalogue(const WriterTarget& target) {
    return std::make_unique<CsvCatalogue>(*target.file, target.run->checksums,
                                          target.spreadsheetSafe);
}

} // namespace dorvantile
