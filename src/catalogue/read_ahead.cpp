#include "catalogue/read_ahead.h"

#include <exception>

namespace dorvantile {
namespace {

// Entries go over in batches, so that the threads meet once per batch, not per entry.
constexpr std::size_t batchSize = 1024;
constexpr std::size_t batches = 4;

} // namespace

ReadAhead::ReadAhead(std::unique_ptr<EntryStream> stream)
    : stream_(std::move(stream)), thread_([this] { produce(); }) {}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

// Hands the first `used` entries of `batch` over, and takes a batch the reader is done with
// in its place: its texts keep their room, so that no entry costs an allocation.
bool ReadAhead::handOver(std::vector<Held>& batch, std::size_t used) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || queue_.size() < batches; });
    if (cancelled_)
        return false;
    batch.resize(used);
    queue_.push_back(std::move(batch));
    changed_.notify_all();
    batch.clear();
    if (!spare_.empty()) {
        batch = std::move(spare_.back());
        spare_.pop_back();
    }
    return true;
}

void ReadAhead::produce() {
    std::string failure;
    std::vector<Held> batch;
    std::size_t used = 0; // entries of the batch filled
    CatalogueEntry entry;
    for (bool more = true; more;) {
        try {
            more = stream_->next(entry);
        } catch (const std::exception& error) {
            // Whatever ends the stream ends this thread's work, never the process.
            failure = error.what();
            more = false;
        }
        if (more) {
            if (used == batch.size())
                batch.emplace_back();
            Held& held = batch[used++];
            held.entry = entry; // its views' lengths, not their texts
            held.text.assign(entry.folder).append(entry.name).append(entry.error);
            held.text.append(entry.sha256);
            held.entry.at = nullptr;
        }
        if (used == batchSize || (!more && used > 0)) {
            if (!handOver(batch, used))
                break;
            used = 0;
        }
    }
    if (failure.empty())
        failure = stream_->failure();
    const std::lock_guard lock(mutex_);
    totals_ = stream_->totals();
    failure_ = failure;
    done_ = true;
    changed_.notify_all();
}

bool ReadAhead::next(CatalogueEntry& entry) {
    if (position_ == reading_.size()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_ || !queue_.empty(); });
        if (queue_.empty())
            return false;
        spare_.push_back(std::move(reading_));
        reading_ = std::move(queue_.front());
        queue_.pop_front();
        position_ = 0;
        changed_.notify_all();
    }
    const Held& held = reading_[position_++];
    const std::string_view text = held.text;
    entry = held.entry;
    entry.folder = text.substr(0, held.entry.folder.size());
    entry.below = entry.folder.substr(entry.folder.size() - held.entry.below.size());
    entry.name = text.substr(entry.folder.size(), held.entry.name.size());
    entry.error = text.substr(entry.folder.size() + entry.name.size(), held.entry.error.size());
    entry.sha256 = text.substr(text.size() - held.entry.sha256.size());
    return true;
}

std::string ReadAhead::failure() const {
    const std::lock_guard lock(mutex_);
    return done_ && queue_.empty() && position_ == reading_.size() ? failure_ : std::string();
}

Totals ReadAhead::totals() const {
    const std::lock_guard lock(mutex_);
    return totals_;
}

} // namespace dorvantile
