#include "support/golden.h"

#include "support/temp_tree.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace dorvantile::testing {

std::string compareWithGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(DORVANTILE_GOLDEN_DIR) + "/" + name;
    if (const char* update = std::getenv("DORVANTILE_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(path, std::ios::binary) << actual;
        return {};
    }
    const std::string expected = readFile(path);
    if (expected == actual)
        return {};
    const std::size_t at =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first -
        expected.begin();
    return name + " differs at byte " + std::to_string(at) + ": expected \"" +
           expected.substr(at, 40) + "\", got \"" + actual.substr(at, 40) + "\"";
}

} // namespace dorvantile::testing
