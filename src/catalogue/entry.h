// The catalogue's model: its entries, in catalogue order, however they were obtained (a
// folder walked now, a catalogue read back), and what every format is written to.
#pragma once

#include "platform/file_system.h"
#include "platform/interface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dorvantile {

/// What an entry of a catalogue is.
enum class EntryKind {
    Folder,
    File,
    Link,     ///< a link to a file, with its target's details
    Dangling, ///< a link that cannot be followed, with its own details
};

/// The name of a kind in the data formats: folder, file, link or dangling.
const char* kindName(EntryKind kind);
/// The kind of that name, or nothing.
std::optional<EntryKind> kindNamed(std::string_view name);

/// The counts of a catalogue: the sub-folders (the chosen folder not counted), every listed
/// file, and their bytes when their details were read.
struct Totals {
    std::int64_t folders = 0;
    std::int64_t files = 0;
    ByteCount bytes = 0;
};

/// What a catalogue says of its run besides the entries.
struct RunDescription {
    std::string folder;     ///< the chosen folder
    FileTime started;       ///< when the run began
    std::string host;       ///< the machine's name
    bool checksums = false; ///< whether each file's content is read for its SHA-256
};

/// A folder, or one of its listed files, in catalogue order: a folder, then its files, then
/// its sub-folders in the same way. The views stay valid until the next entry is asked for.
struct CatalogueEntry {
    EntryKind kind = EntryKind::Folder;
    /// The folder's full path, or that of the file's folder.
    std::string_view folder;
    /// The end of `folder` below the chosen folder: empty for the chosen folder itself.
    std::string_view below;
    /// A file's name as the file system holds it; empty for a folder.
    std::string_view name;
    /// Whether `size` (of a file) and `modified` are known.
    bool known = false;
    std::uint64_t size = 0;
    FileTime modified;
    /// A folder's listed files and their bytes; not known for a folder that cannot be read.
    std::int64_t files = 0;
    ByteCount bytes = 0;
    /// A folder whose entries could not be read: it has no files and nothing beneath it.
    bool unreadable = false;
    /// Why the folder's entries or the entry's details could not be read; empty when they
    /// could.
    std::string_view error;
    /// A file's SHA-256 in 64 lower-case hex digits, when its content was read; else empty.
    std::string_view sha256;
    /// The entry's object, exactly as the JSON catalogue writes it, where a stream took the
    /// entry unchanged from one; else empty. A stream that hands on entries of another
    /// leaves it empty unless it hands on every field as it came.
    std::string_view jsonText;
    /// The folder that holds the entry (a folder's own, for a folder), open while the walk
    /// hands the entry on, for what must ask more of it; null for a catalogue read back.
    OpenFolder* at = nullptr;
};

/// Appends `entry`'s path below the chosen folder: `below`, and a file's name after a "/".
std::string& appendPathBelow(std::string& out, const CatalogueEntry& entry);

/// Where a path below `folder` begins in the paths of its entries: after `folder` and its
/// "/" ("/" itself has it already).
inline std::size_t belowStart(std::string_view folder) {
    return folder.size() + (folder.ends_with('/') ? 0 : 1);
}

/// The entries of a catalogue, one at a time, in catalogue order.
class EntryStream : public Interface {
public:
    /// The next entry; false at the end, and when the stream failed (`failure` says why).
    virtual bool next(CatalogueEntry& entry) = 0;
    /// Moves past the next entry when it is `now`, without an error, as a catalogue writes
    /// it (kind, path, size, time, a folder's counts), with its digest in `sha256` (empty
    /// when it has none) and its JSON object in `text` (see `CatalogueEntry::jsonText`).
    /// False leaves the stream where it was: always, where telling would cost as much as
    /// `next`.
    virtual bool nextIfSame(const CatalogueEntry& now, std::string_view& sha256,
                            std::string_view& text) {
        (void)now, (void)sha256, (void)text;
        return false;
    }
    /// What went wrong, naming the catalogue and where; empty while nothing did.
    virtual std::string failure() const { return {}; }
    /// The counts of the entries given so far: of the whole catalogue once `next` is false.
    virtual Totals totals() const = 0;
};

/// What a format makes of a catalogue: every entry in order, then the totals.
class CatalogueSink : public Interface {
public:
    virtual void entry(const CatalogueEntry& entry) = 0;
    /// After the last entry.
    virtual void finish(const Totals& totals) = 0;
};

/// A sink of the shape of the window's catalogues: a heading per folder, its files' lines,
/// the end of its section; then the totals.
class SectionSink : public CatalogueSink {
public:
    void entry(const CatalogueEntry& entry) final;
    void finish(const Totals& totals) final;

protected:
    /// A folder's heading: the chosen folder first (`chosen` true), then each sub-folder.
    virtual void heading(std::string_view folder, bool chosen) = 0;
    /// One listed file of `folder`, its name as the file system holds it.
    virtual void file(std::string_view folder, std::string_view name) = 0;
    /// The end of a folder's section, after its files (also when it has none).
    virtual void endSection() = 0;
    /// The totals, after the last section.
    virtual void end(const Totals& totals) = 0;

private:
    bool started_ = false;
};

/// The order of the catalogue, of entries given by their kind and path below the chosen
/// folder: a folder, then its files, then its sub-folders, each in the platform's order of
/// names (`compareNames`). Negative, zero or positive like `memcmp`.
int compareCatalogueOrder(EntryKind kindA, std::string_view pathA, EntryKind kindB,
                          std::string_view pathB);

/// Hands every entry of `stream` to `sink`, then its totals; returns them. A stream that
/// fails ends early: its `failure` says why, and the sink is not finished.
Totals writeCatalogue(EntryStream& stream, CatalogueSink& sink);

} // namespace dorvantile
