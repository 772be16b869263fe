// Any stream of entries read on a thread of its own, a bounded number of entries ahead of
// its reader: a folder walked while the other side of a comparison is parsed. When nothing
// is ready and the thread is not reading (it may not yet have been given a processor), the
// reader reads the next entries itself rather than wait.
#pragma once

#include "catalogue/entry.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dorvantile {

class ReadAhead final : public EntryStream {
public:
    /// Starts reading `stream` at once. Its entries must not need their open folder (`at`
    /// is null here).
    explicit ReadAhead(std::unique_ptr<EntryStream> stream);
    /// Stops the reading thread, wherever it is.
    ~ReadAhead() override;

    bool next(CatalogueEntry& entry) override;
    std::string failure() const override;
    Totals totals() const override;

private:
    /// Entries with their own copies of their texts, all in one buffer, read in order: each
    /// entry's folder (shared with the entry before it when that is in the same folder), then
    /// its name, error and digest one after the other, in the lengths of its views.
    struct Batch {
        struct Held {
            CatalogueEntry entry;
            std::size_t folder = 0; // where its folder's path begins in `text`
            std::size_t rest = 0;   // and its name
        };
        std::vector<Held> entries;
        std::size_t size = 0; // of `entries`, filled
        std::string text;
    };
    bool fill(Batch& batch);
    void finish();
    void produce();
    bool handOver(Batch& batch);
    bool refill();

    std::unique_ptr<EntryStream> stream_;
    // Held by whichever side reads the stream: the thread, or the reader when nothing is ready.
    std::mutex streamMutex_;
    std::size_t size_;          // of the next batch read
    bool ended_ = false;        // the stream has given its last entry
    std::string streamFailure_; // what it threw, when it did
    mutable std::mutex mutex_;
    std::condition_variable filled_;  // a batch is there to read, or the stream has ended
    std::condition_variable drained_; // the reader has taken some of the batches, or is gone
    std::deque<Batch> queue_;         // batches of entries, each in order
    Batch reading_;                   // the batch being read
    std::vector<Batch> spare_;        // batches read, for the thread to fill again
    std::size_t position_ = 0;
    bool done_ = false;      // the last batch is placed
    bool cancelled_ = false; // the reader is gone
    bool waiting_ = false;   // the thread waits for room
    std::string failure_;
    Totals totals_;
    std::thread thread_;
};

} // namespace dorvantile
