// The entries of a catalogue one at a time, in catalogue order, from a JSON catalogue of this
// program or from a folder read as the comparison goes.
#pragma once

#include "platform/file_system.h"
#include "platform/input_files.h"
#include "writers/catalogue_walk.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dorvantile {

/// One entry as a comparison sees it.
struct ComparedEntry {
    EntryKind kind = EntryKind::Folder;
    std::string path;   ///< below the chosen folder, exactly as the file system holds it
    bool known = false; ///< whether `size` (of a file) and `modified` are known
    std::uint64_t size = 0;
    FileTime modified;
    std::string error; ///< why the entry, or a folder's files, could not be read
};

class EntryStream {
public:
    EntryStream() = default;
    EntryStream(const EntryStream&) = delete;
    EntryStream& operator=(const EntryStream&) = delete;
    virtual ~EntryStream() = default;

    /// The next entry; false at the end, and when the stream failed (`failure` says why).
    virtual bool next(ComparedEntry& entry) = 0;
    /// What went wrong, naming the catalogue and its line; empty while nothing did.
    virtual std::string failure() const = 0;
};

/// Reads a JSON catalogue as `SaveToJson` writes it, one entry a line. A catalogue of
/// another version or a damaged one fails, naming the line.
class JsonCatalogueReader final : public EntryStream {
public:
    /// `name` is how messages name the file.
    JsonCatalogueReader(std::unique_ptr<ReadableFile> file, std::string name);

    bool next(ComparedEntry& entry) override;
    std::string failure() const override { return failure_; }

private:
    bool readLine();
    bool fail(const std::string& what);
    bool readHeader();

    std::unique_ptr<ReadableFile> file_;
    std::string name_;
    std::string buffer_;
    std::size_t at_ = 0;
    bool ended_ = false; // the file has no more bytes
    std::string line_;
    std::size_t lineNumber_ = 0;
    bool started_ = false;
    bool moreEntries_ = true; // the last entry line ended in a comma
    bool finished_ = false;
    std::string failure_;
};

/// Reads a folder now, in one pass with `listing` (which must read details), on a thread of
/// its own that stays a bounded number of entries ahead.
class WalkedFolder final : public EntryStream {
public:
    WalkedFolder(FileSystem& fileSystem, std::string folder, ListingOptions listing);
    ~WalkedFolder() override;

    bool next(ComparedEntry& entry) override;
    std::string failure() const override { return {}; }

private:
    class Producer;
    void produce();

    FileSystem& fileSystem_;
    std::string folder_;
    ListingOptions listing_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<ComparedEntry>> queue_; // batches of entries, each in order
    std::vector<ComparedEntry> reading_;           // the batch being read
    std::size_t position_ = 0;
    bool done_ = false;      // the walk has given its last entry
    bool cancelled_ = false; // the reader is gone
    std::thread thread_;
};

} // namespace dorvantile
