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

bool ReadAhead::handOver(std::vector<Held>& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || queue_.size() < batches; });
    if (cancelled_)
        return false;
    queue_.push_back(std::move(batch));
    changed_.notify_all();
    batch.clear();
    return true;
}

void ReadAhead::produce() {
    std::string failure;
    std::vector<Held> batch;
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
            Held& held = batch.emplace_back();
            held.entry = entry;
            held.folder.assign(entry.folder);
            held.name.assign(entry.name);
            held.error.assign(entry.error);
            held.entry.at = nullptr;
        }
        if ((batch.size() == batchSize || (!more && !batch.empty())) && !handOver(batch))
            break;
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
        reading_ = std::move(queue_.front());
        queue_.pop_front();
        position_ = 0;
        changed_.notify_all();
    }
    Held& held = reading_[position_++];
    entry = held.entry;
    entry.folder = held.folder;
    entry.name = held.name;
    entry.error = held.error;
    const std::size_t below = held.entry.below.size();
    entry.below = std::string_view(held.folder).substr(held.folder.size() - below);
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
