#include "platform/output_file.h"

#include <utility>

namespace dorvantile {
namespace {

std::string describe(const std::string& path, std::error_code error) {
    const std::string shown = path == "-" ? std::string("standard output") : path;
    return "cannot write " + shown + ": " + error.message();
}

} // namespace

OutputFile::OutputFile(OutputFiles& files, std::string path, std::unique_ptr<WritableFile> file)
    : files_(&files), path_(std::move(path)), file_(std::move(file)) {
    buffer_.reserve(capacity);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : files_(other.files_), path_(std::move(other.path_)), file_(std::move(other.file_)),
      target_(std::move(other.target_)), temporary_(std::exchange(other.temporary_, {})),
      buffer_(std::move(other.buffer_)) {}

OutputFile::~OutputFile() {
    file_.reset();
    // An abandoned temporary file goes; should that fail, a hidden file stays behind and the
    // old catalogue is still whole, which is all that matters here.
    if (!temporary_.empty()) {
        [[maybe_unused]] const std::error_code leftBehind = files_->remove(temporary_);
    }
}

OutputFile OutputFile::open(OutputFiles& files, const std::string& path) {
    if (path == "-")
        return OutputFile(files, path, files.standardOutput());
    const PathTarget existing = files.inspect(path);
    if (existing.kind == PathTarget::Kind::Folder)
        throw CatalogueError(describe(path, std::make_error_code(std::errc::is_a_directory)));
    std::unique_ptr<WritableFile> file;
    if (existing.kind == PathTarget::Kind::Other) {
        if (std::error_code error = files.openExisting(path, file))
            throw CatalogueError(describe(path, error));
        return OutputFile(files, path, std::move(file));
    }
    // Through a link, the file it leads to is replaced and the link stays.
    const std::string target =
        existing.kind == PathTarget::Kind::RegularFile ? existing.resolved : path;
    const std::size_t slash = target.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string prefix = target.substr(0, nameStart) + "." + target.substr(nameStart) + ".";
    std::string temporary;
    if (std::error_code error = files.createUnique(prefix, temporary, file))
        throw CatalogueError(describe(path, error));
    OutputFile out(files, path, std::move(file));
    out.target_ = target;
    out.temporary_ = std::move(temporary);
    // A new file is private until given the permissions of any file the user makes. A file
    // system that keeps no permissions (FAT on a memory stick) may refuse: the catalogue is
    // whole all the same.
    [[maybe_unused]] const std::error_code kept = out.file_->setPermissions(files.newFileMode());
    return out;
}

void OutputFile::flush() {
    if (std::error_code error = file_->write(buffer_))
        fail(error);
    buffer_.clear();
}

void OutputFile::commit() {
    flush();
    const std::error_code closed = file_->close();
    file_.reset();
    if (closed)
        fail(closed);
    if (!temporary_.empty())
        replaceTarget();
}

void OutputFile::replaceTarget() {
    // Renaming over a large old file makes ext4 allocate all of the new file's blocks inside
    // the rename (its guard for programs that replace files without fsync), which stalls the
    // caller for a noticeable time. Moving the old file aside first avoids that; it comes
    // back if the new one cannot be put in place.
    const std::string aside = temporary_ + ".old";
    const bool movedAside = files_->inspect(target_).kind == PathTarget::Kind::RegularFile &&
                            !files_->rename(target_, aside);
    if (const std::error_code error = files_->rename(temporary_, target_)) {
        if (movedAside) {
            if (const std::error_code restore = files_->rename(aside, target_))
                throw CatalogueError(describe(path_, error) + "; the old file is now " + aside +
                                     " (" + restore.message() + ")");
        }
        fail(error);
    }
    temporary_.clear();
    if (movedAside) {
        // The new catalogue is in place; an old copy that stays is only a hidden file.
        [[maybe_unused]] const std::error_code leftBehind = files_->remove(aside);
    }
}

void OutputFile::fail(std::error_code error) const {
    throw CatalogueError(describe(path_, error));
}

} // namespace dorvantile
