// The one walk of a tree: each folder read once, its entries handed on while it is open.
#pragma once

#include "catalogue/entry.h"
#include "catalogue/walk_feedback.h"
#include "platform/directory_entries.h"
#include "platform/file_system.h"

#include <memory>
#include <string>
#include <vector>

namespace dorvantile {

/// The entries of the tree beneath a chosen folder, in catalogue order: a folder (the chosen
/// one first), then its listed files, then each of its sub-folders in the same way. A
/// sub-folder is an entry whose attributes are exactly `Directory`, so hidden folders (unless
/// listed), links to folders and mount points are left out with everything beneath them.
///
/// Each folder is read whole and sorted before its entries are handed on, and stays open
/// meanwhile: a sub-folder is opened relative to it and never through a link, and an entry
/// can be asked for more (`CatalogueEntry::at`) without a second lookup of its path. With
/// `listing.details`, each listed file's size and time are asked of the open folder before
/// the folder is handed on (a folder carries its files' count and bytes); a file that
/// vanished meanwhile is left out. What cannot be read is reported to the feedback and
/// carried by its entry; the walk goes on.
class TreeWalk final : public EntryStream {
public:
    TreeWalk(FileSystem& fileSystem, std::string folder, ListingOptions listing,
             WalkFeedback& feedback);
    ~TreeWalk() override;

    /// Opens and reads the chosen folder, and returns the reason when it cannot: a run has no
    /// catalogue then. Without a call, the first `next` makes it, and a chosen folder that
    /// cannot be read is an entry with its error, as any other folder.
    [[nodiscard]] std::error_code start();

    bool next(CatalogueEntry& entry) override;
    Totals totals() const override { return totals_; }

    /// Open folders beyond which the shallowest are closed, and opened again when the walk
    /// comes back to them: any depth of tree is walked within the process's descriptors.
    static constexpr std::size_t openFolders = 128;

private:
    struct Level;

    void enter(std::size_t parent, std::size_t index);
    void readLevel(std::size_t depth, std::error_code unreadable);
    std::error_code reopen(std::size_t depth);
    void close(Level& level);
    void place(CatalogueEntry& entry, EntryKind kind) const;
    void folderEntry(CatalogueEntry& entry);
    bool fileEntry(CatalogueEntry& entry, std::size_t index);

    FileSystem& fileSystem_;
    std::string path_; // of the folder being walked
    std::size_t below_;
    ListingOptions listing_;
    WalkFeedback& feedback_;
    Heartbeat heartbeat_;
    Totals totals_;
    std::vector<std::unique_ptr<Level>> levels_; // kept for their buffers, one per depth
    std::size_t depth_ = 0;                      // levels in use
    std::size_t open_ = 0;                       // of their folders still open
    bool started_ = false;
    bool folderDue_ = false; // the folder just entered is the next entry
    std::string error_;      // the text of the last entry's error
};

/// Why there is no catalogue of a chosen folder that `start` could not read.
std::string chosenFolderError(const std::string& folder, std::error_code error);

} // namespace dorvantile
