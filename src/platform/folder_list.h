// `List1`: the folder list of a run, the collected sub-folders in catalogue order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

/// How a run reads the tree. The window collects every folder into `List1` first, while its
/// bar sweeps, and then lists each folder's files as it writes; the command line, which has
/// no sweep to show, reads each folder once, writing its section as it goes.
enum class TreeReading { CollectFirst, OnePass };

class FolderList {
public:
    void clear() { paths_.clear(); }
    void add(std::string_view path) { paths_.emplace_back(path); }
    std::size_t count() const { return paths_.size(); }
    const std::string& at(std::size_t position) const { return paths_[position]; }

private:
    std::vector<std::string> paths_;
};

} // namespace dorvantile
