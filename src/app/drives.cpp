#include "app/drives.h"

#include "platform/attributes.h"
#include "platform/mount_table.h"

#include <algorithm>
#include <array>

namespace dorvantile::app {
namespace {

// File systems that hold no storage of their own: kernel views, memory and control files.
constexpr std::array<std::string_view, 26> pseudoTypes = {
    "autofs",      "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
    "debugfs",     "devpts",      "devtmpfs", "efivarfs", "fusectl", "hugetlbfs",
    "mqueue",      "nsfs",        "proc",     "pstore",   "ramfs",   "rpc_pipefs",
    "securityfs",  "selinuxfs",   "sysfs",    "tmpfs",    "tracefs", "fuse.gvfsd-fuse",
    "fuse.portal", "rootfs"};

bool isBelow(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
            path[folder.size()] == '/');
}

} // namespace

std::vector<std::string> drivesFromMountInfo(std::string_view mountInfo) {
    std::vector<std::string> drives{"/"};
    for (const auto& [mountPoint, type] : parseMountInfo(mountInfo)) {
        if (mountPoint.empty() || mountPoint.front() != '/' ||
            std::find(pseudoTypes.begin(), pseudoTypes.end(), type) != pseudoTypes.end() ||
            isBelow(mountPoint, "/proc") || isBelow(mountPoint, "/sys") ||
            isBelow(mountPoint, "/dev"))
            continue;
        drives.push_back(mountPoint);
    }
    std::sort(drives.begin(), drives.end());
    drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
    return drives;
}

std::vector<std::string> mountedDrives(MountTable& mountTable, FileSystem& fileSystem) {
    std::string text;
    if (mountTable.read(text))
        text.clear();
    std::vector<std::string> drives = drivesFromMountInfo(text);
    std::erase_if(drives, [&fileSystem](const std::string& drive) {
        const std::optional<unsigned> bits = fileSystem.attributes(drive);
        return drive != "/" && (!bits || (*bits & Directory) == 0);
    });
    return drives;
}

std::string driveOf(const std::vector<std::string>& drives, std::string_view folder) {
    std::string best = "/";
    for (const std::string& drive : drives) {
        if (drive.size() > best.size() && isBelow(folder, drive))
            best = drive;
    }
    return best;
}

} // namespace dorvantile::app
