#include "catalogue/read_ahead.h"

#include <algorithm>
#include <exception>

namespace dorvantile {
namespace {

// Entries go over in batches, so that the threads meet once per batch, not per entry. The
// first batches are small, so that the reader is not kept waiting at the start while a
// whole batch is read.
constexpr std::size_t firstBatchSize = 16;
constexpr std::size_t batchSize = 256;
// Batches read ahead at most. Once that many wait, the thread waits till half of them are
// taken: the reader wakes it once for several batches, not for each.
constexpr std::size_t batches = 8;

} // namespace

ReadAhead::ReadAhead(std::unique_ptr<EntryStream> stream)
    : stream_(std::move(stream)), thread_([this] { produce(); }) {}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    drained_.notify_all();
    thread_.join();
}

// Hands `batch` over, and takes a batch the reader is done with in its place: its buffers
// keep their room, so that no entry costs an allocation.
bool ReadAhead::handOver(Batch& batch) {
    std::unique_lock lock(mutex_);
    if (queue_.size() == batches) {
        waiting_ = true;
        drained_.wait(lock, [this] { return cancelled_ || queue_.size() <= batches / 2; });
        waiting_ = false;
    }
    if (cancelled_)
        return false;
    queue_.push_back(std::move(batch));
    filled_.notify_one();
    batch = Batch();
    if (!spare_.empty()) {
        batch = std::move(spare_.back());
        spare_.pop_back();
    }
    batch.size = 0;
    batch.text.clear();
    return true;
}

void ReadAhead::produce() {
    std::string failure;
    Batch batch;
    std::size_t size = firstBatchSize;
    CatalogueEntry entry;
    std::string_view folder; // the folder of the batch's entry before, in its text
    for (bool more = true; more;) {
        try {
            more = stream_->next(entry);
        } catch (const std::exception& error) {
            // Whatever ends the stream ends this thread's work, never the process.
            failure = error.what();
            more = false;
        }
        if (more) {
            if (batch.size == batch.entries.size())
                batch.entries.emplace_back();
            Batch::Held& held = batch.entries[batch.size];
            held.entry = entry; // its views' lengths, not their texts
            held.entry.at = nullptr;
            if (batch.size == 0 || folder != entry.folder) {
                held.folder = batch.text.size();
                batch.text.append(entry.folder);
            } else {
                held.folder = batch.entries[batch.size - 1].folder;
            }
            held.rest = batch.text.size();
            batch.text.append(entry.name).append(entry.error).append(entry.sha256);
            folder = std::string_view(batch.text).substr(held.folder, entry.folder.size());
            ++batch.size;
        }
        if (batch.size == size || (!more && batch.size > 0)) {
            if (!handOver(batch))
                break;
            size = std::min(size * 2, batchSize);
        }
    }
    if (failure.empty())
        failure = stream_->failure();
    const std::lock_guard lock(mutex_);
    totals_ = stream_->totals();
    failure_ = failure;
    done_ = true;
    filled_.notify_one();
}

bool ReadAhead::next(CatalogueEntry& entry) {
    if (position_ == reading_.size) {
        std::unique_lock lock(mutex_);
        filled_.wait(lock, [this] { return done_ || !queue_.empty(); });
        if (queue_.empty())
            return false;
        spare_.push_back(std::move(reading_));
        reading_ = std::move(queue_.front());
        queue_.pop_front();
        position_ = 0;
        if (waiting_ && queue_.size() <= batches / 2)
            drained_.notify_one();
    }
    const Batch::Held& held = reading_.entries[position_++];
    const std::string_view text = reading_.text;
    entry = held.entry;
    entry.folder = text.substr(held.folder, held.entry.folder.size());
    entry.below = entry.folder.substr(entry.folder.size() - held.entry.below.size());
    std::size_t at = held.rest;
    entry.name = text.substr(at, held.entry.name.size());
    at += entry.name.size();
    entry.error = text.substr(at, held.entry.error.size());
    entry.sha256 = text.substr(at + entry.error.size(), held.entry.sha256.size());
    return true;
}

std::string ReadAhead::failure() const {
    const std::lock_guard lock(mutex_);
    return done_ && queue_.empty() && position_ == reading_.size ? failure_ : std::string();
}

Totals ReadAhead::totals() const {
    const std::lock_guard lock(mutex_);
    return totals_;
}

} // namespace dorvantile
