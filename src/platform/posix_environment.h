// The surroundings of a process on this machine.
#pragma once

#include "platform/environment.h"

namespace dorvantile {

class PosixEnvironment final : public Environment {
public:
    std::optional<std::string> variable(const std::string& name) override;
    std::optional<std::string> passwordHome() override;
    std::string programPath() override;
    bool exists(const std::string& path) override;
    bool mayWriteIn(const std::string& folder) override;
    std::error_code makeFolder(const std::string& path) override;
    std::error_code workingFolder(std::string& folder) override;
    std::error_code mountTable(std::string& text) override;
    std::string hostName() override;
    FileTime currentTime() override;
    std::error_code startProgram(const std::vector<std::string>& command) override;
};

} // namespace dorvantile
