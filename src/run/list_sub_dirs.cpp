#include "run/list_sub_dirs.h"

#include "catalogue/tree_walk.h"

namespace dorvantile {

// The walk with the window's listing, of which the folder list keeps the sub-folders.
std::error_code ListSubDirs(FileSystem& fileSystem, FolderList& list1, const std::string& folder,
                            WalkFeedback& feedback) {
    TreeWalk walk(fileSystem, folder, {}, feedback);
    if (std::error_code error = walk.start())
        return error;
    for (CatalogueEntry entry; walk.next(entry);) {
        if (entry.kind == EntryKind::Folder && !entry.below.empty())
            list1.add(entry.folder);
    }
    return {};
}

} // namespace dorvantile
