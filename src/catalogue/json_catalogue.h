// The JSON catalogue: its writer and its reader side by side, sharing its keys and version.
#pragma once

#include "catalogue/entry.h"
#include "platform/input_files.h"
#include "platform/output_file.h"

#include <array>
#include <memory>
#include <string>

namespace dorvantile {

/// An entry's object in a JSON catalogue but for a file's digest, an error and its end: `{`,
/// its kind, path, size and time, a folder's counts. Written here alone, for the writer and
/// for the reader's `nextIfSame`.
class JsonEntryHead {
public:
    std::string& append(std::string& line, const CatalogueEntry& entry);
    /// The length of what `append` would write, where `text` begins with it; else 0.
    std::size_t match(std::string_view text, const CatalogueEntry& entry);

private:
    void folder(std::string_view below);

    std::string below_;                // the folder of the last file
    std::string prefix_;               // its path escaped, with its "/" if not empty
    bool prefixValid_ = true;          // and whether that path is UTF-8
    std::string path_;                 // a path that is not UTF-8, as its bytes
    std::array<std::string, 4> heads_; // of a file of each kind in that folder, to its name
    std::string whole_;                // what `match` compares, where written whole
};

/// Writes a catalogue as one JSON document (RFC 8259), one entry a line (see the sample at
/// the head of json_catalogue.cpp).
class JsonCatalogueWriter final : public CatalogueSink {
public:
    JsonCatalogueWriter(OutputFile& out, const RunDescription& run);
    void entry(const CatalogueEntry& entry) override;
    void finish(const Totals& totals) override;

private:
    OutputFile& out_;
    std::string line_; // the entry being made
    bool first_ = true;
    JsonEntryHead head_;
    std::int64_t errors_ = 0;
};

/// Reads a JSON catalogue as `JsonCatalogueWriter` writes it (version 1, readable for ever),
/// one entry a line, holding one line at a time. A catalogue of another version or a damaged
/// one fails, naming the line and what is wrong with it; the totals at its end must be those
/// of its entries.
class JsonCatalogueReader final : public EntryStream {
public:
    /// `name` is how messages name the file.
    JsonCatalogueReader(std::unique_ptr<ReadableFile> file, std::string name);
    ~JsonCatalogueReader() override;

    /// Reads the header before the first entry, once; false when it is not one (see
    /// `failure`). `next` reads it where it was not asked for before.
    bool start();
    bool next(CatalogueEntry& entry) override;
    /// True when the next line is `now`'s as this program writes it, with or without a
    /// digest: compared as text, not parsed.
    bool nextIfSame(const CatalogueEntry& now, std::string_view& sha256,
                    std::string_view& text) override;
    std::string failure() const override { return failure_; }
    Totals totals() const override { return totals_; }
    /// The run that made the catalogue, once its first entry was asked for.
    const RunDescription& run() const { return run_; }

    /// The longest line read: a path and its base64 take a few kilobytes.
    static constexpr std::size_t longestLine = 1 << 20;

private:
    class Members;
    /// The next line; false at the end, or with `error` set when the file could not be read
    /// or the line is longer than any of a catalogue.
    bool readLine(std::string& error);
    bool fail(const std::string& what);
    bool readHeader();
    bool readTotals();
    bool readEntry(CatalogueEntry& entry);

    static constexpr std::size_t readSize = 1 << 16;
    std::unique_ptr<ReadableFile> file_;
    std::unique_ptr<char[]> buffer_; // `readSize` bytes, once a read needs them
    std::size_t buffered_ = 0;       // of which the last read filled these
    std::size_t at_ = 0;
    bool ended_ = false; // the file has no more bytes
    std::string line_;
    std::size_t lineNumber_ = 0;
    std::unique_ptr<Members> members_; // of the line read last
    std::string name_;
    RunDescription run_;
    Totals totals_;
    std::int64_t errors_ = 0;
    bool started_ = false;
    bool moreEntries_ = true; // the last entry line ended in a comma
    bool finished_ = false;
    std::string failure_;
    std::string path_, error_; // of the entry given last
    std::string folder_;       // the full path of the folder of the entry given last
    std::string below_;        // and its path below the chosen folder
    JsonEntryHead head_;       // and the text of an entry as it would be written now
};

} // namespace dorvantile
