// Golden files: expected outputs kept in tests/golden, rewritten from the actual output
// when DORVANTILE_UPDATE_GOLDEN=1 is set.
#pragma once

#include <string>

namespace dorvantile::testing {

/// Compares `actual` with the golden file `name`; returns an empty string when they are
/// the same, else a description of the first difference.
std::string compareWithGolden(const std::string& name, const std::string& actual);

} // namespace dorvantile::testing
