#include "catalogue/tree_walk.h"

#include "platform/attributes.h"

namespace dorvantile {

/// One folder on the way down.
struct TreeWalk::Level {
    struct Known {
        EntryDetails details;
        std::error_code error;
        bool gone = false; // vanished since it was read
    };

    std::unique_ptr<OpenFolder> folder; // null when unreadable, or closed to spare descriptors
    DirectoryEntries entries;
    std::vector<Known> known; // each entry's details, when the listing reads them
    std::size_t pathLength = 0;
    std::size_t cursor = 0;     // the next entry to look at
    bool inFiles = true;        // handing on its files, else walking its sub-folders
    std::size_t descended = 0;  // the sub-folder being walked
    std::error_code unreadable; // why its entries could not be read
    Known own;
    std::int64_t files = 0;
    std::uint64_t bytes = 0;
};

namespace {

EntryKind kindOf(unsigned attributes, bool dangling) {
    if ((attributes & Link) == 0)
        return EntryKind::File;
    return dangling ? EntryKind::Dangling : EntryKind::Link;
}

} // namespace

std::string chosenFolderError(const std::string& folder, std::error_code error) {
    return error == std::errc::not_a_directory ? folder + ": not a folder"
                                               : "cannot read " + folder + ": " + error.message();
}

TreeWalk::TreeWalk(FileSystem& fileSystem, std::string folder, ListingOptions listing,
                   WalkFeedback& feedback)
    : fileSystem_(fileSystem), path_(std::move(folder)),
      below_(path_.size() + (path_.ends_with('/') ? 0 : 1)), listing_(std::move(listing)),
      feedback_(feedback), heartbeat_(feedback) {}

TreeWalk::~TreeWalk() = default;

std::error_code TreeWalk::start() {
    if (started_)
        return chosenError_;
    started_ = true;
    levels_.push_back(std::make_unique<Level>());
    Level& chosen = *levels_.front();
    depth_ = 1;
    chosen.unreadable = fileSystem_.openFolder(path_, chosen.folder);
    open_ = chosen.folder ? 1 : 0;
    readLevel(chosen, 0);
    chosenError_ = chosen.unreadable;
    folderDue_ = true;
    return chosenError_;
}

void TreeWalk::readLevel(Level& level, std::size_t depth) {
    level.pathLength = path_.size();
    level.cursor = 0;
    level.inFiles = true;
    level.files = 0;
    level.bytes = 0;
    level.own = {};
    level.known.clear();
    if (!level.unreadable)
        level.unreadable = level.entries.read(*level.folder, listing_);
    else
        level.entries.clear();
    if (level.unreadable) {
        level.entries.clear();
        if (depth > 0) // the chosen folder's is the caller's to tell
            feedback_.cannotRead(path_, level.unreadable);
    }
    if (depth > 0)
        ++totals_.folders;
    const DirectoryEntries& entries = level.entries;
    if (listing_.details && !level.unreadable) {
        level.own.error = level.folder->details(level.own.details);
        if (level.own.error)
            feedback_.cannotRead(path_, level.own.error);
        level.known.resize(entries.size());
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned attributes = entries.attributes(i);
        if (!isListedFile(attributes))
            continue;
        if (listing_.details) {
            Level::Known& known = level.known[i];
            known.error = level.folder->entryDetails(entries.name(i), attributes, known.details);
            known.gone = known.error == std::errc::no_such_file_or_directory;
            if (known.gone)
                continue; // as if it had never been there
            if (!known.error)
                level.bytes += known.details.size;
        }
        ++level.files;
    }
    totals_.bytes += level.bytes;
    heartbeat_.step(totals_);
}

void TreeWalk::folderEntry(CatalogueEntry& entry) {
    const Level& level = *levels_[depth_ - 1];
    entry = {};
    entry.kind = EntryKind::Folder;
    entry.folder = path_;
    entry.below = path_.size() > below_ ? entry.folder.substr(below_) : std::string_view();
    entry.at = level.folder.get();
    entry.unreadable = static_cast<bool>(level.unreadable);
    const std::error_code error = level.unreadable ? level.unreadable : level.own.error;
    if (error) {
        error_ = error.message();
        entry.error = error_;
    }
    if (level.unreadable)
        return;
    entry.known = listing_.details && !level.own.error;
    entry.modified = level.own.details.modified;
    entry.files = level.files;
    entry.bytes = level.bytes;
}

bool TreeWalk::fileEntry(CatalogueEntry& entry, std::size_t index) {
    const Level& level = *levels_[depth_ - 1];
    const unsigned attributes = level.entries.attributes(index);
    const Level::Known* known = listing_.details ? &level.known[index] : nullptr;
    if (!isListedFile(attributes) || (known && known->gone))
        return false;
    entry.folder = path_;
    entry.below = path_.size() > below_ ? entry.folder.substr(below_) : std::string_view();
    entry.at = level.folder.get();
    entry.name = level.entries.name(index);
    entry.known = known && !known->error;
    entry.kind = kindOf(attributes, entry.known && known->details.dangling);
    entry.size = entry.known ? known->details.size : 0;
    entry.modified = entry.known ? known->details.modified : FileTime{};
    entry.files = 0;
    entry.bytes = 0;
    entry.unreadable = false;
    entry.error = {};
    if (known && known->error) {
        error_ = known->error.message();
        entry.error = error_;
        std::string path = path_;
        if (!path.ends_with('/'))
            path.push_back('/');
        feedback_.cannotRead(path.append(entry.name), known->error);
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
        const std::size_t count = level.entries.size();
        if (level.inFiles) {
            while (level.cursor < count) {
                if (fileEntry(entry, level.cursor++))
                    return true;
            }
            level.inFiles = false;
            level.cursor = 0;
        }
        while (level.cursor < count) {
            const std::size_t index = level.cursor++;
            if (isSubFolder(level.entries.attributes(index))) {
                enter(depth_ - 1, index);
                folderEntry(entry);
                return true;
            }
        }
        if (level.folder) {
            level.folder.reset();
            --open_;
        }
        if (--depth_ > 0) // back in the parent: the sub-folder's name goes
            path_.resize(levels_[depth_ - 1]->pathLength);
    }
    return false;
}

void TreeWalk::enter(std::size_t parent, std::size_t index) {
    Level& from = *levels_[parent];
    from.descended = index;
    const std::string_view name = from.entries.name(index);
    std::error_code error = from.folder ? std::error_code() : reopen(parent);
    if (levels_.size() <= parent + 1)
        levels_.push_back(std::make_unique<Level>());
    Level& level = *levels_[parent + 1];
    if (!error)
        error = from.folder->openFolder(name, level.folder);
    level.unreadable = error;
    if (!error)
        ++open_;
    path_.resize(from.pathLength);
    if (!path_.ends_with('/'))
        path_.push_back('/');
    path_.append(name);
    depth_ = parent + 2;
    readLevel(level, parent + 1);
    spareDescriptors();
}

// A deep tree holds a folder open per level; beyond `openFolders`, the shallowest are closed
// (but the chosen folder, from which any of them can be opened again).
void TreeWalk::spareDescriptors() {
    for (std::size_t depth = 1; open_ > openFolders && depth + 1 < depth_; ++depth) {
        Level& level = *levels_[depth];
        if (level.folder) {
            level.folder.reset();
            --open_;
        }
    }
}

// Opens the folder of `depth` again, name by name from the nearest folder above it that is
// still open, never through a link.
std::error_code TreeWalk::reopen(std::size_t depth) {
    std::size_t from = depth;
    while (from > 0 && !levels_[from]->folder)
        --from;
    if (!levels_[from]->folder)
        return std::make_error_code(std::errc::bad_file_descriptor);
    OpenFolder* at = levels_[from]->folder.get();
    std::unique_ptr<OpenFolder> opened;
    for (std::size_t d = from; d < depth; ++d) {
        const Level& step = *levels_[d];
        std::unique_ptr<OpenFolder> sub;
        if (std::error_code error = at->openFolder(step.entries.name(step.descended), sub))
            return error;
        opened = std::move(sub);
        at = opened.get();
    }
    levels_[depth]->folder = std::move(opened);
    ++open_;
    return {};
}

} // namespace dorvantile
