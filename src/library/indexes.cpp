#include "library/indexes.h"

#include "platform/output_file.h"

namespace dorvantile {

LibraryIndexes::LibraryIndexes(Library& library, const std::string& libraryPath, OutputFiles& files,
                               UserFolders& folders)
    : library_(library), folder_(libraryPath + "-index"), files_(files), folders_(folders) {}

std::string LibraryIndexes::fileOf(std::int64_t id) const {
    return folder_ + '/' + std::to_string(id);
}

void LibraryIndexes::keepFile(const std::string& path, std::string_view bytes) {
    if (!folders_.exists(folder_)) {
        // A library on a medium that cannot take it searches without kept indexes.
        [[maybe_unused]] const std::error_code ignored = folders_.makeFolder(folder_, false);
    }
    try {
        OutputFile out = OutputFile::open(files_, path);
        out.write(bytes);
        out.commit();
    } catch (const CatalogueError&) {
        // Not kept: made again from the library at the next search.
    }
}

void LibraryIndexes::keep(const StoredCatalogue& catalogue, const IndexBuilder& built) {
    keepFile(fileOf(catalogue.id), built.bytes(catalogue.id, catalogue.stamp));
}

CatalogueIndex LibraryIndexes::load(const StoredCatalogue& catalogue) {
    MappedFile mapped;
    if (!MappedFile::map(fileOf(catalogue.id), mapped)) {
        if (std::optional<CatalogueIndex> index =
                CatalogueIndex::open(std::move(mapped), catalogue.id, catalogue.stamp))
            return std::move(*index);
    }
    IndexBuilder builder;
    writeCatalogue(*library_.entries(catalogue), builder);
    keep(catalogue, builder);
    return CatalogueIndex::inMemory(builder.bytes(catalogue.id, catalogue.stamp));
}

void LibraryIndexes::forget(std::int64_t id) {
    if (folders_.exists(fileOf(id))) {
        // A stale index is never read: its stamp is not its catalogue's.
        [[maybe_unused]] const std::error_code ignored = files_.remove(fileOf(id));
    }
}

SharedNames LibraryIndexes::shared(const std::vector<StoredCatalogue>& all) {
    MappedFile mapped;
    if (!MappedFile::map(folder_ + "/names", mapped)) {
        if (std::optional<SharedNames> names = SharedNames::open(std::move(mapped), all))
            return std::move(*names);
    }
    return SharedNames::inMemory(keepShared(all), all);
}

std::string LibraryIndexes::keepShared(const std::vector<StoredCatalogue>& all) {
    std::vector<CatalogueIndex> loaded;
    for (const StoredCatalogue& catalogue : all)
        loaded.push_back(load(catalogue));
    std::vector<const CatalogueIndex*> indexes;
    for (const CatalogueIndex& index : loaded)
        indexes.push_back(&index);
    std::string bytes = SharedNames::build(all, indexes);
    keepFile(folder_ + "/names", bytes);
    return bytes;
}

} // namespace dorvantile
