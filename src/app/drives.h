// The machine's drives: the mounted file systems that hold real storage, and "/" always.
#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"

#include <string>
#include <string_view>
#include <vector>

namespace dorvantile::app {

/// The mount points named in a /proc/self/mountinfo text, sorted byte by byte and without
/// duplicates, with "/" always first. Mounts of pseudo file systems (proc, sysfs, cgroup,
/// tmpfs and the like) and everything mounted below /proc, /sys and /dev are left out.
std::vector<std::string> drivesFromMountInfo(std::string_view mountInfo);

/// The drives of this machine: the mount points of its mount table that are folders. Bind
/// mounts of single files are not drives. Without a mount table, "/" is the only drive.
std::vector<std::string> mountedDrives(MountTable& mountTable, FileSystem& fileSystem);

/// The drive that holds `folder`: the longest of `drives` that is `folder` or one of its
/// parents, compared by whole path components; "/" when none is.
std::string driveOf(const std::vector<std::string>& drives, std::string_view folder);

} // namespace dorvantile::app
