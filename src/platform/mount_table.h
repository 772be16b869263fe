// The mount table as /proc/self/mountinfo gives it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

struct Mount {
    std::string point; ///< the mounted folder, its escapes undone
    std::string type;  ///< the file system's type: ext4, proc, tmpfs...
};

/// The mounts of a mountinfo text in its order; a line that names no mount is skipped.
std::vector<Mount> parseMountInfo(std::string_view text);

} // namespace dorvantile
