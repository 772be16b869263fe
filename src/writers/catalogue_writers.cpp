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

void CatalogueWriters::SaveToHtml() {
    const WriterServices& s = services_;
    dorvantile::SaveToHtml(s.source, s.animation, s.files, paths_.html, s.shell);
}

void CatalogueWriters::SaveToText() {
    const WriterServices& s = services_;
    dorvantile::SaveToText(s.source, s.animation, s.files, paths_.text, s.messages);
}

void CatalogueWriters::SaveToPrinter() {
    dorvantile::SaveToPrinter(services_.source, services_.animation, services_.printer);
}

} // namespace dorvantile
