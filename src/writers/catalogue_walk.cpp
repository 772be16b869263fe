#include "writers/catalogue_walk.h"

namespace dorvantile {
namespace {

void listFiles(RunServices& services, CatalogueSections& sections, const std::string& folder,
               Progress& totals, Heartbeat& heartbeat) {
    FileListing& file1 = services.file1;
    if (std::error_code error = file1.assign(folder)) {
        services.feedback.cannotRead(folder, error);
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

Progress WalkCatalogue(RunServices& services, CatalogueSections& sections) {
    Progress totals;
    Heartbeat heartbeat(services.feedback);
    const std::string chosen = services.dir1.path();
    sections.heading(chosen, true);
    listFiles(services, sections, chosen, totals, heartbeat);
    sections.endSection();

    const std::size_t count = services.list1.count();
    for (std::size_t k = 0; k < count; ++k) {
        const std::string& folder = services.list1.at(k);
        sections.heading(folder, false);
        ++totals.folders;
        listFiles(services, sections, folder, totals, heartbeat);
        sections.endSection();
        heartbeat.step(totals);
    }
    return totals;
}

} // namespace dorvantile
