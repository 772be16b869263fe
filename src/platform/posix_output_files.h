// The output side of this machine's file system.
#pragma once

#include "platform/output_files.h"

namespace dorvantile {

class PosixOutputFiles final : public OutputFiles {
public:
    PathTarget inspect(const std::string& path) override;
    std::error_code createUnique(const std::string& prefix, std::string& name,
                                 std::unique_ptr<WritableFile>& file) override;
    std::error_code createHeld(const std::string& path,
                               std::unique_ptr<WritableFile>& file) override;
    std::error_code openExisting(const std::string& path,
                                 std::unique_ptr<WritableFile>& file) override;
    std::error_code descriptor(int descriptor, std::unique_ptr<WritableFile>& file) override;
    std::error_code rename(const std::string& from, const std::string& to,
                           const std::function<void()>& whileWaiting) override;
    std::error_code remove(const std::string& path) override;
    std::error_code removeUnheld(const std::string& path) override;
    unsigned newFileMode() override;
};

} // namespace dorvantile
