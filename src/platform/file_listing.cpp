#include "platform/file_listing.h"

#include "platform/attributes.h"

#include <utility>

namespace dorvantile {

std::error_code FileListing::assign(const std::string& folder) {
    if (std::error_code error = incoming_.read(fileSystem_, folder))
        return error;
    std::swap(entries_, incoming_);
    folder_ = folder;
    listed_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (isListedFile(entries_.attributes(i)))
            listed_.push_back(static_cast<std::uint32_t>(i));
    }
    return {};
}

} // namespace dorvantile
