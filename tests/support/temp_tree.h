// A folder tree on the real file system, made by a test and removed after it.
#pragma once

#include <string>
#include <string_view>

namespace dorvantile::testing {

class TempTree {
public:
    TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    ~TempTree();

    /// The tree's root: an absolute path without a trailing "/".
    const std::string& root() const { return root_; }
    /// `root()` + "/" + `relative`.
    std::string path(std::string_view relative) const;

    /// Makes a folder (and the folders above it) below the root.
    void folder(std::string_view relative) const;
    /// Makes a file with `content` (and the folders above it) below the root.
    void file(std::string_view relative, std::string_view content = {}) const;
    /// Makes a symbolic link `relative` pointing at `target`.
    void link(std::string_view relative, std::string_view target) const;

private:
    std::string root_;
};

/// The whole content of a file, or an empty string when it cannot be read.
std::string readFile(const std::string& path);

} // namespace dorvantile::testing
