#include "writers/catalogue_walk.h"

namespace dorvantile {
namespace {

void listFiles(const CatalogueSource& source, CatalogueSections& sections,
               const std::string& folder, Progress& totals, Heartbeat& heartbeat) {
    FileListing& file1 = source.file1;
    if (std::error_code error = file1.assign(folder)) {
        source.feedback.cannotRead(folder, error);
        return;
    }
    const std::size_t count = file1.count();
    for (std::size_t i = 0; i < count; ++i) {
        ++totals.files;
        sections.file(folder, file1.at(i));
        heartbeat.step(totals);
    }
}

} // namespace

Progress WalkCatalogue(const CatalogueSource& source, CatalogueSections& sections) {
    Progress totals;
    Heartbeat heartbeat(source.feedback);
    const std::string chosen = source.dir1.path();
    sections.heading(chosen, true);
    listFiles(source, sections, chosen, totals, heartbeat);
    sections.endSection();

    const std::size_t count = source.list1.count();
    for (std::size_t k = 0; k < count; ++k) {
        const std::string& folder = source.list1.at(k);
        sections.heading(folder, false);
        ++totals.folders;
        listFiles(source, sections, folder, totals, heartbeat);
        sections.endSection();
        heartbeat.step(totals);
    }
    return totals;
}

} // namespace dorvantile
