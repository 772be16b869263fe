#include "platform/mapped_file.h"

#include "platform/descriptor.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <utility>

namespace dorvantile {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        this->~MappedFile();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (data_)
        ::munmap(data_, size_);
}

std::error_code MappedFile::map(const std::string& path, MappedFile& mapped) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.valid())
        return {errno, std::generic_category()};
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return {errno, std::generic_category()};
    if (!S_ISREG(status.st_mode))
        return std::make_error_code(std::errc::invalid_argument);
    MappedFile made;
    made.size_ = static_cast<std::size_t>(status.st_size);
    if (made.size_ > 0) {
        void* data = ::mmap(nullptr, made.size_, PROT_READ, MAP_SHARED, file.get(), 0);
        if (data == MAP_FAILED)
            return {errno, std::generic_category()};
        made.data_ = data;
    }
    mapped = std::move(made);
    return {};
}

} // namespace dorvantile
