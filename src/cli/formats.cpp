#include "cli/formats.h"

namespace dorvantile::cli {
namespace {

constexpr Format table[] = {
    {"html", "Files.html", false, false, htmlCatalogue},
    {"text", "Files.txt", false, false, textCatalogue},
    {"print", "", false, false, printedCatalogue},
    {"csv", "Files.csv", true, false, csvCatalogue},
    {"json", "Files.json", true, false, jsonCatalogue},
    {"explorer", "Explorer.html", true, false, explorerCatalogue},
    {"sha256sum", "Files.sha256", true, true, sha256sumCatalogue},
};

} // namespace

const Format* findFormat(std::string_view name) {
    for (const Format& format : table) {
        if (format.name == name)
            return &format;
    }
    return nullptr;
}

} // namespace dorvantile::cli
