#include "run/list_sub_dirs.h"

#include "platform/attributes.h"
#include "platform/directory_entries.h"

#include <memory>
#include <vector>

namespace dorvantile {
namespace {

class Collector {
public:
    Collector(FileSystem& fileSystem, FolderList& list1, RunFeedback& feedback)
        : fileSystem_(fileSystem), list1_(list1), feedback_(feedback), heartbeat_(feedback) {}

    // `path` ends in "/" and is restored before returning.
    std::error_code collect(std::string& path, std::size_t depth) {
        // A folder's entries are read whole before any sub-folder is visited; each depth
        // keeps its own buffer, reused by every folder at that depth.
        if (levels_.size() <= depth)
            levels_.push_back(std::make_unique<DirectoryEntries>());
        DirectoryEntries& entries = *levels_[depth];
        if (std::error_code error = entries.read(fileSystem_, path)) {
            if (depth > 0)
                feedback_.cannotRead(path.substr(0, path.size() - 1), error);
            return error;
        }
        const std::size_t length = path.size();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            heartbeat_.step(progress_);
            if (!isSubFolder(entries.attributes(i)))
                continue;
            path.append(entries.name(i));
            list1_.add(path);
            ++progress_.folders;
            path.push_back('/');
            [[maybe_unused]] const std::error_code reported = collect(path, depth + 1);
            path.resize(length);
        }
        return {};
    }

private:
    FileSystem& fileSystem_;
    FolderList& list1_;
    RunFeedback& feedback_;
    Heartbeat heartbeat_;
    Progress progress_;
    std::vector<std::unique_ptr<DirectoryEntries>> levels_;
};

} // namespace

std::error_code ListSubDirs(FileSystem& fileSystem, FolderList& list1, const std::string& folder,
                            RunFeedback& feedback) {
    std::string path = folder;
    return Collector(fileSystem, list1, feedback).collect(path, 0);
}

} // namespace dorvantile
