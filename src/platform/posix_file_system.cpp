#include "platform/posix_file_system.h"

#include "platform/attributes.h"
#include "platform/descriptor.h"
#include "platform/mount_table.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace dorvantile {
namespace {

// Room for a few thousand entries per call, so that even a folder of tens of thousands of
// files takes few calls; reused by every folder that this thread reads.
constexpr std::size_t entryBufferSize = std::size_t{1} << 17;

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

// The size and time of `name` in the open folder `dirFd`, asked with statx for those two
// alone. Like stat, it never triggers an automount.
std::error_code statDetails(int dirFd, const char* name, int flags, EntryDetails& out) {
    struct statx info;
    if (statx(dirFd, name, flags | AT_NO_AUTOMOUNT, STATX_SIZE | STATX_MTIME, &info) != 0)
        return {errno, std::generic_category()};
    out.size = info.stx_size;
    out.modified = {info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec};
    return {};
}

// Opens the sub-folder `name` of the open folder `dir`, which lies on `device`: never through
// a link, never onto another file system (a mount made since the folder was read). openat2
// refuses both in the kernel; where it is missing (an old kernel, a sandbox that filters it)
// the device of what was opened tells.
int openSubFolder(int dir, const char* name, dev_t device) {
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    static std::atomic<bool> withoutOpenat2{false};
    if (!withoutOpenat2.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = flags;
        how.resolve = RESOLVE_NO_XDEV | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const long fd = syscall(SYS_openat2, dir, name, &how, sizeof how);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
            return static_cast<int>(fd);
        withoutOpenat2.store(true, std::memory_order_relaxed);
    }
    Descriptor sub(openat(dir, name, flags));
    struct stat info;
    if (!sub.valid() || fstat(sub.get(), &info) != 0)
        return -1;
    if (info.st_dev != device) {
        errno = EXDEV;
        return -1;
    }
    return sub.release();
}

} // namespace

// A folder open for reading, with its path for the mount points beneath it and the device
// that every folder of a walk shares.
class PosixOpenFolder final : public OpenFolder {
public:
    PosixOpenFolder(const PosixFileSystem& fileSystem, Descriptor dir, std::string path,
                    dev_t device)
        : fileSystem_(fileSystem), dir_(std::move(dir)), path_(std::move(path)), device_(device) {}

    std::error_code read(EntrySink& out) override;

    std::error_code details(EntryDetails& out) override {
        return statDetails(dir_.get(), "", AT_EMPTY_PATH, out);
    }

    std::error_code entryDetails(std::string_view name, unsigned attributes,
                                 EntryDetails& out) override {
        const char* path = name.data(); // NUL-terminated, as every name given here is
        out.dangling = false;
        if ((attributes & Link) != 0 && !statDetails(dir_.get(), path, 0, out))
            return {};
        if (std::error_code error = statDetails(dir_.get(), path, AT_SYMLINK_NOFOLLOW, out))
            return error;
        out.dangling = (attributes & Link) != 0; // a link that cannot be followed: its own
        return {};
    }

    std::error_code duplicate(std::unique_ptr<OpenFolder>& out) override {
        Descriptor copy(fcntl(dir_.get(), F_DUPFD_CLOEXEC, 0));
        if (!copy.valid())
            return {errno, std::generic_category()};
        out = std::make_unique<PosixOpenFolder>(fileSystem_, std::move(copy), path_, device_);
        return {};
    }

    std::error_code readContent(std::string_view name, bool follow, const EntryDetails& expected,
                                ContentSink& out) override;

    std::error_code openFolder(std::string_view name, std::unique_ptr<OpenFolder>& out) override {
        Descriptor sub(openSubFolder(dir_.get(), name.data(), device_));
        if (!sub.valid())
            return {errno, std::generic_category()};
        out = std::make_unique<PosixOpenFolder>(fileSystem_, std::move(sub),
                                                withSeparator(path_).append(name), device_);
        return {};
    }

private:
    const PosixFileSystem& fileSystem_;
    Descriptor dir_;
    std::string path_; // without a trailing "/", but for the root
    dev_t device_;
};

// A file is read in pieces of this size: few system calls, and the reading of the next piece
// overlaps the digest of the last one in the kernel's read-ahead.
constexpr std::size_t contentPieceSize = std::size_t{1} << 20;

std::error_code PosixOpenFolder::readContent(std::string_view name, bool follow,
                                             const EntryDetails& expected, ContentSink& out) {
    // Non-blocking, so that a file swapped for a FIFO never hangs the open; without touching
    // its access time where the user may ask that.
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
    Descriptor file(openat(dir_.get(), name.data(), flags | O_NOATIME));
    if (!file.valid() && errno == EPERM)
        file = Descriptor(openat(dir_.get(), name.data(), flags));
    if (!file.valid())
        return {errno, std::generic_category()};
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer)
        buffer = std::make_unique<char[]>(contentPieceSize);
    // The first piece is asked of the page cache alone, without waiting: a small file found
    // there takes this one read, and was wanted by someone before, so it is left there.
    iovec piece{buffer.get(), contentPieceSize};
    ssize_t got = preadv2(file.get(), &piece, 1, -1, RWF_NOWAIT);
    if (got < 0 && errno != EAGAIN && errno != EOPNOTSUPP && errno != EINTR)
        return {errno, std::generic_category()};
    const bool cached = got > 0;
    // Read to the size the walk saw; one that grew since is told by its size afterwards.
    std::uint64_t total = 0;
    bool looked = false;
    while (got != 0) {
        if (got > 0) {
            out.take({buffer.get(), static_cast<std::size_t>(got)});
            if ((total += static_cast<std::uint64_t>(got)) >= expected.size && expected.size > 0)
                break;
        }
        // Before anything more is read, what was opened is looked at: the walk's regular file
        // may have been swapped since for a FIFO or a device, which is never read.
        if (!looked) {
            looked = true;
            struct stat before {};
            if (fstat(file.get(), &before) != 0)
                return {errno, std::generic_category()};
            if (!S_ISREG(before.st_mode))
                return ContentFault::NotAFile;
            if (static_cast<std::uint64_t>(before.st_size) > contentPieceSize) {
                [[maybe_unused]] const int advised =
                    posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
            }
        }
        while ((got = ::read(file.get(), buffer.get(), contentPieceSize)) < 0) {
            if (errno != EINTR)
                return {errno, std::generic_category()};
        }
    }
    // What was read from the disk is not wanted again: a check of a disk larger than memory
    // leaves the page cache to the rest of the machine.
    if (!cached) {
        [[maybe_unused]] const int dropped = posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
    }
    // The file as it is now against the walk's details: whatever changed it since the walk
    // read them, before or while it was read, changed its size or its time.
    struct stat after {};
    if (fstat(file.get(), &after) != 0)
        return {errno, std::generic_category()};
    if (!S_ISREG(after.st_mode))
        return ContentFault::NotAFile;
    // So did a file whose bytes were not as many as its size: one cut short and grown again
    // while it was read, or one of the kernel's own files, whose size is not its content's.
    if (total != expected.size || static_cast<std::uint64_t>(after.st_size) != expected.size ||
        after.st_mtim.tv_sec != expected.modified.seconds ||
        static_cast<std::uint32_t>(after.st_mtim.tv_nsec) != expected.modified.nanoseconds)
        return ContentFault::Changed;
    return {};
}

std::optional<unsigned> entryBits(int dirFd, const char* name, unsigned char type) {
    switch (type) {
    case DT_DIR:
        return Directory;
    case DT_REG:
        return 0u;
    case DT_LNK:
        return bitsOfLink(dirFd, name) & ~unsigned{ReadOnly};
    case DT_UNKNOWN: {
        struct stat own;
        if (fstatat(dirFd, name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        if (S_ISLNK(own.st_mode))
            return bitsOfLink(dirFd, name) & ~unsigned{ReadOnly};
        return bitsOfMode(own.st_mode) & ~unsigned{ReadOnly};
    }
    default:
        return System;
    }
}

std::error_code PosixFileSystem::openFolder(const std::string& folder,
                                            std::unique_ptr<OpenFolder>& out) {
    // Without its trailing "/", a folder whose path is just under PATH_MAX still opens.
    std::string path =
        folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
    Descriptor dir(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!dir.valid() || fstat(dir.get(), &info) != 0)
        return {errno, std::generic_category()};
    out = std::make_unique<PosixOpenFolder>(*this, std::move(dir), std::move(path), info.st_dev);
    return {};
}

// getdents64 straight into a large buffer rather than opendir and readdir: opendir adds a
// stat of every folder, one system call in five, and a walk's time goes almost all to
// system calls.
std::error_code PosixOpenFolder::read(EntrySink& out) {
    // Mount points are looked for only in the few folders that hold one.
    const bool holdsMounts = fileSystem_.mountParents_.count(path_) > 0;
    std::string entryPath;
    if (holdsMounts)
        entryPath = path_ == "/" ? path_ : path_ + "/";
    const std::size_t entryStart = entryPath.size();
    const std::array<FileIdentity, 2> leftOut = fileSystem_.leftOut_;
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer)
        buffer = std::make_unique<char[]>(entryBufferSize);
    for (;;) {
        const ssize_t filled = getdents64(dir_.get(), buffer.get(), entryBufferSize);
        if (filled == 0)
            break;
        if (filled < 0) // a read error is never the end of the entries
            return {errno, std::generic_category()};
        for (ssize_t at = 0; at < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if ((entry->d_ino == leftOut[0].inode && device_ == leftOut[0].device) ||
                (entry->d_ino == leftOut[1].inode && device_ == leftOut[1].device))
                continue;
            std::optional<unsigned> bits = entryBits(dir_.get(), name, entry->d_type);
            if (!bits)
                continue;
            if (holdsMounts && *bits == Directory) {
                entryPath.resize(entryStart);
                entryPath.append(name);
                if (fileSystem_.mountPoints_.count(entryPath) > 0)
                    *bits |= Link; // another file system, as a mounted volume's folder
            }
            out.add(name, *bits | (name[0] == '.' ? Hidden : 0u));
        }
    }
    return {};
}

PosixFileSystem::PosixFileSystem() : PosixFileSystem(processMountTable()) {}

void PosixFileSystem::refresh(const std::string& root) {
    mountPoints_.clear();
    mountParents_.clear();
    std::string text;
    if (mountTable_.read(text))
        return; // without a mount table (no /proc), every folder is a plain one
    // The table holds the kernel's paths; a root reached through a link has its mount points
    // known by the paths the walk builds from it as well.
    std::string from =
        root.size() > 1 && root.back() == '/' ? root.substr(0, root.size() - 1) : root;
    std::string to;
    if (char* real = from.empty() ? nullptr : ::realpath(from.c_str(), nullptr)) {
        to = real;
        std::free(real);
    }
    const bool aliased = !to.empty() && to != from;
    if (to == "/")
        to.clear(); // every mount point lies beneath it
    for (const Mount& mount : parseMountInfo(text)) {
        addMountPoint(mount.point);
        if (aliased && mount.point.size() > to.size() && mount.point[to.size()] == '/' &&
            mount.point.compare(0, to.size(), to) == 0)
            addMountPoint(from + mount.point.substr(to.size()));
    }
}

void PosixFileSystem::addMountPoint(const std::string& point) {
    const std::size_t slash = point.find_last_of('/');
    if (point.size() < 2 || slash == std::string::npos)
        return; // "/" itself, or no path at all
    mountPoints_.insert(point);
    mountParents_.insert(slash == 0 ? std::string("/") : point.substr(0, slash));
}

std::optional<unsigned> PosixFileSystem::attributes(const std::string& path) {
    struct stat own;
    if (lstat(path.c_str(), &own) != 0)
        return std::nullopt;
    const std::size_t slash = path.find_last_of('/');
    const char* name = path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
    const unsigned hidden = name[0] == '.' ? Hidden : 0u;
    return (S_ISLNK(own.st_mode) ? bitsOfLink(AT_FDCWD, path.c_str()) : bitsOfMode(own.st_mode)) |
           hidden;
}

} // namespace dorvantile
