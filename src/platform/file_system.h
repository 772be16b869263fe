// The file system as the folder collection and the file listing read it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace dorvantile {

/// Takes the entries of a folder one at a time, as the file system yields them.
class EntrySink {
public:
    EntrySink() = default;
    EntrySink(const EntrySink&) = delete;
    EntrySink& operator=(const EntrySink&) = delete;
    virtual ~EntrySink() = default;

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
