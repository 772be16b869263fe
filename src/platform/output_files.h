// The file system as a catalogue is written to it: files made, written, renamed, removed.
#pragma once

#include "platform/file_system.h"
#include "platform/interface.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace dorvantile {

/// One file open for writing. Dropping an open file closes it without a word: the file is
/// abandoned, and a file that has no name yet is gone with it.
class WritableFile : public Interface {
public:
    /// What an open file is.
    enum class Medium {
        File,     ///< a regular file
        Stream,   ///< a pipe, a socket, a device: read as it comes
        Terminal, ///< read by someone as it comes
    };

    /// What this file is, which decides how much is gathered for each write.
    virtual Medium medium() = 0;
    /// Which file it is, so that a walk of the tree it lies in can leave it out.
    virtual FileIdentity identity() = 0;
    /// Writes all of `bytes`, or returns the reason it could not.
    [[nodiscard]] virtual std::error_code write(std::string_view bytes) = 0;
    /// Sets the file's permission bits.
    [[nodiscard]] virtual std::error_code setPermissions(unsigned mode) = 0;
    /// Gives the file an owner and a group.
    [[nodiscard]] virtual std::error_code setOwner(unsigned owner, unsigned group) = 0;
    /// Gives a file made without a name (see `OutputFiles::createUnique`) its unique name and
    /// sets `name` to it; a file that has a name keeps it.
    [[nodiscard]] virtual std::error_code link(std::string& name) = 0;
    /// Closes the file; an error here may be a write that failed late.
    [[nodiscard]] virtual std::error_code close() = 0;
};

/// What a path names before it is written to, every link followed.
struct PathTarget {
    enum class Kind {
        Missing,     ///< nothing yet: the catalogue is made at `resolved`
        RegularFile, ///< a file, replaced by the catalogue
        Folder,
        Other,      ///< a device, a FIFO, a socket: written to as it is
        Descriptor, ///< one of the process's own open files (/dev/stdout, /dev/fd/N)
        Unusable,   ///< cannot be written: `error` says why (a loop of links, ...)
    };
    Kind kind = Kind::Missing;
    /// For a missing or regular file: the file with every link resolved, as the kernel
    /// resolves it (a dangling link's target).
    std::string resolved;
    unsigned mode = 0, owner = 0, group = 0; ///< an existing regular file's
    /// That file, where it has no other name: none where another name would keep it.
    FileIdentity file;
    bool writable = true;  ///< whether the user may write that file
    int descriptor = -1;   ///< for `Descriptor`
    std::error_code error; ///< for `Unusable`

    static PathTarget of(Kind kind, std::string resolved = {}) {
        PathTarget target;
        target.kind = kind;
        target.resolved = std::move(resolved);
        return target;
    }
    static PathTarget unusable(std::error_code error) {
        PathTarget target = of(Kind::Unusable);
        target.error = error;
        return target;
    }
};

class OutputFiles : public Interface {
public:
    virtual PathTarget inspect(const std::string& path) = 0;
    /// Makes a new empty file, private to its owner, in the folder of `prefix`, whose name
    /// will be `prefix` followed by a few characters that make it unique. Where the file
    /// system allows, the file has no name until `WritableFile::link` (so that nothing is
    /// left behind, whatever ends the program): then `name` is empty; else it is set to
    /// the file's name.
    [[nodiscard]] virtual std::error_code createUnique(const std::string& prefix, std::string& name,
                                                       std::unique_ptr<WritableFile>& file) = 0;
    /// Makes the regular file `path`, private to its owner, open for writing at its end and
    /// held (locked) by this process till it is closed: `file_exists` where there is one.
    [[nodiscard]] virtual std::error_code createHeld(const std::string& path,
                                                     std::unique_ptr<WritableFile>& file) = 0;
    /// Opens an existing file (a device, a FIFO) for writing as it is.
    [[nodiscard]] virtual std::error_code openExisting(const std::string& path,
                                                       std::unique_ptr<WritableFile>& file) = 0;
    /// The process's open file `descriptor` (1 for standard output), written where and as
    /// it was opened (appending, when it appends) and left open after `close`. A standard
    /// descriptor that was closed when the program started is refused (`bad_file_descriptor`).
    [[nodiscard]] virtual std::error_code descriptor(int descriptor,
                                                     std::unique_ptr<WritableFile>& file) = 0;
    /// Renames `from` over `to` in one step. Where renaming may take long, `whileWaiting`
    /// (when set) is called every few milliseconds until it is done.
    [[nodiscard]] virtual std::error_code rename(const std::string& from, const std::string& to,
                                                 const std::function<void()>& whileWaiting) = 0;
    [[nodiscard]] virtual std::error_code remove(const std::string& path) = 0;
    /// Removes the user's own regular file `path` unless a process holds it open from
    /// `createHeld` (`device_or_resource_busy` then).
    [[nodiscard]] virtual std::error_code removeUnheld(const std::string& path) = 0;
    /// The permission bits of a file that the user makes: 0666 without the umask's bits.
    virtual unsigned newFileMode() = 0;
};

} // namespace dorvantile
