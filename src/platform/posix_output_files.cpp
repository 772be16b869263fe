#include "platform/posix_output_files.h"

#include "platform/descriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

class PosixFile final : public WritableFile {
public:
    PosixFile(int fd, bool owned) : fd_(owned ? fd : -1), raw_(fd) {}

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
        return fchmod(raw_, static_cast<mode_t>(mode)) == 0 ? std::error_code() : lastError();
    }

    std::error_code close() override {
        // Standard output stays open for whatever else the process writes.
        if (!fd_.valid())
            return {};
        return fd_.close() == 0 ? std::error_code() : lastError();
    }

private:
    Descriptor fd_; // invalid for a descriptor that is not ours to close
    int raw_;
};

} // namespace

PathTarget PosixOutputFiles::inspect(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    if (S_ISDIR(info.st_mode))
        return {PathTarget::Kind::Folder, {}};
    if (!S_ISREG(info.st_mode))
        return {PathTarget::Kind::Other, {}};
    PathTarget target{PathTarget::Kind::RegularFile, path};
    if (char* real = realpath(path.c_str(), nullptr)) {
        target.resolved = real;
        std::free(real);
    }
    return target;
}

std::error_code PosixOutputFiles::createUnique(const std::string& prefix, std::string& name,
                                               std::unique_ptr<WritableFile>& file) {
    std::vector<char> pattern(prefix.begin(), prefix.end());
    for (const char c : std::string_view("XXXXXX"))
        pattern.push_back(c);
    pattern.push_back('\0');
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return lastError();
    name = pattern.data();
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

std::unique_ptr<WritableFile> PosixOutputFiles::standardOutput() {
    return std::make_unique<PosixFile>(STDOUT_FILENO, false);
}

std::error_code PosixOutputFiles::rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : lastError();
}

std::error_code PosixOutputFiles::remove(const std::string& path) {
    return unlink(path.c_str()) == 0 ? std::error_code() : lastError();
}

unsigned PosixOutputFiles::newFileMode() {
    // umask can only be read by setting it; it is set straight back.
    const mode_t mask = umask(0);
    umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

} // namespace dorvantile
