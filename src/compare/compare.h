// compare: what changed between two catalogues, by merging their entries in catalogue order.
#pragma once

#include "catalogue/entry.h"
#include "platform/interface.h"
#include "platform/output_file.h"

#include <functional>
#include <memory>
#include <string>

namespace dorvantile {

/// One entry as a comparison holds it: its path whole, and its texts its own.
struct ComparedEntry {
    EntryKind kind = EntryKind::Folder;
    std::string path;   ///< below the chosen folder, exactly as the file system holds it
    bool known = false; ///< whether `size` (of a file) and `modified` are known
    std::uint64_t size = 0;
    FileTime modified;
    std::string error;  ///< why the entry, or a folder's files, could not be read
    std::string sha256; ///< a file's content digest, when its catalogue holds one

    /// Takes over `entry`.
    void assign(const CatalogueEntry& entry);
};

struct ComparisonResult {
    std::int64_t added = 0, removed = 0, changed = 0;
    /// Files of the same size and time whose digests differ: their content was damaged.
    std::int64_t corrupted = 0;
    /// Why the comparison could not be completed (a damaged catalogue); empty when it was.
    std::string failure;
    /// Whether an entry on either side could not be read, so differences may be missing.
    bool incomplete = false;
    bool differs() const { return added + removed + changed + corrupted > 0; }
};

/// What a comparison found, as it finds it.
class DifferenceReport : public Interface {
public:
    virtual void added(const ComparedEntry& entry) = 0;
    virtual void removed(const ComparedEntry& entry) = 0;
    /// An entry in both whose kind, size or modification time differ.
    virtual void changed(const ComparedEntry& older, const ComparedEntry& newer) = 0;
    /// A file of the same size and time on both sides whose digests differ.
    virtual void corrupted(const ComparedEntry& older, const ComparedEntry& newer) = 0;
    /// The counts; "corrupted" is told only when there are some.
    virtual void finish(const ComparisonResult& counts) = 0;
};

/// The two sides of a comparison and how messages name them.
struct ComparedSides {
    EntryStream& older;
    std::string olderName;
    EntryStream& newer;
    std::string newerName;
};

/// Merges the two streams, reporting every difference in catalogue order and then the counts;
/// `warn` hears of each entry that could not be read. Holds two entries of each side at a
/// time, whatever their length. A stream out of catalogue order is damaged.
ComparisonResult CompareCatalogues(const ComparedSides& sides, DifferenceReport& report,
                                   const std::function<void(const std::string&)>& warn);

/// One line per difference, the path last after the line's first ": ", then the counts:
///   added file, 12 bytes, 2026-12-07T10:00:00.000000000Z: Sub/new.txt
///   changed file, size 1 byte -> 5.0 KiB (5,120 bytes): a.txt
///   corrupted file, sha256 5f3a... -> 0c2e...: b.txt
///   1 added, 0 removed, 1 changed, 1 corrupted
/// With `colour`, each change's word is coloured for a terminal.
std::unique_ptr<DifferenceReport> textDifferences(OutputFile& out, bool colour = false);

/// The same as one JSON document, one difference a line; `older` and `newer` name the sides.
std::unique_ptr<DifferenceReport> jsonDifferences(OutputFile& out, const std::string& older,
                                                  const std::string& newer);

} // namespace dorvantile
