#include "run/list_sub_dirs.h"

#include "catalogue/tree_walk.h"

namespace dorvantile {

std::error_code ListSubDirs(FileSystem& fileSystem, FolderList& list1, const std::string& folder,
                            WalkFeedback& feedback) {
    return collectFolders(fileSystem, folder, feedback,
                          [&list1](std::string_view path) { list1.add(path); });
}

} // namespace dorvantile
