// The process's surroundings, one narrow interface per capability: its own context, the
// user's folders, the mount table, the machine, and the programs it starts.
#pragma once

#include "platform/file_system.h"
#include "platform/interface.h"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace dorvantile {

/// What the process was started with: its environment variables, the user's home in the
/// password database, its own program file and its working folder.
class ProcessContext : public Interface {
public:
    /// The value of an environment variable, or nothing when it is not set.
    virtual std::optional<std::string> variable(const std::string& name) = 0;
    /// The user's home folder in the password database, or nothing when it has none.
    virtual std::optional<std::string> passwordHome() = 0;
    /// The absolute path of the running program, or empty when it cannot be found.
    virtual std::string programPath() = 0;
    [[nodiscard]] virtual std::error_code workingFolder(std::string& folder) = 0;
};

/// The folders where the program finds its marker and makes its app folder.
class UserFolders : public Interface {
public:
    /// Whether `path` names an entry (links followed).
    virtual bool exists(const std::string& path) = 0;
    /// Whether the user may make files in `folder`.
    virtual bool mayWriteIn(const std::string& folder) = 0;
    /// Makes one folder, for its owner alone where `ownerOnly` (else as the umask has it); an
    /// existing folder is no error, and left as it is.
    [[nodiscard]] virtual std::error_code makeFolder(const std::string& path, bool ownerOnly) = 0;
};

/// The process's mount table, read again at each call: disks come and go while it runs.
class MountTable : public Interface {
public:
    /// The text of /proc/self/mountinfo (see `parseMountInfo`).
    [[nodiscard]] virtual std::error_code read(std::string& text) = 0;
};

/// The machine a catalogue is made on, as the data formats describe the run.
class Machine : public Interface {
public:
    /// The machine's name, or empty when it has none.
    virtual std::string hostName() = 0;
    /// The time of day on the system's clock.
    virtual FileTime currentTime() = 0;
    /// The processors this process may run on (at least 1).
    virtual unsigned processors() = 0;
};

/// The names the system gives its file systems, by which a disk is known when it comes back.
class Volumes : public Interface {
public:
    /// The UUID and the label of the file system that holds `path`; each empty where the
    /// system gives it none.
    virtual void namesOf(const std::string& path, std::string& uuid, std::string& label) = 0;
    /// Whether the file system of UUID `uuid` is mounted now.
    virtual bool mounted(const std::string& uuid) = 0;
};

/// Other programs, started and left to run.
class ProgramStarter : public Interface {
public:
    /// Starts `command` (a program looked up in PATH, then its arguments) detached, with no
    /// input or output of ours: it is neither waited for nor left behind as a child.
    [[nodiscard]] virtual std::error_code startProgram(const std::vector<std::string>& command) = 0;
};

} // namespace dorvantile
