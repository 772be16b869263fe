#include "writers/catalogue_walk.h"

#include "platform/attributes.h"
#include "platform/directory_entries.h"

#include <memory>
#include <vector>

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

// The tree read as it is written: a folder's entries are read whole, its section written,
// then each of its sub-folders walked. Each depth keeps its own buffer, reused by every
// folder at that depth, as the collection does.
class OnePassWalk {
public:
    OnePassWalk(const CatalogueSource& source, CatalogueSections& sections)
        : fileSystem_(source.file1.fileSystem()), feedback_(source.feedback), sections_(sections),
          heartbeat_(source.feedback) {}

    Progress walk(std::string folder) {
        walk(folder, 0);
        return totals_;
    }

private:
    // `folder` is restored before returning.
    void walk(std::string& folder, std::size_t depth) {
        if (levels_.size() <= depth)
            levels_.push_back(std::make_unique<DirectoryEntries>());
        DirectoryEntries& entries = *levels_[depth];
        sections_.heading(folder, depth == 0);
        if (depth > 0)
            ++totals_.folders;
        if (std::error_code error = entries.read(fileSystem_, folder))
            feedback_.cannotRead(folder, error); // and `entries` is empty
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!isListedFile(entries.attributes(i)))
                continue;
            ++totals_.files;
            sections_.file(folder, entries.name(i));
            heartbeat_.step(totals_);
        }
        sections_.endSection();
        heartbeat_.step(totals_);

        const std::size_t length = folder.size();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!isSubFolder(entries.attributes(i)))
                continue;
            if (folder.back() != '/')
                folder.push_back('/');
            folder.append(entries.name(i));
            walk(folder, depth + 1);
            folder.resize(length);
        }
    }

    FileSystem& fileSystem_;
    RunFeedback& feedback_;
    CatalogueSections& sections_;
    Heartbeat heartbeat_;
    Progress totals_;
    std::vector<std::unique_ptr<DirectoryEntries>> levels_;
};

} // namespace

Progress WalkCatalogue(const CatalogueSource& source, CatalogueSections& sections) {
    if (source.reading == TreeReading::OnePass)
        return OnePassWalk(source, sections).walk(source.dir1.path());
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
