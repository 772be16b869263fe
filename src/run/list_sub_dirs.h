// ListSubDirs: the folder collection.
#pragma once

#include "platform/file_system.h"
#include "platform/folder_list.h"
#include "run/run_feedback.h"

#include <string>

namespace dorvantile {

/// Appends to `list1` every sub-folder beneath `folder` (a path that ends in "/"), at every
/// depth, in depth-first pre-order and in the platform's order among siblings. A
/// sub-folder is an entry whose attributes are exactly `Directory`: hidden folders and
/// links to folders are left out with everything beneath them, so no link can lead the
/// collection in a circle. A folder that cannot be read adds nothing beneath it; nothing is
/// reported. Holds one folder's entries per level of depth, whatever the number of files.
void ListSubDirs(FileSystem& fileSystem, FolderList& list1, const std::string& folder,
                 RunFeedback& feedback);

} // namespace dorvantile
