// `File1`: the listed files of one folder at a time.
#pragma once

#include "platform/directory_entries.h"
#include "platform/file_system.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace dorvantile {

/// Holds the names of one folder's plain files, links to files and links that cannot be
/// followed, in the platform's order. Folders, hidden entries, devices, FIFOs and sockets are
/// never listed.
class FileListing {
public:
    explicit FileListing(FileSystem& fileSystem) : fileSystem_(fileSystem) {}

    /// Points the listing at `folder`. When the folder cannot be read, returns the system's
    /// reason and keeps the previous folder and names.
    [[nodiscard]] std::error_code assign(const std::string& folder);

    const std::string& folder() const { return folder_; }
    std::size_t count() const { return listed_.size(); }
    std::string_view at(std::size_t position) const { return entries_.name(listed_[position]); }

private:
    FileSystem& fileSystem_;
    std::string folder_;
    DirectoryEntries entries_;
    DirectoryEntries incoming_;
    std::vector<std::uint32_t> listed_;
};

} // namespace dorvantile
