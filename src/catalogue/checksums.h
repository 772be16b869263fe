// Each file's content read and its SHA-256 taken on several threads while the walk goes on,
// the entries handed on in catalogue order with their digests.
#pragma once

#include "catalogue/digest_journal.h"
#include "catalogue/entry.h"
#include "catalogue/walk_feedback.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dorvantile {

/// The entries of `source` (a walk, whose entries carry their open folder), each listed file
/// with its SHA-256: read on `jobs` threads, a bounded number of entries ahead of the reader,
/// so that memory stays small whatever the tree. A file whose content cannot be read, or
/// changes while it is read, has no digest but an error, told to `feedback`. With `reused`
/// (an earlier catalogue of the same folder), a file whose path, size and time to the
/// nanosecond are those of a file there takes that file's digest unread.
class DigestedStream final : public EntryStream {
public:
    DigestedStream(std::unique_ptr<EntryStream> source, unsigned jobs, WalkFeedback& feedback,
                   std::unique_ptr<EntryStream> reused = nullptr,
                   std::unique_ptr<DigestJournal> journal = nullptr);
    /// Stops the threads once the file each is reading is done.
    ~DigestedStream() override;

    bool next(CatalogueEntry& entry) override;
    std::string failure() const override {
        if (!unusable_.empty())
            return unusable_;
        return reused_ && !reused_->failure().empty() ? reused_->failure() : source_->failure();
    }
    Totals totals() const override { return source_->totals(); }

private:
    /// An entry with its own copies of its texts, and its digest once taken.
    struct Pending {
        CatalogueEntry entry;
        std::string folder, name, error, sha256;
        std::size_t below = 0;          // where `below` begins in `folder`
        std::shared_ptr<OpenFolder> at; // while its file is to be read
        std::error_code unread;         // why its content could not be read
        bool done = true;               // no digest is still to come
        bool read = false;              // its content is read, not reused
    };
    bool fill();
    void hold(const CatalogueEntry& entry, std::vector<Pending*>& queued);
    bool handOver(const std::vector<Pending*>& queued);
    void reuse(CatalogueEntry& now);
    bool startThreads();
    void work();
    void digest(Pending& file);
    void awaitDone();

    std::unique_ptr<EntryStream> source_;
    WalkFeedback& feedback_;
    std::size_t window_;           // the entries held ahead of the reader at most
    std::vector<Pending> pending_; // a ring of `window_` slots: the entries held ahead
    std::size_t first_ = 0;        // the slot of the first of them
    std::size_t heldCount_ = 0;    // the entries held ahead, from `first_` on
    std::size_t doneAhead_ = 0;    // of them, those known done, from `first_` on
    Pending current_;              // the entry last handed on, whose views are valid till the next
    std::string lastFolder_;       // the path of the folder of the last file
    std::shared_ptr<OpenFolder> held_; // a hold on it, shared by its files' reads
    bool ended_ = false;
    std::int64_t readFiles_ = 0; // files read for their digests, and their bytes
    ByteCount readBytes_ = 0;
    std::unique_ptr<EntryStream> reused_;
    unsigned jobs_;                          // threads to read on
    std::unique_ptr<DigestJournal> journal_; // of the digests read, when one is kept
    std::string unusable_;                   // why no digest can be taken, when none can
    CatalogueEntry old_;    // the reused catalogue's entry that the merge has reached
    std::string oldPath_;   // its path below the chosen folder, once asked for
    bool oldValid_ = false; // whether there is one
    bool oldHeld_ = false;  // it is held, not matched yet
    bool drained_ = false;  // read to its end once the walk ended
    std::string path_;

    // The entries held ahead while none of them is to be read, at most: a tree whose digests
    // are all reused is gone through without the memory of a whole window.
    static constexpr std::size_t idleLead = 64;
    std::size_t toRead_ = 0; // files among the entries held, to be read or being read
    // The folders among the entries held ahead, at most: each may hold one open.
    static constexpr std::size_t foldersAhead = 256;
    std::size_t folders_ = 0; // folders among the entries held
    // The files a thread takes at once, at most, by their bytes; and the entries the reader
    // waits for when it waits, at most, by their number and their bytes.
    static constexpr ByteCount chunkBytes = 1 << 20;
    static constexpr std::size_t wakeRun = 64;
    static constexpr ByteCount wakeBytes = 8 << 20;

    std::mutex mutex_;
    std::condition_variable work_;       // files have come for idle threads
    std::condition_variable ready_;      // the entry awaited by the reader is done
    Pending* awaited_ = nullptr;         // the entry the reader waits for, while it does
    unsigned idle_ = 0;                  // threads waiting for files
    std::deque<Pending*> queue_;         // files waiting for a thread
    std::atomic<bool> abandoned_{false}; // the reader is gone: files half read are left
    std::vector<std::thread> threads_;
};

/// The lower-case hex digits of `bytes`' SHA-256 (libcrypto's), for what a test compares.
std::string sha256Hex(std::string_view bytes);

} // namespace dorvantile
