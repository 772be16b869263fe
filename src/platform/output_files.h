// The file system as a catalogue is written to it: files made, written, renamed, removed.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace dorvantile {

/// One file open for writing.
class WritableFile {
public:
    WritableFile() = default;
    WritableFile(const WritableFile&) = delete;
    WritableFile& operator=(const WritableFile&) = delete;
    /// Dropping an open file closes it without a word: the file is abandoned.
    virtual ~WritableFile() = default;

    /// Writes all of `bytes`, or returns the reason it could not.
    [[nodiscard]] virtual std::error_code write(std::string_view bytes) = 0;
    /// Sets the file's permission bits.
    [[nodiscard]] virtual std::error_code setPermissions(unsigned mode) = 0;
    /// Closes the file; an error here may be a write that failed late.
    [[nodiscard]] virtual std::error_code close() = 0;
};

/// What a path names before it is written to.
struct PathTarget {
    enum class Kind { Missing, RegularFile, Folder, Other };
    Kind kind = Kind::Missing;
    /// The path with every link resolved, for an existing regular file.
    std::string resolved;
};

class OutputFiles {
public:
    OutputFiles() = default;
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    virtual ~OutputFiles() = default;

    /// What `path` names, following links.
    virtual PathTarget inspect(const std::string& path) = 0;
    /// Makes a new empty file, private to its owner, whose name is `prefix` followed by a
    /// few characters that make it unique; sets `name` to it.
    [[nodiscard]] virtual std::error_code createUnique(const std::string& prefix, std::string& name,
                                                       std::unique_ptr<WritableFile>& file) = 0;
    /// Opens an existing file (a device, a FIFO) for writing as it is.
    [[nodiscard]] virtual std::error_code openExisting(const std::string& path,
                                                       std::unique_ptr<WritableFile>& file) = 0;
    /// The process's standard output, which stays open after `close`.
    virtual std::unique_ptr<WritableFile> standardOutput() = 0;
    [[nodiscard]] virtual std::error_code rename(const std::string& from,
                                                 const std::string& to) = 0;
    [[nodiscard]] virtual std::error_code remove(const std::string& path) = 0;
    /// The permission bits of a file that the user makes: 0666 without the umask's bits.
    virtual unsigned newFileMode() = 0;
};

} // namespace dorvantile
