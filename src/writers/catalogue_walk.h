// The walk that every writer shares: the chosen folder, then each entry of the folder list,
// each with its listed files. It counts and never formats.
#pragma once

#include "platform/controls.h"
#include "platform/directory_entries.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "run/run_feedback.h"

#include <string_view>

namespace dorvantile {

/// What the walk reads: `Dir1`'s folder, the folder list `List1` that the collection made,
/// `File1` to list each folder's files, and the feedback that hears of its progress and of
/// folders that cannot be listed. Read `OnePass`, the walk leaves `List1` and `File1` aside
/// and reads the tree itself through `File1`'s file system.
struct CatalogueSource {
    const ChosenFolder& dir1;
    const FolderList& list1;
    FileListing& file1;
    RunFeedback& feedback;
    TreeReading reading;
    /// Read in one pass: what the listings hold and whether they read details.
    ListingOptions listing = {};
};

/// What an entry of a catalogue is.
enum class EntryKind {
    Folder,
    File,
    Link,     ///< a link to a file, with its target's details
    Dangling, ///< a link that cannot be followed, with its own details
};

/// The name of a kind in the data formats: folder, file, link or dangling.
const char* kindName(EntryKind kind);

/// A folder or one of its listed files, as the walk in one pass reads it.
struct CatalogueEntry {
    EntryKind kind = EntryKind::Folder;
    /// The folder's full path, or that of the file's folder.
    std::string_view folder;
    /// The end of `folder` below the chosen folder: empty for the chosen folder itself.
    std::string_view below;
    /// A file's name as the file system holds it; empty for a folder.
    std::string_view name;
    /// A folder's own details and a file's, when the listing reads them; else nothing.
    const KnownDetails* details = nullptr;
    std::int64_t files = 0;     ///< a folder's listed files
    std::uint64_t bytes = 0;    ///< and their bytes, when the listing reads details
    std::error_code unreadable; ///< why a folder's entries could not be read
};

/// What a data format makes of the walk: one call per folder, then one per listed file of
/// that folder, in catalogue order.
class CatalogueEntries {
public:
    CatalogueEntries() = default;
    CatalogueEntries(const CatalogueEntries&) = delete;
    CatalogueEntries& operator=(const CatalogueEntries&) = delete;
    virtual ~CatalogueEntries() = default;

    virtual void entry(const CatalogueEntry& entry) = 0;
};

/// What a writer makes of the walk, one call per line of the catalogue.
class CatalogueSections {
public:
    CatalogueSections() = default;
    CatalogueSections(const CatalogueSections&) = delete;
    CatalogueSections& operator=(const CatalogueSections&) = delete;
    virtual ~CatalogueSections() = default;

    /// A folder's heading: the chosen folder first (`chosen` true), then each sub-folder.
    virtual void heading(std::string_view folder, bool chosen) = 0;
    /// One listed file of `folder`, its name as the file system holds it.
    virtual void file(std::string_view folder, std::string_view name) = 0;
    /// The end of a folder's section, after its files (also when it has none).
    virtual void endSection() = 0;
};

/// Walks the catalogue, pointing `File1` at each folder after its heading. A folder that
/// cannot be listed is reported to the feedback and keeps its heading with no file lines.
/// Read in one pass, each folder is read once, the sections come in the same order as from
/// the folder list (depth first, in pre-order), and a folder that cannot be read has nothing
/// beneath it, as the collection leaves it.
/// Returns the totals: the sub-folders (the chosen folder not counted) and every file line.
Progress WalkCatalogue(const CatalogueSource& source, CatalogueSections& sections);

/// Walks the tree in one pass with `source.listing`: each folder (the chosen one first), then
/// its listed files, then its sub-folders in the same way. A folder or a file whose details
/// cannot be read is reported to the feedback and given without them. Returns the totals,
/// with the listed files' bytes.
Progress WalkEntries(const CatalogueSource& source, CatalogueEntries& out);

} // namespace dorvantile
