#include "writers/catalogue_writers.h"

#include "platform/paths.h"
#include "writers/html_writer.h"
#include "writers/print_writer.h"
#include "writers/text_writer.h"

namespace dorvantile {

OutputPaths OutputPaths::inFolder(const std::string& folder) {
    const std::string base = withSeparator(folder);
    return {base + "Files.html", base + "Files.txt"};
}

void CatalogueWriters::SaveToHtml() { dorvantile::SaveToHtml(services_, paths_.html); }
void CatalogueWriters::SaveToText() { dorvantile::SaveToText(services_, paths_.text); }
void CatalogueWriters::SaveToPrinter() { dorvantile::SaveToPrinter(services_, printer_); }

} // namespace dorvantile
