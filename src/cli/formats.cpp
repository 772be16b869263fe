#include "cli/formats.h"

namespace dorvantile::cli {
namespace {

constexpr Format table[] = {
    {"html", "Files.html", false, htmlCatalogue},
    {"text", "Files.txt", false, textCatalogue},
    {"print", "", false, printedCatalogue},
    {"csv", "Files.csv", true, csvCatalogue},
    {"json", "Files.json", true, jsonCatalogue},
    {"explorer", "Explorer.html", true, explorerCatalogue},
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
