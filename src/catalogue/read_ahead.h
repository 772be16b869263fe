// Any stream of entries read on a thread of its own, a bounded number of entries ahead of
// its reader: a folder walked while the other side of a comparison is parsed.
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
    /// An entry with its own copy of its texts: its folder, name, error and digest one after
    /// the other, in the lengths of its views.
    struct Held {
        CatalogueEntry entry;
        std::string text;
    };
    void produce();
    bool handOver(std::vector<Held>& batch, std::size_t used);

    std::unique_ptr<EntryStream> stream_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<Held>> queue_;  // batches of entries, each in order
    std::vector<Held> reading_;            // the batch being read
    std::vector<std::vector<Held>> spare_; // batches read, for the thread to fill again
    std::size_t position_ = 0;
    bool done_ = false;      // the stream has given its last entry
    bool cancelled_ = false; // the reader is gone
    std::string failure_;
    Totals totals_;
    std::thread thread_;
};

} // namespace dorvantile
