// The process's surroundings: its environment variables, its own program file, the working
// folder, the mount table, the machine's name and clock, and the programs it starts.
#pragma once

#include "platform/file_system.h"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace dorvantile {

class Environment {
public:
    Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    virtual ~Environment() = default;

    /// The value of an environment variable, or nothing when it is not set.
    virtual std::optional<std::string> variable(const std::string& name) = 0;
    /// The user's home folder in the password database, or nothing when it has none.
    virtual std::optional<std::string> passwordHome() = 0;
    /// The absolute path of the running program, or empty when it cannot be found.
    virtual std::string programPath() = 0;
    /// Whether `path` names an entry (links followed).
    virtual bool exists(const std::string& path) = 0;
    /// Whether the user may make files in `folder`.
    virtual bool mayWriteIn(const std::string& folder) = 0;
    /// Makes one folder; an existing folder is no error.
    [[nodiscard]] virtual std::error_code makeFolder(const std::string& path) = 0;
    [[nodiscard]] virtual std::error_code workingFolder(std::string& folder) = 0;
    /// The text of /proc/self/mountinfo.
    [[nodiscard]] virtual std::error_code mountTable(std::string& text) = 0;
    /// The machine's name, or empty when it has none.
    virtual std::string hostName() = 0;
    /// The time of day on the system's clock.
    virtual FileTime currentTime() = 0;
    /// Starts `command` (a program looked up in PATH, then its arguments) detached, with no
    /// input or output of ours: it is neither waited for nor left behind as a child.
    [[nodiscard]] virtual std::error_code startProgram(const std::vector<std::string>& command) = 0;
};

} // namespace dorvantile
