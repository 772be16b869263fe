#include "app/drives.h"

#include "platform/attributes.h"

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

// Mount points are written with space, tab, newline and backslash as octal escapes (\040).
std::string unescape(std::string_view field) {
    const auto octal = [&field](std::size_t k) {
        return k < field.size() && field[k] >= '0' && field[k] <= '7';
    };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            out.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace

std::vector<std::string> drivesFromMountInfo(std::string_view mountInfo) {
    std::vector<std::string> drives{"/"};
    std::size_t start = 0;
    while (start < mountInfo.size()) {
        const std::size_t end = std::min(mountInfo.find('\n', start), mountInfo.size());
        const std::vector<std::string_view> parts = fields(mountInfo.substr(start, end - start));
        start = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source super
        const auto separator = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || separator == parts.end() || separator + 1 == parts.end())
            continue;
        const std::string_view type = *(separator + 1);
        const std::string mountPoint = unescape(parts[4]);
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

std::vector<std::string> mountedDrives(Environment& environment, FileSystem& fileSystem) {
    std::string text;
    if (environment.mountTable(text))
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
