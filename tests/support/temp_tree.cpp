#include "support/temp_tree.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dorvantile::testing {

TempTree::TempTree() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/dorvantile-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    root_ = buffer.data();
}

TempTree::~TempTree() {
    std::error_code ignored;
    // Give back every permission a test took away, so the whole tree can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            chmod(it->path().c_str(), 0755);
    }
    std::filesystem::remove_all(root_, ignored);
}

std::string TempTree::path(std::string_view relative) const {
    return root_ + "/" + std::string(relative);
}

void TempTree::folder(std::string_view relative) const {
    std::filesystem::create_directories(path(relative));
}

void TempTree::file(std::string_view relative, std::string_view content) const {
    const std::filesystem::path target(path(relative));
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
}

void TempTree::link(std::string_view relative, std::string_view target) const {
    const std::filesystem::path at(path(relative));
    std::filesystem::create_directories(at.parent_path());
    if (symlink(std::string(target).c_str(), at.c_str()) != 0)
        throw std::runtime_error("symlink failed");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace dorvantile::testing
