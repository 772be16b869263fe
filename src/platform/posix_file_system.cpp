#include "platform/posix_file_system.h"

#include "platform/attributes.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace dorvantile {
namespace {

// Owns an open directory stream.
class DirStream {
public:
    explicit DirStream(const std::string& path) : dir_(opendir(path.c_str())) {}
    DirStream(const DirStream&) = delete;
    DirStream& operator=(const DirStream&) = delete;
    ~DirStream() {
        if (dir_ != nullptr)
            closedir(dir_);
    }
    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};

unsigned bitsOfMode(mode_t mode) {
    if (S_ISDIR(mode))
        return Directory;
    if (S_ISREG(mode))
        return (mode & S_IWUSR) ? 0u : ReadOnly;
    return System;
}

// Bits of a link: what it points at plus Link, or Link alone when it cannot be followed.
unsigned bitsOfLink(int dirFd, const char* name) {
    struct stat target;
    if (fstatat(dirFd, name, &target, 0) != 0)
        return Link;
    return bitsOfMode(target.st_mode) | Link;
}

// Bits without ReadOnly (see FileSystem::enumerate), or nothing when the entry vanished.
std::optional<unsigned> bitsOfEntry(int dirFd, const dirent& entry) {
    switch (entry.d_type) {
    case DT_DIR:
        return Directory;
    case DT_REG:
        return 0u;
    case DT_LNK:
        return bitsOfLink(dirFd, entry.d_name) & ~unsigned{ReadOnly};
    case DT_UNKNOWN: {
        struct stat own;
        if (fstatat(dirFd, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        if (S_ISLNK(own.st_mode))
            return bitsOfLink(dirFd, entry.d_name) & ~unsigned{ReadOnly};
        return bitsOfMode(own.st_mode) & ~unsigned{ReadOnly};
    }
    default:
        return System;
    }
}

} // namespace

std::error_code PosixFileSystem::enumerate(const std::string& folder, DirectoryEntries& out) {
    out.clear();
    DirStream dir(folder);
    if (dir.get() == nullptr)
        return {errno, std::generic_category()};
    const int fd = dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (entry == nullptr)
            break; // the end, or a read error: either way this folder's loop is over
        if (entry->d_name[0] == '.')
            continue; // ".", ".." and hidden entries are never yielded
        const std::optional<unsigned> bits = bitsOfEntry(fd, *entry);
        if (!bits || (*bits & System))
            continue;
        out.add(entry->d_name, *bits);
    }
    out.sort();
    return {};
}

std::optional<unsigned> PosixFileSystem::attributes(const std::string& path) {
    struct stat own;
    if (lstat(path.c_str(), &own) != 0)
        return std::nullopt;
    const std::size_t slash = path.find_last_of('/');
    const char* name = path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
    const unsigned hidden = name[0] == '.' ? Hidden : 0u;
    if (!S_ISLNK(own.st_mode))
        return bitsOfMode(own.st_mode) | hidden;
    struct stat target;
    if (stat(path.c_str(), &target) != 0)
        return Link | hidden;
    return bitsOfMode(target.st_mode) | Link | hidden;
}

} // namespace dorvantile
