// Writing a catalogue file: buffered, and replacing the old file only once the new one is
// complete.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace dorvantile {

/// A catalogue that could not be written. The message names the file and the system's reason.
class CatalogueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An output file being written. `replacing` writes to a temporary file whose name begins
/// with "." beside the target, and `commit` renames it over the target; when the file is
/// dropped without a commit, the temporary file is removed and the old target stays as it
/// was. A target that is a link to a file replaces the file and keeps the link; a target that
/// is no file at all (a device, a FIFO, /dev/stdout) cannot be replaced and is written to as
/// it is. `standardOutput` writes to file descriptor 1. Every failure throws CatalogueError.
class OutputFile {
public:
    static OutputFile replacing(const std::string& path);
    static OutputFile standardOutput();

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void write(std::string_view bytes) {
        if (buffer_.size() + bytes.size() > capacity)
            flush();
        buffer_.append(bytes);
    }

    /// Writes what is buffered and puts the complete file in place.
    void commit();

private:
    static constexpr std::size_t capacity = 1 << 16;

    OutputFile(int fd, bool ownsFd, std::string path);
    void flush();
    void replaceTarget();
    [[noreturn]] void fail(int error) const;

    int fd_ = -1;
    bool ownsFd_ = false;   // false for standard output, which stays open
    std::string path_;      // the file as the user named it; "-" for standard output
    std::string target_;    // what the temporary file replaces; empty when written in place
    std::string temporary_; // empty when written in place
    std::string buffer_;
};

} // namespace dorvantile
