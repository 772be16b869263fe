// The file system as the folder collection and the file listing see it.
#pragma once

#include "platform/directory_entries.h"

#include <optional>
#include <string>
#include <system_error>

namespace dorvantile {

class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual ~FileSystem() = default;

    /// Replaces `out` with the entries of `folder`, sorted, without "." and "..", without
    /// hidden entries and without system entries. The bits are those of `attributes` except
    /// `ReadOnly`, which would cost a stat per file and decides nothing here. An entry that
    /// vanishes while it is read is left out. Returns the system's reason when the folder
    /// cannot be read; a read that fails part-way ends the listing with what was read.
    virtual std::error_code enumerate(const std::string& folder, DirectoryEntries& out) = 0;

    /// All attribute bits of the entry at `path`, or nothing when the path does not resolve.
    virtual std::optional<unsigned> attributes(const std::string& path) = 0;
};

} // namespace dorvantile
