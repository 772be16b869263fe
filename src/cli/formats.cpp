#include "cli/formats.h"

#include "catalogue/json_catalogue.h"
#include "writers/csv_writer.h"
#include "writers/explorer_writer.h"
#include "writers/html_writer.h"
#include "writers/print_writer.h"
#include "writers/text_writer.h"

namespace dorvantile::cli {
namespace {

template <class Writer> std::unique_ptr<CatalogueSink> toFile(const FormatTarget& target) {
    return std::make_unique<Writer>(*target.file);
}

template <class Writer> std::unique_ptr<CatalogueSink> withRun(const FormatTarget& target) {
    return std::make_unique<Writer>(*target.file, target.run);
}

std::unique_ptr<CatalogueSink> printed(const FormatTarget& target) {
    return std::make_unique<PrintedCatalogue>(*target.printout);
}

constexpr Format table[] = {
    {"html", "Files.html", false, toFile<HtmlCatalogue>},
    {"text", "Files.txt", false, toFile<TextCatalogue>},
    {"print", "", false, printed},
    {"csv", "Files.csv", true, toFile<CsvCatalogue>},
    {"json", "Files.json", true, withRun<JsonCatalogueWriter>},
    {"explorer", "Explorer.html", true, withRun<ExplorerCatalogue>},
};

} // namespace

std::span<const Format> formats() {
    return table;
}

const Format* findFormat(std::string_view name) {
    for (const Format& format : table) {
        if (format.name == name)
            return &format;
    }
    return nullptr;
}

} // namespace dorvantile::cli
