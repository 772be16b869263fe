#include "writers/catalogue_walk.h"

#include "platform/attributes.h"
#include "platform/directory_entries.h"
#include "platform/paths.h"

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

EntryKind kindOf(unsigned attributes, const KnownDetails* details) {
    if ((attributes & Link) == 0)
        return EntryKind::File;
    return details && details->details.dangling ? EntryKind::Dangling : EntryKind::Link;
}

// The tree read as it is written: a folder's entries are read whole, the folder and its
// files given out, then each of its sub-folders walked. Each depth keeps its own buffer,
// reused by every folder at that depth, as the collection does.
class OnePassWalk {
public:
    OnePassWalk(const CatalogueSource& source, CatalogueEntries& out)
        : fileSystem_(source.file1.fileSystem()), feedback_(source.feedback),
          listing_(source.listing), out_(out), heartbeat_(source.feedback) {}

    Progress walk(std::string folder) {
        // Below the chosen folder a path goes on after its "/" ("/" itself has it already).
        below_ = folder.size() + (folder.back() == '/' ? 0 : 1);
        walk(folder, 0);
        return totals_;
    }

private:
    // `folder` is restored before returning.
    void walk(std::string& folder, std::size_t depth) {
        if (levels_.size() <= depth)
            levels_.push_back(std::make_unique<DirectoryEntries>());
        DirectoryEntries& entries = *levels_[depth];
        CatalogueEntry entry;
        entry.folder = folder;
        entry.below = folder.size() > below_ ? entry.folder.substr(below_) : std::string_view();
        if ((entry.unreadable = entries.read(fileSystem_, folder, listing_)))
            feedback_.cannotRead(folder, entry.unreadable); // and `entries` is empty
        if (depth > 0)
            ++totals_.folders;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (isListedFile(entries.attributes(i))) {
                ++entry.files;
                if (listing_.details)
                    entry.bytes += entries.details(i).details.size;
            }
        }
        totals_.bytes += entry.bytes;
        if (listing_.details && !entry.unreadable) {
            entry.details = &entries.folderDetails();
            if (entry.details->error)
                feedback_.cannotRead(folder, entry.details->error);
        }
        out_.entry(entry);
        entry.files = 0, entry.bytes = 0, entry.unreadable = {};
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const unsigned attributes = entries.attributes(i);
            if (!isListedFile(attributes))
                continue;
            entry.name = entries.name(i);
            if (listing_.details) {
                entry.details = &entries.details(i);
                if (entry.details->error)
                    reportDetails(folder, entry.name, entry.details->error);
            }
            entry.kind = kindOf(attributes, entry.details);
            ++totals_.files;
            out_.entry(entry);
            heartbeat_.step(totals_);
        }
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

    void reportDetails(const std::string& folder, std::string_view name, std::error_code error) {
        feedback_.cannotRead(withSeparator(folder).append(name), error);
    }

    FileSystem& fileSystem_;
    RunFeedback& feedback_;
    const ListingOptions& listing_;
    CatalogueEntries& out_;
    Heartbeat heartbeat_;
    Progress totals_;
    std::size_t below_ = 0;
    std::vector<std::unique_ptr<DirectoryEntries>> levels_;
};

// The sections of a page or text file from the entries of the walk in one pass.
class SectionsOfEntries final : public CatalogueEntries {
public:
    explicit SectionsOfEntries(CatalogueSections& sections) : sections_(sections) {}

    /// Ends the last section.
    void finish() {
        if (started_)
            sections_.endSection();
    }

    void entry(const CatalogueEntry& entry) override {
        if (entry.kind != EntryKind::Folder) {
            sections_.file(entry.folder, entry.name);
            return;
        }
        if (started_)
            sections_.endSection();
        sections_.heading(entry.folder, !started_);
        started_ = true;
    }

private:
    CatalogueSections& sections_;
    bool started_ = false;
};

} // namespace

Progress WalkCatalogue(const CatalogueSource& source, CatalogueSections& sections) {
    if (source.reading == TreeReading::OnePass) {
        SectionsOfEntries entries(sections);
        const Progress totals = OnePassWalk(source, entries).walk(source.dir1.path());
        entries.finish();
        return totals;
    }
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

const char* kindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::Folder:
        return "folder";
    case EntryKind::File:
        return "file";
    case EntryKind::Link:
        return "link";
    case EntryKind::Dangling:
        return "dangling";
    }
    return "file";
}

Progress WalkEntries(const CatalogueSource& source, CatalogueEntries& out) {
    return OnePassWalk(source, out).walk(source.dir1.path());
}

} // namespace dorvantile
