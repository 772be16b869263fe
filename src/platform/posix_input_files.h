// Files of this machine opened for reading.
#pragma once

#include "platform/input_files.h"

namespace dorvantile {

class PosixInputFiles final : public InputFiles {
public:
    std::error_code open(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
};

} // namespace dorvantile
