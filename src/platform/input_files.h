// Files read from start to end: the catalogues that the command line compares.
#pragma once

#include "platform/interface.h"

#include <cstddef>
#include <memory>
#include <string>
#include <system_error>

namespace dorvantile {

/// One file open for reading.
class ReadableFile : public Interface {
public:
    /// Reads up to `size` bytes into `into` and sets `got` to their number, 0 at the end.
    [[nodiscard]] virtual std::error_code read(char* into, std::size_t size, std::size_t& got) = 0;
};

class InputFiles : public Interface {
public:
    /// Opens `path` for reading; "-" is standard input.
    [[nodiscard]] virtual std::error_code open(const std::string& path,
                                               std::unique_ptr<ReadableFile>& file) = 0;
};

} // namespace dorvantile
