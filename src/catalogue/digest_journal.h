// The journal of a run that takes digests: each file's digest kept as it is taken, so that a
// run cut short (Ctrl-C, a kill, a power cut) and started again reads only the files it had
// not read. One line per file, in catalogue order:
//
//   f 9f86d081...b0f00a08 4 1765110000 123456789 U3ViL3Rlc3QudHh0
//
// its kind ("f" a file, "l" a link to one), digest, size, time (seconds and nanoseconds) and
// path below the chosen folder in base64. Written out at least once a second; a last line cut
// off by the end of the run is left out when it is read back.
#pragma once

#include "catalogue/entry.h"
#include "platform/input_files.h"
#include "platform/output_files.h"

#include <chrono>
#include <memory>
#include <string>

namespace dorvantile {

/// The journal being written: each digest read is added to it, and written out at least once
/// a second and at the end. Its file, `stem` and the first `number` on from `first` that no
/// other run has taken, is made by the first digest added (a run that reads nothing, every
/// digest reused, has none to make and remove) and held by this run while it is open.
class DigestJournal {
public:
    DigestJournal(OutputFiles& files, std::string stem, int first);
    ~DigestJournal();
    DigestJournal(const DigestJournal&) = delete;
    DigestJournal& operator=(const DigestJournal&) = delete;

    /// A file's entry with the digest just read.
    void add(const CatalogueEntry& entry);
    void flush();
    /// The path of the file made; empty while none is.
    const std::string& made() const { return made_; }

private:
    void make();

    OutputFiles& files_;
    std::string stem_;
    int first_;
    bool opened_ = false;
    std::string made_;
    std::unique_ptr<WritableFile> file_; // null till made, and once it could not be written
    std::string pending_, path_;
    std::chrono::steady_clock::time_point written_ = std::chrono::steady_clock::now();
};

/// A journal read back as the files it names with their digests, in catalogue order.
class JournalReader final : public EntryStream {
public:
    explicit JournalReader(std::unique_ptr<ReadableFile> file);

    bool next(CatalogueEntry& entry) override;
    Totals totals() const override { return totals_; }

private:
    std::unique_ptr<ReadableFile> file_;
    std::string buffer_;
    std::size_t at_ = 0;
    bool ended_ = false;
    std::string line_, path_, sha256_;
    Totals totals_;
};

/// The stream of `first` and `second` together in catalogue order; where both have an entry
/// of the same path, `first`'s alone.
class PreferredStream final : public EntryStream {
public:
    PreferredStream(std::unique_ptr<EntryStream> first, std::unique_ptr<EntryStream> second);
    bool next(CatalogueEntry& entry) override;
    std::string failure() const override;
    Totals totals() const override { return {}; }

private:
    struct Side {
        std::unique_ptr<EntryStream> stream;
        CatalogueEntry entry;
        std::string path;
        bool valid = false, started = false;
    };
    void advance(Side& side);
    Side first_, second_;
    bool started_ = false;
    bool firstGiven_ = false, secondGiven_ = false; // whose entry was handed on last
};

} // namespace dorvantile
