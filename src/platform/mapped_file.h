// A file's bytes mapped into memory, read-only: the library's search indexes, scanned in
// place without being read into memory first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace dorvantile {

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    /// Maps the whole of the regular file `path`; an empty file maps to no bytes.
    [[nodiscard]] static std::error_code map(const std::string& path, MappedFile& mapped);

    std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace dorvantile
