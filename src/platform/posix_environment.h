// The surroundings of a process on this machine.
#pragma once

#include "platform/environment.h"

namespace dorvantile {

/// The process's context, the user's folders, the machine and the programs it starts.
class PosixEnvironment final : public ProcessContext,
                               public UserFolders,
                               public Machine,
                               public ProgramStarter {
public:
    std::optional<std::string> variable(const std::string& name) override;
    std::optional<std::string> passwordHome() override;
    std::string programPath() override;
    std::error_code workingFolder(std::string& folder) override;
    bool exists(const std::string& path) override;
    bool mayWriteIn(const std::string& folder) override;
    std::error_code makeFolder(const std::string& path, bool ownerOnly) override;
    std::string hostName() override;
    FileTime currentTime() override;
    unsigned processors() override;
    std::error_code startProgram(const std::vector<std::string>& command) override;
};

/// /proc/self/mountinfo.
class PosixMountTable final : public MountTable {
public:
    std::error_code read(std::string& text) override;
};

/// The file systems' UUIDs and labels as udev links them in /dev/disk/by-uuid and
/// /dev/disk/by-label, matched by device number.
class PosixVolumes final : public Volumes {
public:
    void namesOf(const std::string& path, std::string& uuid, std::string& label) override;
    bool mounted(const std::string& uuid) override;
};

/// The one `PosixMountTable` of the process, for those not given a table of their own.
MountTable& processMountTable();

} // namespace dorvantile
