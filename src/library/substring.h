// Where a text first holds a piece of text: the scan of a search over many megabytes of names.
#pragma once

#include <cstddef>
#include <string_view>

namespace dorvantile {

/// The first place in `text` that holds `piece` (not empty), or npos. Sixteen or thirty-two
/// places are tried at once: a piece's first and last bytes are compared with vector
/// instructions, and only where both stand are the bytes between compared.
std::size_t findPiece(std::string_view text, std::string_view piece);

} // namespace dorvantile
