#include "platform/posix_input_files.h"

#include "platform/descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dorvantile {
namespace {

class DescriptorFile final : public ReadableFile {
public:
    DescriptorFile(Descriptor owned, int fd) : owned_(std::move(owned)), fd_(fd) {}

    std::error_code read(char* into, std::size_t size, std::size_t& got) override {
        for (;;) {
            const ssize_t n = ::read(fd_, into, size);
            if (n >= 0) {
                got = static_cast<std::size_t>(n);
                return {};
            }
            if (errno != EINTR)
                return {errno, std::generic_category()};
        }
    }

private:
    Descriptor owned_; // none for standard input, which stays open
    int fd_;
};

} // namespace

std::error_code PosixInputFiles::open(const std::string& path,
                                      std::unique_ptr<ReadableFile>& file) {
    if (path == "-") {
        file = std::make_unique<DescriptorFile>(Descriptor(), STDIN_FILENO);
        return {};
    }
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return {errno, std::generic_category()};
    const int raw = fd.get();
    file = std::make_unique<DescriptorFile>(std::move(fd), raw);
    return {};
}

} // namespace dorvantile
