// Writing a catalogue file: buffered once, by what it goes to, and replacing the old file only
// once the new one is complete.
#pragma once

#include "platform/output_files.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace dorvantile {

/// A catalogue that could not be written or printed. The message names the file (or the
/// printer) and the system's reason.
class CatalogueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The bytes an `OutputFile` gathers for each write to a file that is `medium`: for a regular
/// file (the temporary file of a catalogue) a MiB, so that a large catalogue takes few system
/// calls; for a pipe or a device 64 KiB, what a pipe holds; for a terminal 4 KiB, what its
/// line discipline holds, so that the output shows while it is made.
constexpr std::size_t outputBufferFor(WritableFile::Medium medium) {
    using enum WritableFile::Medium;
    return std::size_t{1} << (medium == File ? 20 : medium == Terminal ? 12 : 16);
}

/// An output file being written. A file is replaced by one rename of a complete temporary
/// file beside it (whose name begins with "."), so that at every moment the target holds the
/// whole old or the whole new catalogue; the new file keeps the old one's permissions, owner
/// and group, and an old file the user may not write is not replaced. When the file is
/// dropped without a commit, the temporary file goes and the old target stays as it was. A
/// target that is a link replaces the file it leads to (or makes it, for a dangling link) and
/// keeps the link; a target that is no file at all (a device, a FIFO, /dev/stdout) cannot be
/// replaced and is written to as it is. Writes are gathered in one buffer, sized by what the
/// file is (`outputBufferFor`), and handed to the file when it is full. Every failure throws
/// CatalogueError.
class OutputFile {
public:
    /// `path` "-" stands for standard output. `whileWaiting`, when set, is called while the
    /// commit waits for a slow rename.
    static OutputFile open(OutputFiles& files, const std::string& path,
                           std::function<void()> whileWaiting = {});

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void write(std::string_view bytes) {
        if (buffer_.size() + bytes.size() > bufferSize_)
            spill(bytes);
        else
            buffer_.append(bytes);
    }

    /// The file being written: a walk that it lies in leaves it out.
    FileIdentity identity() const { return file_->identity(); }

    /// Writes what is buffered and puts the complete file in place.
    void commit();

private:
    OutputFile(OutputFiles& files, std::string path, std::unique_ptr<WritableFile> file);
    void flush();
    // Empties a full buffer, then writes `bytes` at once where they would fill it again.
    void spill(std::string_view bytes);
    [[noreturn]] void fail(std::error_code error) const;

    OutputFiles* files_;
    std::string path_; // the file as the user named it; "-" for standard output
    std::unique_ptr<WritableFile> file_;
    std::string target_;    // what the temporary file replaces; empty when written in place
    std::string temporary_; // the temporary file's name, once it has one and until it is in place
    std::function<void()> whileWaiting_;
    std::size_t bufferSize_;
    std::string buffer_;
};

} // namespace dorvantile
