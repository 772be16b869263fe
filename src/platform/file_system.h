// The file system as a walk reads it: folders held open, their entries, and the details of
// an entry asked of its open folder.
#pragma once

#include "platform/interface.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace dorvantile {

/// A moment as the file system keeps it: seconds since 1970-01-01 UTC and nanoseconds.
struct FileTime {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

/// A sum of file sizes: 128 bits, so that no count of files can wrap it (three sparse files
/// of 2^63 - 1 bytes already pass 2^64).
__extension__ typedef unsigned __int128 ByteCount;

/// An entry's size in bytes and its modification time: of what a link leads to, or of the
/// link itself when it cannot be followed.
struct EntryDetails {
    std::uint64_t size = 0;
    FileTime modified;
    bool dangling = false; ///< a link that cannot be followed, described by itself
    friend bool operator==(const EntryDetails&, const EntryDetails&) = default;
};

/// Which file an entry is, whatever its names: its file system and its number there.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

/// Takes a file's content a piece at a time, in order.
class ContentSink : public Interface {
public:
    virtual void take(std::string_view piece) = 0;
};

/// Why a file's content was not read, besides the system's reasons.
enum class ContentFault {
    Changed = 1, ///< its size or time changed while it was read
    NotAFile,    ///< it is no regular file (any more): a FIFO, a device, a folder
};
std::error_code make_error_code(ContentFault fault);

/// Takes the entries of a folder one at a time, as the file system yields them.
class EntrySink : public Interface {
public:
    /// One entry; `name.data()` is NUL-terminated, and stays valid only during the call.
    virtual void add(std::string_view name, unsigned attributes) = 0;
};

/// A folder held open: its entries are read, and its entries asked for their details or
/// opened, relative to it, with no second lookup of its path. Names given to it are
/// NUL-terminated (`name.data()[name.size()] == '\0'`).
class OpenFolder : public Interface {
public:
    /// Gives `out` every entry but "." and "..", in no particular order. The bits are those
    /// of `FileSystem::attributes` except `ReadOnly`, which would cost a stat per file and
    /// decides nothing in a walk. An entry that vanishes while it is read is left out. A
    /// folder on which a file system is mounted reports `Directory | Link`, as of the last
    /// `FileSystem::refresh`. Returns the system's reason when the entries cannot be read,
    /// also when the read fails part-way: an error is never the end of a folder's entries.
    [[nodiscard]] virtual std::error_code read(EntrySink& out) = 0;

    /// The folder's own size and time.
    [[nodiscard]] virtual std::error_code details(EntryDetails& out) = 0;

    /// The details of the entry `name` with `attributes` (as `read` gave them): a link gives
    /// its target's, or its own (`dangling`) when it cannot be followed. An entry that
    /// vanished since it was read gives `no_such_file_or_directory`.
    [[nodiscard]] virtual std::error_code entryDetails(std::string_view name, unsigned attributes,
                                                       EntryDetails& out) = 0;

    /// Opens the sub-folder `name`. A link is never followed (whatever the entry was when it
    /// was read: a folder swapped for a link since is refused), nor a file system mounted
    /// there since the folder was read (`cross_device_link`), so a walk stays in its tree and
    /// on its file system.
    [[nodiscard]] virtual std::error_code openFolder(std::string_view name,
                                                     std::unique_ptr<OpenFolder>& out) = 0;

    /// A second hold on this folder, open after this one is closed: for work on its files
    /// that outlasts a walk's visit.
    [[nodiscard]] virtual std::error_code duplicate(std::unique_ptr<OpenFolder>& out) = 0;

    /// Reads the regular file `name` (what it leads to, when `follow`) from its start to its
    /// end into `out`, in large pieces, and tells the system that the pieces are not wanted
    /// again. `expected` is what the file's details were when the walk read them. A FIFO or a
    /// device is never waited on nor read to its end (`ContentFault::NotAFile`): what is not
    /// a small file in the page cache is looked at before it is read, and one that took a
    /// file's place since the walk gives at most what a read that does not wait finds there.
    /// A file whose size or time is no longer `expected`'s once it is read, having changed
    /// since the walk or while it was read, is `ContentFault::Changed`.
    [[nodiscard]] virtual std::error_code readContent(std::string_view name, bool follow,
                                                      const EntryDetails& expected,
                                                      ContentSink& out) = 0;
};

class FileSystem : public Interface {
public:
    /// Opens the folder at `path`, following the links in it as the user gave it.
    [[nodiscard]] virtual std::error_code openFolder(const std::string& path,
                                                     std::unique_ptr<OpenFolder>& out) = 0;

    /// Reads again what may change between runs: where file systems are mounted, known also
    /// by the paths beneath `root` (the folder a run reads) when `root` is reached through
    /// a link.
    virtual void refresh(const std::string& root) { static_cast<void>(root); }

    /// Leaves `file` out of every folder read from now on, with any left out before: a run's
    /// own temporary file, made with a name inside the tree it reads on a file system without
    /// anonymous files, and the catalogue it replaces.
    virtual void leaveOut(const FileIdentity& file) { static_cast<void>(file); }

    /// All attribute bits of the entry at `path`, or nothing when the path does not resolve.
    virtual std::optional<unsigned> attributes(const std::string& path) = 0;
};

} // namespace dorvantile

template <> struct std::is_error_code_enum<dorvantile::ContentFault> : std::true_type {};
