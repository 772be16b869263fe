// The file system of this machine, read through POSIX directory calls.
#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"

#include <array>
#include <string>
#include <unordered_set>

namespace dorvantile {

/// The bits of the entry `name` of the open folder `dirFd` without `ReadOnly`, from the type
/// that the directory read gave (a `DT_` value): a stat only for links and for `DT_UNKNOWN`,
/// which some file systems give for every entry. Nothing when the entry has vanished.
std::optional<unsigned> entryBits(int dirFd, const char* name, unsigned char type);

/// Reads folders with getdents64 into a large buffer. The entry type that it returns answers
/// the attribute question for almost every entry; a stat is made only for links and for
/// file systems that do not report types. A sub-folder is opened relative to its open
/// parent, never through a link and never onto another file system.
class PosixFileSystem final : public FileSystem {
public:
    /// Reads the mount points of `mountTable`, and again at each `refresh`.
    explicit PosixFileSystem(MountTable& mountTable) : mountTable_(mountTable) { refresh("/"); }
    /// Reads the mount points of the process's own mount table.
    PosixFileSystem();

    std::error_code openFolder(const std::string& folder,
                               std::unique_ptr<OpenFolder>& out) override;
    void refresh(const std::string& root) override;
    void leaveOut(const FileIdentity& file) override {
        if (file.inode != 0)
            (leftOut_[0].inode == 0 ? leftOut_[0] : leftOut_[1]) = file;
    }
    std::optional<unsigned> attributes(const std::string& path) override;

private:
    friend class PosixOpenFolder;
    void addMountPoint(const std::string& point);

    MountTable& mountTable_;
    std::unordered_set<std::string> mountPoints_;
    std::unordered_set<std::string> mountParents_; // the folders that hold a mount point
    std::array<FileIdentity, 2> leftOut_;          // the first two asked for
};

} // namespace dorvantile
