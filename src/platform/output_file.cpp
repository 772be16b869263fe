#include "platform/output_file.h"

#include <utility>

namespace dorvantile {
namespace {

std::string describe(const std::string& path, std::error_code error) {
    const std::string shown = path == "-" ? std::string("standard output") : path;
    return "cannot write " + shown + ": " + error.message();
}

// The longest name a folder entry may have on the file systems a catalogue goes to.
constexpr std::size_t nameMax = 255;

} // namespace

OutputFile::OutputFile(OutputFiles& files, std::string path, std::unique_ptr<WritableFile> file)
    : files_(&files), path_(std::move(path)), file_(std::move(file)),
      bufferSize_(outputBufferFor(file_->medium())) {
    buffer_.reserve(bufferSize_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : files_(other.files_), path_(std::move(other.path_)), file_(std::move(other.file_)),
      target_(std::move(other.target_)), temporary_(std::exchange(other.temporary_, {})),
      whileWaiting_(std::move(other.whileWaiting_)), bufferSize_(other.bufferSize_),
      buffer_(std::move(other.buffer_)) {}

OutputFile::~OutputFile() {
    file_.reset(); // a temporary file without a name is gone with it
    // An abandoned temporary file goes; should that fail, a hidden file stays behind and the
    // old catalogue is still whole, which is all that matters here.
    if (!temporary_.empty()) {
        [[maybe_unused]] const std::error_code leftBehind = files_->remove(temporary_);
    }
}

OutputFile OutputFile::open(OutputFiles& files, const std::string& path,
                            std::function<void()> whileWaiting) {
    std::unique_ptr<WritableFile> file;
    const auto descriptor = [&](int fd) {
        if (std::error_code error = files.descriptor(fd, file))
            throw CatalogueError(describe(path, error));
        return OutputFile(files, path, std::move(file));
    };
    if (path == "-")
        return descriptor(1);
    const PathTarget existing = files.inspect(path);
    switch (existing.kind) {
    case PathTarget::Kind::Unusable:
        throw CatalogueError(describe(path, existing.error));
    case PathTarget::Kind::Folder:
        throw CatalogueError(describe(path, std::make_error_code(std::errc::is_a_directory)));
    case PathTarget::Kind::Descriptor:
        return descriptor(existing.descriptor);
    case PathTarget::Kind::Other:
        if (std::error_code error = files.openExisting(path, file))
            throw CatalogueError(describe(path, error));
        return OutputFile(files, path, std::move(file));
    case PathTarget::Kind::RegularFile:
        // As where a read-only file cannot be deleted: the user's protection holds.
        if (!existing.writable)
            throw CatalogueError(
                describe(path, std::make_error_code(std::errc::permission_denied)));
        break;
    case PathTarget::Kind::Missing:
        break;
    }
    // ".NAME.XXXXXX" beside the target, NAME cut short where the whole would not fit.
    const std::string& target = existing.resolved;
    const std::size_t slash = target.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string prefix =
        target.substr(0, nameStart) + "." + target.substr(nameStart, nameMax - 8) + ".";
    std::string temporary;
    if (std::error_code error = files.createUnique(prefix, temporary, file))
        throw CatalogueError(describe(path, error));
    OutputFile out(files, path, std::move(file));
    out.target_ = target;
    out.temporary_ = std::move(temporary);
    out.whileWaiting_ = std::move(whileWaiting);
    // A replaced file keeps its owner, group and permissions where the user may set them; a
    // new one gets the permissions of any file the user makes. A file system that keeps no
    // permissions (FAT on a memory stick) refuses: the catalogue is whole all the same.
    if (existing.kind == PathTarget::Kind::RegularFile) {
        [[maybe_unused]] const std::error_code owned =
            out.file_->setOwner(existing.owner, existing.group);
    }
    [[maybe_unused]] const std::error_code kept = out.file_->setPermissions(
        existing.kind == PathTarget::Kind::RegularFile ? existing.mode : files.newFileMode());
    return out;
}

void OutputFile::flush() {
    if (std::error_code error = file_->write(buffer_))
        fail(error);
    buffer_.clear();
}

void OutputFile::spill(std::string_view bytes) {
    flush();
    if (bytes.size() < bufferSize_) {
        buffer_.append(bytes);
        return;
    }
    if (std::error_code error = file_->write(bytes))
        fail(error);
}

void OutputFile::commit() {
    flush();
    if (!target_.empty()) {
        if (std::error_code error = file_->link(temporary_))
            fail(error);
    }
    if (std::error_code closed = file_->close())
        fail(closed);
    // Dropped only once in place: till then it marks the temporary file as this run's.
    const std::unique_ptr<WritableFile> file = std::move(file_);
    if (target_.empty())
        return;
    if (std::error_code error = files_->rename(temporary_, target_, whileWaiting_))
        fail(error);
    temporary_.clear();
}

void OutputFile::fail(std::error_code error) const {
    throw CatalogueError(describe(path_, error));
}

} // namespace dorvantile
