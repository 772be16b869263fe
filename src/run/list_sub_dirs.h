// ListSubDirs: the folder collection.
#pragma once

#include "catalogue/walk_feedback.h"
#include "platform/file_system.h"
#include "platform/folder_list.h"

#include <string>

namespace dorvantile {

/// Appends to `list1` every sub-folder beneath `folder` (a path that ends in "/"), at every
/// depth, in depth-first pre-order and in the platform's order among siblings. A
/// sub-folder is an entry whose attributes are exactly `Directory`: hidden folders and
/// links to folders are left out with everything beneath them, so no link can lead the
/// collection in a circle. A sub-folder that cannot be read adds nothing beneath it and is
/// reported to `feedback`; the collection goes on. Returns the reason when `folder` itself
/// cannot be read. Holds one folder's entries per level of depth, whatever the number of
/// files.
[[nodiscard]] std::error_code ListSubDirs(FileSystem& fileSystem, FolderList& list1,
                                          const std::string& folder, WalkFeedback& feedback);

} // namespace dorvantile
