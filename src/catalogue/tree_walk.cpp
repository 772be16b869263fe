#include "catalogue/tree_walk.h"

#include "platform/attributes.h"
#include "platform/paths.h"

namespace dorvantile {

/// One folder on the way down.
struct TreeWalk::Level {
    struct Known {
        EntryDetails details;
        std::error_code error;
        bool gone = false; // vanished since it was read
    };
    /// What the folder held when it was read, and how far the walk is in it.
    struct Read {
        std::error_code unreadable; // why its entries could not be read
        Known own;
        std::int64_t files = 0;
        ByteCount bytes = 0;
        std::size_t pathLength = 0;
        std::size_t cursor = 0;    // the next entry to look at
        bool inFiles = true;       // handing on its files, else walking its sub-folders
        std::size_t descended = 0; // the sub-folder being walked
    };

    std::unique_ptr<OpenFolder> folder; // null when unreadable, or closed to spare descriptors
    DirectoryEntries entries;
    std::vector<Known> known; // each entry's details, when the listing reads them
    Read read;
};

std::string chosenFolderError(const std::string& folder, std::error_code error) {
    return error == std::errc::not_a_directory ? folder + ": not a folder"
                                               : "cannot read " + folder + ": " + error.message();
}

TreeWalk::TreeWalk(FileSystem& fileSystem, std::string folder, ListingOptions listing,
                   WalkFeedback& feedback)
    : fileSystem_(fileSystem), path_(std::move(folder)), below_(belowStart(path_)),
      listing_(std::move(listing)), feedback_(feedback), heartbeat_(feedback) {}

TreeWalk::~TreeWalk() = default;

std::error_code TreeWalk::start() {
    if (!started_) {
        started_ = true;
        levels_.push_back(std::make_unique<Level>());
        depth_ = 1;
        readLevel(0, fileSystem_.openFolder(path_, levels_[0]->folder));
        folderDue_ = true;
    }
    return levels_[0]->read.unreadable;
}

void TreeWalk::readLevel(std::size_t depth, std::error_code unreadable) {
    Level& level = *levels_[depth];
    level.read = {unreadable, {}, 0, 0, path_.size()};
    level.known.clear();
    open_ += level.folder ? 1 : 0;
    if (!unreadable)
        level.read.unreadable = unreadable = level.entries.read(*level.folder, listing_);
    if (unreadable) {
        level.entries.clear();
        if (depth > 0) // the chosen folder's is the caller's to tell
            feedback_.cannotRead(path_, unreadable);
    }
    totals_.folders += depth > 0 ? 1 : 0;
    const DirectoryEntries& entries = level.entries;
    if (listing_.details && !unreadable) {
        if ((level.read.own.error = level.folder->details(level.read.own.details)))
            feedback_.cannotRead(path_, level.read.own.error);
        level.known.resize(entries.size());
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned attributes = entries.attributes(i);
        if (!isListedFile(attributes))
            continue;
        if (listing_.details) {
            Level::Known& known = level.known[i];
            known.error = level.folder->entryDetails(entries.name(i), attributes, known.details);
            if ((known.gone = known.error == std::errc::no_such_file_or_directory))
                continue; // as if it had never been there
            level.read.bytes += known.error ? 0 : known.details.size;
        }
        ++level.read.files;
    }
    totals_.bytes += level.read.bytes;
    heartbeat_.step(totals_);
}

// What every entry of the folder being walked shares.
void TreeWalk::place(CatalogueEntry& entry, EntryKind kind) const {
    entry = {};
    entry.kind = kind;
    entry.folder = path_;
    entry.below = path_.size() > below_ ? entry.folder.substr(below_) : std::string_view();
    entry.at = levels_[depth_ - 1]->folder.get();
}

void TreeWalk::folderEntry(CatalogueEntry& entry) {
    const Level::Read& read = levels_[depth_ - 1]->read;
    place(entry, EntryKind::Folder);
    entry.unreadable = static_cast<bool>(read.unreadable);
    if (const std::error_code error = read.unreadable ? read.unreadable : read.own.error)
        entry.error = error_ = error.message();
    if (read.unreadable)
        return;
    entry.known = listing_.details && !read.own.error;
    entry.modified = read.own.details.modified;
    entry.files = read.files;
    entry.bytes = read.bytes;
}

bool TreeWalk::fileEntry(CatalogueEntry& entry, std::size_t index) {
    const Level& level = *levels_[depth_ - 1];
    const unsigned attributes = level.entries.attributes(index);
    const Level::Known* known = listing_.details ? &level.known[index] : nullptr;
    if (!isListedFile(attributes) || (known && known->gone))
        return false;
    const bool dangling = known && !known->error && known->details.dangling;
    place(entry, (attributes & Link) == 0 ? EntryKind::File
                 : dangling               ? EntryKind::Dangling
                                          : EntryKind::Link);
    entry.name = level.entries.name(index);
    if (known && !known->error) {
        entry.known = true;
        entry.size = known->details.size;
        entry.modified = known->details.modified;
    } else if (known) {
        entry.error = error_ = known->error.message();
        feedback_.cannotRead(withSeparator(path_).append(entry.name), known->error);
    }
    ++totals_.files;
    heartbeat_.step(totals_);
    return true;
}

bool TreeWalk::next(CatalogueEntry& entry) {
    if (!started_)
        static_cast<void>(start()); // the chosen folder's error is its entry's
    if (folderDue_) {
        folderDue_ = false;
        folderEntry(entry);
        return true;
    }
    while (depth_ > 0) {
        Level& level = *levels_[depth_ - 1];
        Level::Read& read = level.read;
        const std::size_t count = level.entries.size();
        while (read.inFiles && read.cursor < count) {
            if (fileEntry(entry, read.cursor++))
                return true;
        }
        if (read.inFiles)
            read.inFiles = false, read.cursor = 0;
        while (read.cursor < count) {
            const std::size_t index = read.cursor++;
            if (isSubFolder(level.entries.attributes(index))) {
                enter(depth_ - 1, index);
                folderEntry(entry);
                return true;
            }
        }
        close(level);
        if (--depth_ > 0) // back in the parent: the sub-folder's name goes
            path_.resize(levels_[depth_ - 1]->read.pathLength);
    }
    return false;
}

void TreeWalk::enter(std::size_t parent, std::size_t index) {
    Level& from = *levels_[parent];
    from.read.descended = index;
    const std::string_view name = from.entries.name(index);
    std::error_code error = from.folder ? std::error_code() : reopen(parent);
    if (levels_.size() <= parent + 1)
        levels_.push_back(std::make_unique<Level>());
    if (!error)
        error = from.folder->openFolder(name, levels_[parent + 1]->folder);
    path_.resize(from.read.pathLength);
    appendSeparator(path_);
    path_.append(name);
    depth_ = parent + 2;
    readLevel(parent + 1, error);
    // A deep tree holds a folder open per level; beyond `openFolders`, the shallowest are
    // closed (but the chosen folder, from which any of them can be opened again).
    for (std::size_t depth = 1; open_ > openFolders && depth + 1 < depth_; ++depth)
        close(*levels_[depth]);
}

void TreeWalk::close(Level& level) {
    if (level.folder) {
        level.folder.reset();
        --open_;
    }
}

// Opens the folder of `depth` again, name by name from the nearest folder above it that is
// still open, never through a link.
std::error_code TreeWalk::reopen(std::size_t depth) {
    std::size_t from = depth;
    while (from > 0 && !levels_[from]->folder)
        --from;
    std::unique_ptr<OpenFolder> opened;
    for (OpenFolder* at = levels_[from]->folder.get(); from < depth; at = opened.get(), ++from) {
        const Level& step = *levels_[from];
        std::unique_ptr<OpenFolder> sub; // `at` may be the one opened before: kept till then
        if (std::error_code error = at->openFolder(step.entries.name(step.read.descended), sub))
            return error;
        opened = std::move(sub);
    }
    levels_[depth]->folder = std::move(opened);
    ++open_;
    return {};
}

} // namespace dorvantile
