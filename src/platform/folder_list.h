// `List1`: the folder list of a run, the collected sub-folders in catalogue order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

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
