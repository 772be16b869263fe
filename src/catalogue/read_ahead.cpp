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
// Batches read ahead at most: few, for their memory is touched anew by each run. Once that
// many wait, the thread waits till two are taken: woken once for several batches, not for
// each, and with most of them still ahead of the reader, for a thread that has slept may be
// a while in getting a processor.
constexpr std::size_t batches = 8;
constexpr std::size_t refillAt = batches - 2;

} // namespace

ReadAhead::ReadAhead(std::unique_ptr<EntryStream> stream)
    : stream_(std::move(stream)), size_(firstBatchSize), thread_([this] { produce(); }) {}

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
        drained_.wait(lock, [this] { return cancelled_ || queue_.size() <= refillAt; });
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
    return true;
}

// Reads the stream's next entries into `batch`, as many as the next batch takes; false once
// the stream has ended.
bool ReadAhead::fill(Batch& batch) {
    batch.size = 0;
    batch.text.clear();
    CatalogueEntry entry;
    while (batch.size < size_) {
        try {
            if (!stream_->next(entry))
                break;
        } catch (const std::exception& error) {
            // Whatever ends the stream ends the reading, never the process.
            streamFailure_ = error.what();
            break;
        }
        if (batch.size == batch.entries.size())
            batch.entries.emplace_back();
        Batch::Held& held = batch.entries[batch.size];
        // The folder of the entry before, when it is this one's, is shared.
        const Batch::Held* before = batch.size > 0 ? &batch.entries[batch.size - 1] : nullptr;
        if (before &&
            std::string_view(batch.text).substr(before->folder, before->entry.folder.size()) ==
                entry.folder) {
            held.folder = before->folder;
        } else {
            held.folder = batch.text.size();
            batch.text.append(entry.folder);
        }
        held.entry = entry; // its views' lengths, not their texts
        held.entry.at = nullptr;
        held.rest = batch.text.size();
        batch.text.append(entry.name).append(entry.error).append(entry.sha256);
        ++batch.size;
    }
    ended_ = batch.size < size_;
    size_ = std::min(size_ * 2, batchSize);
    return !ended_;
}

// After the last batch is placed: what the stream ended with.
void ReadAhead::finish() {
    const std::lock_guard lock(mutex_);
    totals_ = stream_->totals();
    failure_ = streamFailure_.empty() ? stream_->failure() : streamFailure_;
    done_ = true;
    filled_.notify_one();
}

void ReadAhead::produce() {
    Batch batch;
    for (;;) {
        const std::lock_guard reading(streamMutex_);
        if (ended_)
            return; // read to its end by the reader
        const bool more = fill(batch);
        if (batch.size > 0 && !handOver(batch))
            return;
        if (!more)
            return finish();
    }
}

// The next batch: one the thread has read, or, when none is there and the thread is not
// reading (it may not yet have been given a processor), one read here; false at the end.
bool ReadAhead::refill() {
    if (std::unique_lock reading(streamMutex_, std::try_to_lock); reading && !ended_) {
        std::unique_lock lock(mutex_);
        const bool none = queue_.empty();
        lock.unlock();
        if (none) {
            const bool more = fill(reading_);
            position_ = 0;
            if (!more)
                finish();
            if (reading_.size > 0)
                return true;
        }
    }
    std::unique_lock lock(mutex_);
    filled_.wait(lock, [this] { return done_ || !queue_.empty(); });
    if (queue_.empty())
        return false;
    spare_.push_back(std::move(reading_));
    reading_ = std::move(queue_.front());
    queue_.pop_front();
    position_ = 0;
    if (waiting_ && queue_.size() <= refillAt)
        drained_.notify_one();
    return true;
}

bool ReadAhead::next(CatalogueEntry& entry) {
    if (position_ == reading_.size && !refill())
        return false;
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
    entry.jsonText = {}; // not kept: its view would outlive the source's line
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
