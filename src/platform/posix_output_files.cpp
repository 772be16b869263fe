#include "platform/posix_output_files.h"

#include "platform/descriptor.h"
#include "platform/posix_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <optional>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::error_code errorOf(int result) {
    return result == 0 ? std::error_code() : lastError();
}

// The kernel's limit on links followed in one path.
constexpr int maxLinks = 40;

/// The descriptor that one of the process's own names stands for: /dev/stdout, /dev/stderr,
/// /dev/stdin, /dev/fd/N and /proc/self/fd/N.
std::optional<int> ownDescriptor(const std::string& path) {
    for (const auto& [name, fd] :
         {std::pair{"/dev/stdin", 0}, {"/dev/stdout", 1}, {"/dev/stderr", 2}})
        if (path == name)
            return fd;
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.starts_with(prefix) && path.size() > prefix.size() &&
            path.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
            path.size() - prefix.size() < 10)
            return std::atoi(path.c_str() + prefix.size());
    }
    return std::nullopt;
}

/// `path`'s folder as the kernel resolves it, followed by its last component.
std::string resolvedFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char* real = realpath(folder.c_str(), nullptr);
    if (!real)
        return path; // the folder is not there: making the file there says so
    std::string resolved = real;
    std::free(real);
    if (resolved != "/")
        resolved += '/';
    return resolved + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

constexpr std::size_t suffixLength = 6;

bool isSuffix(std::string_view text) {
    return text.size() == suffixLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
           });
}

// Removes `name` in `dir` where it is the user's own regular file and no run holds it (locks
// it); else says why not.
std::error_code removeUnheldAt(int dir, const char* name) {
    Descriptor file(openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat own {
    }, named{};
    if (!file.valid() || fstat(file.get(), &own) != 0)
        return lastError();
    if (!S_ISREG(own.st_mode) || own.st_uid != geteuid())
        return std::make_error_code(std::errc::operation_not_permitted);
    if (flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                    : lastError();
    // Still the file that was opened and locked, not one made since under that name.
    if (fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    if (named.st_dev != own.st_dev || named.st_ino != own.st_ino)
        return std::make_error_code(std::errc::device_or_resource_busy);
    return errorOf(unlinkat(dir, name, 0));
}

// Every run holds a lock on its temporary file from the moment it is made until it is in
// place, so a file of that name that nobody holds was left by a run that a crash, a power
// cut or SIGKILL ended. Those that are the user's own regular files go.
void removeLeftovers(const std::string& folder, const std::string& start) {
    Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* listing = dir.valid() ? fdopendir(dup(dir.get())) : nullptr;
    if (!listing)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(start) || !isSuffix(name.substr(start.size())))
            continue;
        [[maybe_unused]] const std::error_code kept = removeUnheldAt(dir.get(), entry->d_name);
    }
    closedir(listing);
}

std::string uniqueSuffix() {
    static std::mt19937 random(std::random_device{}());
    const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(suffixLength, ' ');
    for (char& c : suffix)
        c = letters[random() % (sizeof letters - 1)];
    return suffix;
}

class PosixFile final : public WritableFile {
public:
    /// `prefix` is where an anonymous file gets its name; empty for one that has a name.
    /// `lock`, when valid, holds the lock that marks a temporary file as a run's own until
    /// the file is dropped (past `close`, until it is in place).
    PosixFile(int fd, bool owned, std::string prefix = {}, Descriptor lock = {})
        : fd_(owned ? fd : -1), raw_(fd), prefix_(std::move(prefix)), lock_(std::move(lock)) {}

    Medium medium() override {
        struct stat info {};
        if (fstat(raw_, &info) == 0 && S_ISREG(info.st_mode))
            return Medium::File;
        return isatty(raw_) ? Medium::Terminal : Medium::Stream;
    }

    FileIdentity identity() override {
        struct stat info {};
        return fstat(raw_, &info) == 0 ? FileIdentity{info.st_dev, info.st_ino} : FileIdentity{};
    }

    // Every write goes out when it comes: `OutputFile` has gathered it.
    std::error_code write(std::string_view bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(raw_, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            done += static_cast<std::size_t>(n);
        }
        return {};
    }

    std::error_code setPermissions(unsigned mode) override {
        return errorOf(fchmod(raw_, static_cast<mode_t>(mode)));
    }

    std::error_code setOwner(unsigned owner, unsigned group) override {
        return errorOf(fchown(raw_, owner, group));
    }

    std::error_code link(std::string& name) override {
        if (prefix_.empty())
            return {};
        // By the descriptor itself where the process may (root), else through /proc.
        const std::string self = "/proc/self/fd/" + std::to_string(raw_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string candidate = prefix_ + uniqueSuffix();
            int linked = linkat(raw_, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH);
            if (linked != 0 && errno != EEXIST)
                linked =
                    linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno == EEXIST)
                continue;
            if (linked != 0)
                return lastError();
            name = candidate;
            noteTemporaryFile(name);
            prefix_.clear();
            return {};
        }
        return std::make_error_code(std::errc::file_exists);
    }

    std::error_code close() override {
        // A descriptor that is not ours (standard output) stays open for the rest.
        if (!fd_.valid())
            return {};
        return errorOf(fd_.close());
    }

private:
    Descriptor fd_; // invalid for a descriptor that is not ours to close
    int raw_;
    std::string prefix_;
    Descriptor lock_;
};

/// A second descriptor of the open file `fd` that holds the lock of a run's temporary file;
/// invalid where the file system keeps no locks (the file is written all the same).
Descriptor lockOf(int fd) {
    Descriptor lock(fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (lock.valid() && flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return {};
    return lock;
}

} // namespace

PathTarget PosixOutputFiles::inspect(const std::string& path) {
    const auto unusable = [](int error) {
        return PathTarget::unusable({error, std::generic_category()});
    };
    if (path.ends_with('/')) { // names a folder, as it does to the kernel
        struct stat info {};
        if (stat(path.c_str(), &info) != 0)
            return unusable(errno == ENOENT ? EISDIR : errno);
        return PathTarget::of(PathTarget::Kind::Folder);
    }
    // Links are followed one by one, as the shell's ">" follows them: a dangling link gets
    // its target made, and a name of the process's own files is that open file.
    std::string current = path;
    struct stat own {};
    for (int links = 0;; ++links) {
        if (const std::optional<int> fd = ownDescriptor(current)) {
            if (closedAtStart(*fd))
                return unusable(EBADF);
            if (fcntl(*fd, F_GETFL) < 0)
                return unusable(errno);
            PathTarget target = PathTarget::of(PathTarget::Kind::Descriptor);
            target.descriptor = *fd;
            return target;
        }
        if (lstat(current.c_str(), &own) != 0) {
            if (errno != ENOENT)
                return unusable(errno);
            return PathTarget::of(PathTarget::Kind::Missing, resolvedFolderOf(current));
        }
        if (!S_ISLNK(own.st_mode))
            break;
        if (links == maxLinks)
            return unusable(ELOOP);
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t length = readlink(current.c_str(), target.data(), PATH_MAX);
        if (length < 0)
            return unusable(errno);
        const std::string to(target.data(), static_cast<std::size_t>(length));
        const std::size_t slash = current.find_last_of('/');
        current = to.starts_with('/') || slash == std::string::npos
                      ? to
                      : current.substr(0, slash + 1) + to;
    }
    if (S_ISDIR(own.st_mode))
        return PathTarget::of(PathTarget::Kind::Folder);
    if (!S_ISREG(own.st_mode))
        return PathTarget::of(PathTarget::Kind::Other);
    PathTarget target = PathTarget::of(PathTarget::Kind::RegularFile, resolvedFolderOf(current));
    target.mode = own.st_mode & 07777;
    target.owner = own.st_uid;
    target.group = own.st_gid;
    target.writable = access(current.c_str(), W_OK) == 0;
    if (own.st_nlink == 1)
        target.file = {own.st_dev, own.st_ino};
    return target;
}

std::error_code PosixOutputFiles::createUnique(const std::string& prefix, std::string& name,
                                               std::unique_ptr<WritableFile>& file) {
    const std::size_t slash = prefix.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    removeLeftovers(folder, prefix.substr(slash == std::string::npos ? 0 : slash + 1));
    const int anonymous = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (anonymous >= 0) {
        name.clear();
        file = std::make_unique<PosixFile>(anonymous, true, prefix, lockOf(anonymous));
        return {};
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return lastError();
    // A file system without anonymous files: a named one from the start, made again should
    // another run take it for a leftover before it is locked.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::vector<char> pattern(prefix.begin(), prefix.end());
        pattern.insert(pattern.end(), suffixLength, 'X');
        pattern.push_back('\0');
        Descriptor fd(mkostemp(pattern.data(), O_CLOEXEC));
        if (!fd.valid())
            return lastError();
        Descriptor lock = lockOf(fd.get());
        struct stat own {
        }, named{};
        if (fstat(fd.get(), &own) != 0 || lstat(pattern.data(), &named) != 0 ||
            own.st_ino != named.st_ino || own.st_dev != named.st_dev)
            continue;
        name = pattern.data();
        noteTemporaryFile(name);
        file = std::make_unique<PosixFile>(fd.release(), true, std::string(), std::move(lock));
        return {};
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code PosixOutputFiles::createHeld(const std::string& path,
                                             std::unique_ptr<WritableFile>& file) {
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return lastError();
    // Where the file system keeps no locks, the file is not held, and written all the same.
    [[maybe_unused]] const int locked = flock(fd, LOCK_EX | LOCK_NB);
    file = std::make_unique<PosixFile>(fd, true);
    return {};
}

std::error_code PosixOutputFiles::openExisting(const std::string& path,
                                               std::unique_ptr<WritableFile>& file) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    file = std::make_unique<PosixFile>(fd, true);
    return {};
}

std::error_code PosixOutputFiles::descriptor(int descriptor, std::unique_ptr<WritableFile>& file) {
    if (closedAtStart(descriptor) || fcntl(descriptor, F_GETFL) < 0)
        return std::make_error_code(std::errc::bad_file_descriptor);
    file = std::make_unique<PosixFile>(descriptor, false);
    return {};
}

std::error_code PosixOutputFiles::rename(const std::string& from, const std::string& to,
                                         const std::function<void()>& whileWaiting) {
    const auto renameNow = [&from, &to] {
        // Renaming over an old file makes ext4 allocate all of the new file's blocks inside
        // the rename (its guard for programs that replace files without fsync); exchanging
        // the two names does not, and is as atomic. The old file, now under the temporary
        // name, goes next; should that fail, it stays there as a hidden file.
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
            [[maybe_unused]] const int removed = unlink(from.c_str());
            return 0;
        }
        return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    };
    int error = 0;
    if (!whileWaiting) {
        error = renameNow();
    } else {
        // A file system may write out the new file's blocks inside the rename (ext4 where it
        // cannot exchange names): the caller waits meanwhile, on another thread. Should
        // `whileWaiting` throw, the future waits for the rename.
        std::future<int> renamed = std::async(std::launch::async, renameNow);
        while (renamed.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            whileWaiting();
        error = renamed.get();
    }
    if (error == 0)
        forgetTemporaryFile();
    return {error, std::generic_category()};
}

std::error_code PosixOutputFiles::remove(const std::string& path) {
    forgetTemporaryFile();
    return errorOf(unlink(path.c_str()));
}

std::error_code PosixOutputFiles::removeUnheld(const std::string& path) {
    return removeUnheldAt(AT_FDCWD, path.c_str());
}

unsigned PosixOutputFiles::newFileMode() {
    // umask can only be read by setting it; it is set straight back.
    const mode_t mask = umask(0);
    umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

} // namespace dorvantile
