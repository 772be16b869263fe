#include "platform/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace dorvantile {
namespace {

std::string describe(const std::string& path, int error) {
    const std::string shown = path == "-" ? std::string("standard output") : path;
    return "cannot write " + shown + ": " + std::strerror(error);
}

mode_t currentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

} // namespace

OutputFile::OutputFile(int fd, bool ownsFd, std::string path)
    : fd_(fd), ownsFd_(ownsFd), path_(std::move(path)) {
    buffer_.reserve(capacity);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), ownsFd_(other.ownsFd_), path_(std::move(other.path_)),
      target_(std::move(other.target_)), temporary_(std::move(other.temporary_)),
      buffer_(std::move(other.buffer_)) {
    other.temporary_.clear();
}

OutputFile::~OutputFile() {
    if (ownsFd_ && fd_ >= 0)
        close(fd_);
    if (!temporary_.empty())
        unlink(temporary_.c_str());
}

OutputFile OutputFile::replacing(const std::string& path) {
    std::string target = path;
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            throw CatalogueError(describe(path, EISDIR));
        if (!S_ISREG(existing.st_mode)) {
            const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0)
                throw CatalogueError(describe(path, errno));
            return OutputFile(fd, true, path);
        }
        // Through a link, the file it leads to is replaced and the link stays.
        if (char* real = realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const std::size_t slash = target.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        throw CatalogueError(describe(path, errno));
    // mkostemp makes the file private; a catalogue gets the permissions of any new file.
    fchmod(fd, 0666 & ~currentUmask());
    OutputFile file(fd, true, path);
    file.target_ = target;
    file.temporary_ = temporary.data();
    return file;
}

OutputFile OutputFile::standardOutput() {
    return OutputFile(STDOUT_FILENO, false, "-");
}

void OutputFile::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::commit() {
    flush();
    if (!ownsFd_)
        return;
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0)
        fail(errno);
    if (!temporary_.empty())
        replaceTarget();
}

void OutputFile::replaceTarget() {
    // Renaming over a large old file makes ext4 allocate all of the new file's blocks inside
    // the rename (its guard for programs that replace files without fsync), which stalls the
    // caller for a noticeable time. Moving the old file aside first avoids that; it comes
    // back if the new one cannot be put in place.
    const std::string aside = temporary_ + ".old";
    struct stat old {};
    const bool movedAside = lstat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
                            rename(target_.c_str(), aside.c_str()) == 0;
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        if (movedAside)
            rename(aside.c_str(), target_.c_str());
        fail(error);
    }
    temporary_.clear();
    if (movedAside)
        unlink(aside.c_str());
}

void OutputFile::fail(int error) const {
    throw CatalogueError(describe(path_, error));
}

} // namespace dorvantile
