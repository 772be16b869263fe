#include "catalogue/checksums.h"

#include "platform/digest_library.h"
#include "platform/paths.h"

#include <algorithm>

namespace dorvantile {
namespace {

/// Thrown through a file's read when the stream is dropped: a large file is not read to its
/// end for nothing.
struct Abandoned {};

/// A SHA-256 being taken, fed a piece at a time; `stop`, when set, abandons it.
class Sha256 final : public ContentSink {
public:
    explicit Sha256(const std::atomic<bool>* stop = nullptr) : stop_(stop) {
        std::string reason;
        evp_ = digestFunctions(reason);
        if (!evp_)
            throw std::runtime_error(reason);
        // One context a thread, begun anew for each file (a thread takes one digest at a
        // time): no allocation per small file.
        thread_local const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(
            evp_->newContext(), evp_->freeContext);
        context_ = context.get();
        if (!context_ || evp_->init(context_, evp_->sha256(), nullptr) != 1)
            throw std::bad_alloc();
    }
    void take(std::string_view piece) override {
        if (stop_ && stop_->load(std::memory_order_relaxed))
            throw Abandoned();
        evp_->update(context_, piece.data(), piece.size());
    }
    std::string hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        evp_->finish(context_, digest, &length);
        static const char digits[] = "0123456789abcdef";
        std::string text;
        for (unsigned int i = 0; i < length; ++i)
            text.append({digits[digest[i] >> 4], digits[digest[i] & 15]});
        return text;
    }

private:
    const DigestFunctions* evp_;
    EVP_MD_CTX* context_;
    const std::atomic<bool>* stop_;
};

} // namespace

std::string sha256Hex(std::string_view bytes) {
    Sha256 digest;
    digest.take(bytes);
    return digest.hex();
}

DigestedStream::DigestedStream(std::unique_ptr<EntryStream> source, unsigned jobs,
                               WalkFeedback& feedback, std::unique_ptr<EntryStream> reused,
                               std::unique_ptr<DigestJournal> journal)
    : source_(std::move(source)), feedback_(feedback), window_(4096 + 256 * std::size_t{jobs}),
      reused_(std::move(reused)), jobs_(std::max(jobs, 1u)), journal_(std::move(journal)) {}

// At the first file to read: libcrypto is loaded and the threads started only then, so that a
// run that reads nothing (every digest reused) maps no libcrypto. Without it no digest can be
// taken: the stream fails there.
bool DigestedStream::startThreads() {
    std::string reason;
    if (!digestFunctions(reason)) {
        unusable_ = "cannot take digests: " + reason;
        return false;
    }
    for (unsigned i = 0; i < jobs_; ++i)
        threads_.emplace_back([this] { work(); });
    return true;
}

DigestedStream::~DigestedStream() {
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

// A thread takes a few small files at a time, up to `chunkBytes` in all, and tells them done
// together: a lock and a wake for each file of 4 KiB would cost more than reading it.
void DigestedStream::work() {
    std::vector<Pending*> taken;
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        work_.wait(lock, [this] { return abandoned_ || !queue_.empty(); });
        --idle_;
        if (abandoned_)
            return;
        taken.clear();
        ByteCount bytes = 0;
        // Leaves files for the other threads, so that none waits while one holds a long run.
        const std::size_t most = std::clamp<std::size_t>(queue_.size() / (2 * jobs_), 1, 32);
        // A large file goes alone: the small ones before it are not held back till it is read.
        while (!queue_.empty() && taken.size() < most &&
               (taken.empty() || bytes + queue_.front()->entry.size <= chunkBytes)) {
            bytes += queue_.front()->entry.size;
            taken.push_back(queue_.front());
            queue_.pop_front();
        }
        lock.unlock();
        for (Pending* file : taken)
            digest(*file);
        lock.lock();
        for (Pending* file : taken) {
            file->at.reset(); // the folder's last reader closes it
            file->done = true;
            if (file == awaited_)
                ready_.notify_one();
        }
    }
}

void DigestedStream::digest(Pending& file) {
    try {
        Sha256 digest(&abandoned_);
        file.unread = file.at->readContent(file.name, file.entry.kind == EntryKind::Link,
                                           {file.entry.size, file.entry.modified}, digest);
        if (!file.unread)
            file.sha256 = digest.hex();
    } catch (const Abandoned&) {
        file.unread = std::make_error_code(std::errc::operation_canceled);
    } catch (const std::bad_alloc&) {
        file.unread = std::make_error_code(std::errc::not_enough_memory);
    } catch (const std::runtime_error&) { // no libcrypto: the stream has failed already
        file.unread = std::make_error_code(std::errc::not_supported);
    }
}

namespace {

/// Whether an entry's content is read for its digest: a file, or a link that leads to one,
/// whose details were read, with its folder open.
bool toBeRead(const CatalogueEntry& entry) {
    return entry.kind != EntryKind::Folder && entry.kind != EntryKind::Dangling && entry.known &&
           entry.at != nullptr;
}

} // namespace

// Takes entries from the source until the window is full. The window is filled again only
// once half of it has gone, so that the threads are woken once for many files rather than
// once for each; at most `foldersAhead` folders are held in it, each a descriptor open.
bool DigestedStream::fill() {
    if (heldCount_ >= window_ / 2 || folders_ >= foldersAhead / 2 ||
        (toRead_ == 0 && heldCount_ > 0))
        return true;
    CatalogueEntry entry;
    std::vector<Pending*> queued; // files for the threads, handed over together
    while (!ended_ && heldCount_ < window_ && folders_ < foldersAhead &&
           (toRead_ > 0 || heldCount_ < idleLead)) {
        if (!source_->next(entry)) {
            ended_ = true;
            break;
        }
        reuse(entry);
        hold(entry, queued);
    }
    return handOver(queued) && heldCount_ > 0;
}

// Copies an entry into the next slot of the ring, each slot keeping its texts' room for the
// next entry it takes; a file to be read (without a digest reused) is added to `queued`.
void DigestedStream::hold(const CatalogueEntry& entry, std::vector<Pending*>& queued) {
    if (heldCount_ == 0) // round again from the first slot: a ring only as large as needed
        first_ = 0;
    const std::size_t slot = (first_ + heldCount_++) % window_;
    // The slots made as the first round needs them, never moved: their room made by the first
    // (a run whose digests are all reused holds none).
    if (slot == pending_.size()) {
        if (pending_.empty())
            pending_.reserve(window_);
        pending_.emplace_back();
    }
    Pending& held = pending_[slot];
    folders_ += entry.kind == EntryKind::Folder ? 1 : 0;
    held.entry = entry;
    held.entry.jsonText = {}; // a view of the reused catalogue's line, gone when it is handed on
    held.sha256.assign(entry.sha256);
    if (held.unread) // clearing asks the library for its category: only where one is set
        held.unread.clear();
    held.at.reset();
    held.done = true;
    held.read = false;
    held.folder.assign(entry.folder);
    held.below = entry.folder.size() - entry.below.size();
    held.name.assign(entry.name);
    held.error.assign(entry.error);
    if (!entry.sha256.empty() || !toBeRead(entry))
        return;
    // A hold on the folder of its own, for the walk moves on. Known by its path: the next
    // folder may be opened where the last one was in memory.
    if (entry.folder != lastFolder_) {
        std::unique_ptr<OpenFolder> copy;
        lastFolder_.assign(entry.folder);
        held_.reset();
        if (std::error_code error = entry.at->duplicate(copy))
            held.unread = error;
        else
            held_ = std::move(copy);
    }
    if (held_) {
        held.at = held_;
        held.done = false;
        held.read = true;
        ++toRead_;
        queued.push_back(&held);
    }
}

// The threads touch only the entries they are given, and `done` under the lock.
bool DigestedStream::handOver(const std::vector<Pending*>& queued) {
    if (queued.empty())
        return true;
    if (threads_.empty() && !startThreads())
        return false;
    const std::lock_guard lock(mutex_);
    queue_.insert(queue_.end(), queued.begin(), queued.end());
    if (idle_ > 0)
        work_.notify_all();
    return true;
}

// Moves the reused catalogue on to the entry's path (both are in catalogue order) and gives
// the entry the digest there when the file is the same by path, size and time, else none;
// and its line's text where the catalogue has it. The views last till the reused catalogue
// moves on.
void DigestedStream::reuse(CatalogueEntry& now) {
    // Each cleared by itself: copied from the other, the pair would be read back from two
    // stores before they land, a stall on every entry.
    now.sha256 = {};
    now.jsonText = {};
    if (!reused_)
        return;
    const auto advance = [this] {
        oldValid_ = reused_->next(old_);
        oldPath_.clear(); // put together only when the order is asked
    };
    // Mostly the older catalogue's next entry is this one, unchanged: the catalogue tells so
    // itself, without handing it on.
    if (!oldHeld_) {
        if (reused_->nextIfSame(now, now.sha256, now.jsonText))
            return;
        advance();
        oldHeld_ = true;
    }
    // Else the same folder and name tell that it is this one without putting the paths
    // together.
    const bool folder = now.kind == EntryKind::Folder;
    if (!oldValid_ || old_.name != now.name || old_.below != now.below ||
        (old_.kind == EntryKind::Folder) != folder) {
        path_.clear();
        appendPathBelow(path_, now);
        const auto order = [&] {
            if (oldPath_.empty())
                appendPathBelow(oldPath_, old_);
            return compareCatalogueOrder(old_.kind, oldPath_, now.kind, path_);
        };
        while (oldValid_ && order() < 0)
            advance();
        if (!oldValid_ || order() != 0)
            return;
    }
    oldHeld_ = false; // the entry matched cannot match another
    if (!folder && now.known && old_.known && old_.size == now.size &&
        old_.modified == now.modified)
        now.sha256 = old_.sha256;
}

// Waits till the first entry held is done, and counts those done from it on. Where the
// threads are behind, it waits for a run of files rather than for one: each wake of the
// reader takes a processor from them. A run of large files is short, so that the progress
// told as each file is handed on keeps moving.
void DigestedStream::awaitDone() {
    // The sizes are the walk's, never written by the threads. The run ends before the file
    // that would take it past `wakeBytes`.
    std::size_t run = 1;
    for (ByteCount bytes = pending_[first_].entry.size; run < std::min(heldCount_, wakeRun);
         ++run) {
        if ((bytes += pending_[(first_ + run) % window_].entry.size) > wakeBytes)
            break;
    }
    std::unique_lock lock(mutex_);
    for (std::size_t ahead = run; doneAhead_ == 0; ahead = 1) {
        awaited_ = &pending_[(first_ + ahead - 1) % window_];
        // The digests handed on before a long file are written out while it is read: a run
        // cut short then loses at most a second of them.
        while (!ready_.wait_for(lock, std::chrono::seconds(1), [this] { return awaited_->done; })) {
            if (journal_) {
                lock.unlock();
                journal_->flush();
                lock.lock();
            }
        }
        while (doneAhead_ < heldCount_ && pending_[(first_ + doneAhead_) % window_].done)
            ++doneAhead_;
    }
    awaited_ = nullptr;
}

bool DigestedStream::next(CatalogueEntry& entry) {
    // With nothing held ahead, an entry that is not to be read (a folder, a digest reused)
    // is handed on as it comes: no copy, no lock. The first to be read starts the window.
    if (heldCount_ == 0 && !ended_ && unusable_.empty()) {
        if (!source_->next(entry)) {
            ended_ = true;
        } else {
            reuse(entry);
            if (!entry.sha256.empty() || !toBeRead(entry)) {
                entry.at = nullptr;
                return true;
            }
            std::vector<Pending*> queued;
            hold(entry, queued);
            handOver(queued); // without libcrypto the stream fails below
        }
    }
    if (!unusable_.empty() || !fill()) {
        if (journal_)
            journal_->flush();
        // The reused catalogue read to its end: what follows the last entry matched and its
        // totals, which a damaged one fails.
        if (ended_ && reused_ && !drained_) {
            drained_ = true;
            for (CatalogueEntry rest; reused_->next(rest);) {
            }
        }
        return false;
    }
    if (doneAhead_ == 0)
        awaitDone();
    // Done: no thread touches it any more.
    std::swap(current_, pending_[first_]);
    first_ = (first_ + 1) % window_;
    --heldCount_;
    --doneAhead_;
    folders_ -= current_.entry.kind == EntryKind::Folder ? 1 : 0;
    Pending& file = current_;
    entry = file.entry;
    entry.folder = file.folder;
    entry.below = std::string_view(file.folder).substr(file.below);
    entry.name = file.name;
    entry.at = nullptr;
    if (file.unread) {
        file.error = file.unread.message();
        feedback_.cannotRead(withSeparator(file.folder).append(file.name), file.unread);
    }
    entry.error = file.error;
    entry.sha256 = file.sha256;
    if (file.read) {
        --toRead_;
        // Only a digest read goes to the journal: one reused comes again from where it came.
        if (journal_ && !file.sha256.empty())
            journal_->add(entry);
        readBytes_ += file.entry.size;
        feedback_.read(++readFiles_, readBytes_);
    }
    return true;
}

} // namespace dorvantile
