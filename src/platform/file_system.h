// The file system as the folder collection and the file listing read it.
#pragma once

#include <cstdint>
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

/// An entry's size in bytes and its modification time: of what a link leads to, or of the
/// link itself when it cannot be followed.
struct EntryDetails {
    std::uint64_t size = 0;
    FileTime modified;
    bool dangling = false; ///< a link that cannot be followed, described by itself
    friend bool operator==(const EntryDetails&, const EntryDetails&) = default;
};

/// The details of the folder being enumerated and of its entries, asked of the open folder
/// (one stat of a name in it, no lookup of a full path). Valid only during `enumerate`.
class FolderDetails {
public:
    FolderDetails() = default;
    FolderDetails(const FolderDetails&) = delete;
    FolderDetails& operator=(const FolderDetails&) = delete;
    virtual ~FolderDetails() = default;

    /// The folder's own details.
    [[nodiscard]] virtual std::error_code folder(EntryDetails& out) = 0;
    /// The details of the entry `name` (as `EntrySink::add` has it) with `attributes`: a
    /// link gives its target's, or its own (`dangling`) when it cannot be followed. An entry
    /// that vanished since it was read gives `no_such_file_or_directory`.
    [[nodiscard]] virtual std::error_code entry(std::string_view name, unsigned attributes,
                                                EntryDetails& out) = 0;
};

/// Takes the entries of a folder one at a time, as the file system yields them.
class EntrySink {
public:
    EntrySink() = default;
    EntrySink(const EntrySink&) = delete;
    EntrySink& operator=(const EntrySink&) = delete;
    virtual ~EntrySink() = default;

    /// Called once the folder is open, before its first entry; `details` may be asked for
    /// the folder and for each entry added until `enumerate` returns.
    virtual void begin(FolderDetails& details) { static_cast<void>(details); }
    /// One entry; `name.data()` is NUL-terminated, and stays valid only during the call.
    virtual void add(std::string_view name, unsigned attributes) = 0;
};

class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual ~FileSystem() = default;

    /// Gives `out` every entry of `folder` but "." and "..", in no particular order. The bits
    /// are those of `attributes` except `ReadOnly`, which would cost a stat per file and
    /// decides nothing in a walk. An entry that vanishes while it is read is left out.
    /// A folder on which a file system is mounted reports `Directory | Link`, as of the last
    /// `refresh`. Returns the system's reason when the folder cannot be read, also when the
    /// read fails part-way: an error is never the end of a folder's entries.
    [[nodiscard]] virtual std::error_code enumerate(const std::string& folder, EntrySink& out) = 0;

    /// Reads again what may change between runs: where file systems are mounted, known also
    /// by the paths beneath `root` (the folder a run reads) when `root` is reached through
    /// a link.
    virtual void refresh(const std::string& root) { static_cast<void>(root); }

    /// All attribute bits of the entry at `path`, or nothing when the path does not resolve.
    virtual std::optional<unsigned> attributes(const std::string& path) = 0;
};

} // namespace dorvantile
