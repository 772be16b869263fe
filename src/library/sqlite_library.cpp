#include "library/sqlite_library.h"

#include "catalogue/codecs.h"
#include "platform/text_case.h"
#include "platform/utf8.h"

#include <algorithm>
#include <random>
#include <sqlite3.h>
#include <unordered_map>

namespace dorvantile {
namespace {

// Marks an SQLite file as a library of this program (`PRAGMA application_id`): "Dvtl".
constexpr int applicationId = 0x4476746c;

// Each version's schema from the one before; the first from an empty file. The README
// describes the latest.
constexpr const char* migrations[] = {
    R"(CREATE TABLE catalogue (
         id INTEGER PRIMARY KEY AUTOINCREMENT,
         name TEXT NOT NULL UNIQUE,
         folder BLOB NOT NULL,
         host TEXT NOT NULL,
         started INTEGER NOT NULL,
         started_ns INTEGER NOT NULL,
         uuid TEXT,
         label TEXT,
         folders INTEGER NOT NULL DEFAULT 0,
         files INTEGER NOT NULL DEFAULT 0,
         bytes INTEGER NOT NULL DEFAULT 0,
         checksums INTEGER NOT NULL,
         stamp INTEGER NOT NULL);
       CREATE TABLE entry (
         id INTEGER PRIMARY KEY,
         parent INTEGER NOT NULL,
         kind INTEGER NOT NULL,
         name ANY NOT NULL,
         shown TEXT,
         size INTEGER,
         modified INTEGER,
         modified_ns INTEGER,
         files INTEGER,
         bytes INTEGER,
         error TEXT,
         sha256 BLOB);
       CREATE VIEW entries AS
         SELECT id >> 32 AS catalogue, id & 4294967295 AS seq, parent, kind, name, shown, size,
                modified, modified_ns, files, bytes, error, sha256 FROM entry;)",
};

/// An entry's key: its catalogue's id in the high 32 bits, its number in the low. Entries
/// are stored in key order, each added at the end of the table, and a catalogue's are one
/// range.
constexpr std::int64_t entryKey(std::int64_t catalogue, std::uint32_t number) {
    return catalogue << 32 | number;
}

/// One prepared statement, finalized with its owner.
class Statement {
public:
    Statement(SqliteLibrary& library, sqlite3* db, const char* sql) : library_(library) {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) !=
            SQLITE_OK)
            library.fail("cannot read it");
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(statement_); }

    Statement& bind(int at, std::int64_t value) {
        sqlite3_bind_int64(statement_, at, value);
        return *this;
    }
    // An empty text is bound from a real address: a null one would bind NULL.
    Statement& bind(int at, std::string_view text) {
        sqlite3_bind_text(statement_, at, text.empty() ? "" : text.data(),
                          static_cast<int>(text.size()), SQLITE_STATIC);
        return *this;
    }
    Statement& bindBlob(int at, std::string_view bytes) {
        sqlite3_bind_blob(statement_, at, bytes.empty() ? "" : bytes.data(),
                          static_cast<int>(bytes.size()), SQLITE_STATIC);
        return *this;
    }
    Statement& bindNull(int at) {
        sqlite3_bind_null(statement_, at);
        return *this;
    }
    /// Binds a sum of bytes: a number while 64 bits hold it, else its digits.
    Statement& bindBytes(int at, ByteCount value) {
        if (value <= static_cast<ByteCount>(INT64_MAX))
            return bind(at, static_cast<std::int64_t>(value));
        std::string digits;
        appendDecimal(digits, value);
        sqlite3_bind_text(statement_, at, digits.data(), static_cast<int>(digits.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }

    /// Steps once: true while there is a row.
    bool step(std::string_view doing) {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            library_.fail(doing);
        return false;
    }
    void reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }

    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string_view bytes(int column) const {
        const void* data = sqlite3_column_blob(statement_, column);
        return {static_cast<const char*>(data),
                static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
    }
    std::string_view text(int column) const {
        const unsigned char* data = sqlite3_column_text(statement_, column);
        return {reinterpret_cast<const char*>(data),
                static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
    }
    /// A sum of bytes as `bindBytes` stores it.
    ByteCount sum(int column) const {
        if (sqlite3_column_type(statement_, column) == SQLITE_INTEGER)
            return static_cast<ByteCount>(std::max<std::int64_t>(integer(column), 0));
        ByteCount value = 0;
        for (char digit : text(column)) {
            if (digit >= '0' && digit <= '9')
                value = value * 10 + static_cast<unsigned>(digit - '0');
        }
        return value;
    }

private:
    SqliteLibrary& library_;
    sqlite3_stmt* statement_ = nullptr;
};

/// 32 bytes from 64 hex digits.
std::string digestBytes(std::string_view hex) {
    std::string bytes(hex.size() / 2, '\0');
    const auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    return bytes;
}

void appendHex(std::string& out, std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    for (unsigned char byte : bytes) {
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 15]);
    }
}

/// `text` with each part that is not UTF-8 as one U+FFFD: how a name that is not UTF-8 shows.
std::string shownForm(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Sequence sequence = decodeUtf8(text, at);
        if (sequence.valid)
            out.append(text.substr(at, sequence.length));
        else
            out.append("\xEF\xBF\xBD");
        at += sequence.length;
    }
    return out;
}

constexpr const char* catalogueColumns =
    "SELECT id, name, folder, host, started, started_ns, uuid, label, folders, files, bytes, "
    "checksums, stamp FROM catalogue";

StoredCatalogue readCatalogue(const Statement& row) {
    StoredCatalogue stored;
    stored.id = row.integer(0);
    stored.name = row.text(1);
    stored.run.folder = row.bytes(2);
    stored.run.host = row.text(3);
    stored.run.started = {row.integer(4), static_cast<std::uint32_t>(row.integer(5))};
    stored.uuid = row.text(6);
    stored.label = row.text(7);
    stored.totals = {row.integer(8), row.integer(9), row.sum(10)};
    stored.run.checksums = row.integer(11) != 0;
    stored.stamp = row.integer(12);
    return stored;
}

/// The entries of one stored catalogue, read in catalogue order.
class StoredEntries final : public EntryStream {
public:
    StoredEntries(SqliteLibrary& library, sqlite3* db, const StoredCatalogue& catalogue)
        : library_(library),
          rows_(library, db,
                "SELECT id & 4294967295, parent, kind, name, size, modified, modified_ns, files, "
                "bytes, error, sha256 FROM entry WHERE id BETWEEN ? AND ? ORDER BY id"),
          folder_(catalogue.run.folder) {
        rows_.bind(1, entryKey(catalogue.id, 0)).bind(2, entryKey(catalogue.id, UINT32_MAX));
    }

    bool next(CatalogueEntry& entry) override {
        if (!rows_.step("cannot read it"))
            return false;
        entry = {};
        const auto number = static_cast<std::uint32_t>(rows_.integer(0));
        const auto parent = static_cast<std::uint32_t>(rows_.integer(1));
        entry.kind = static_cast<EntryKind>(std::clamp<std::int64_t>(rows_.integer(2), 0, 3));
        const std::string_view name = rows_.bytes(3);
        if (entry.kind == EntryKind::Folder) {
            std::string below;
            if (number != 0) {
                const auto found = below_.find(parent);
                if (found != below_.end() && !found->second.empty())
                    below = found->second + '/';
                below.append(name);
            }
            current_ = below_.emplace(number, std::move(below)).first->second;
            path_ = folder_;
            if (!current_.empty())
                path_.append(folder_.ends_with('/') ? "" : "/").append(current_);
            entry.unreadable = rows_.isNull(7);
            entry.files = rows_.integer(7);
            entry.bytes = rows_.sum(8);
            ++totals_.folders;
            totals_.folders -= number == 0;
        } else {
            name_ = name;
            entry.name = name_;
            ++totals_.files;
        }
        entry.folder = path_;
        entry.below = current_;
        entry.known = !rows_.isNull(4);
        entry.size = static_cast<std::uint64_t>(rows_.integer(4));
        entry.modified = {rows_.integer(5), static_cast<std::uint32_t>(rows_.integer(6))};
        if (entry.kind != EntryKind::Folder && entry.known)
            totals_.bytes += entry.size;
        error_ = rows_.isNull(9) ? std::string_view() : rows_.text(9);
        entry.error = error_;
        sha256_.clear();
        appendHex(sha256_, rows_.bytes(10));
        entry.sha256 = sha256_;
        return true;
    }

    Totals totals() const override { return totals_; }

private:
    SqliteLibrary& library_;
    Statement rows_;
    std::string folder_;
    std::unordered_map<std::uint32_t, std::string> below_; // of each folder given so far
    std::string current_, path_, name_, error_, sha256_;
    Totals totals_;
};

} // namespace

SqliteLibrary::SqliteLibrary(const std::string& path, bool make) : path_(path) {
    // No count of SQLite's memory: it would take a lock at each allocation. Refused, harmlessly,
    // once SQLite has begun.
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    static_cast<void>(configured);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (make ? SQLITE_OPEN_CREATE : 0);
    // The handle is made even when opening fails, and a constructor that throws has no
    // destructor run: it is closed here.
    try {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
            fail("cannot open it");
        sqlite3_extended_result_codes(db_, 1);
        // Another program adding a catalogue holds the file for a moment at its end.
        sqlite3_busy_timeout(db_, 60'000);
        prepareSchema();
        // With the write-ahead log, a commit that a power cut takes away leaves the library as
        // it was before: it is whole either way, without waiting for the disk at each commit.
        run("PRAGMA synchronous = NORMAL", "cannot read it");
    } catch (const LibraryError&) {
        sqlite3_close_v2(db_);
        throw;
    }
}

SqliteLibrary::~SqliteLibrary() {
    sqlite3_close_v2(db_);
}

SqliteLibrary::Snapshot::Snapshot(SqliteLibrary& library) : library_(library) {
    library.run("BEGIN", "cannot read it");
}

SqliteLibrary::Snapshot::~Snapshot() {
    // Nothing was written: ending it cannot lose anything, whatever it returns.
    sqlite3_exec(library_.db_, "COMMIT", nullptr, nullptr, nullptr);
}

void SqliteLibrary::fail(std::string_view doing) const {
    std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    const int code = db_ ? sqlite3_errcode(db_) : SQLITE_NOMEM;
    if ((code & 0xff) == SQLITE_CANTOPEN && sqlite3_system_errno(db_) != 0)
        reason = std::generic_category().message(sqlite3_system_errno(db_));
    throw LibraryError("library " + path_ + ": " + std::string(doing) + ": " + reason);
}

void SqliteLibrary::run(const char* sql, std::string_view doing) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(doing);
}

void SqliteLibrary::prepareSchema() {
    // The version is read before anything is written: a file that is no database, or a
    // library of a newer version, stays untouched.
    const auto version = [this] {
        Statement row(*this, db_, "PRAGMA user_version");
        row.step("cannot read it");
        return row.integer(0);
    };
    const auto application = [this] {
        Statement row(*this, db_, "PRAGMA application_id");
        row.step("cannot read it");
        return row.integer(0);
    };
    std::int64_t found = version();
    if (found > schemaVersion)
        throw LibraryError("library " + path_ +
                           ": made by a newer version of this program (schema " +
                           std::to_string(found) + "; this one reads up to " +
                           std::to_string(schemaVersion) + ")");
    if (found > 0 && application() != applicationId)
        throw LibraryError("library " + path_ + ": not a library of this program");
    if (found == schemaVersion)
        return;
    run("PRAGMA journal_mode = WAL", "cannot use a write-ahead log");
    run("BEGIN IMMEDIATE", "cannot change it");
    found = version();
    if (found == 0) {
        Statement tables(*this, db_, "SELECT count(*) FROM sqlite_schema");
        tables.step("cannot read it");
        if (tables.integer(0) != 0) {
            run("ROLLBACK", "cannot change it");
            throw LibraryError("library " + path_ + ": not a library of this program");
        }
    }
    for (auto step = found; step < schemaVersion; ++step)
        run(migrations[step], "cannot bring its schema up to date");
    run(("PRAGMA application_id = " + std::to_string(applicationId) +
         "; PRAGMA user_version = " + std::to_string(schemaVersion) + "; COMMIT")
            .c_str(),
        "cannot change it");
}

std::vector<StoredCatalogue> SqliteLibrary::catalogues() {
    std::vector<StoredCatalogue> all;
    Statement rows(*this, db_, catalogueColumns);
    while (rows.step("cannot read it"))
        all.push_back(readCatalogue(rows));
    std::sort(all.begin(), all.end(), [](const StoredCatalogue& a, const StoredCatalogue& b) {
        return compareNames(a.name, b.name) < 0;
    });
    return all;
}

StoredCatalogue SqliteLibrary::add(StoredCatalogue described, EntryStream& entries,
                                   CatalogueSink& alsoTo) {
    run("PRAGMA cache_size = -65536", "cannot change it");
    run("BEGIN IMMEDIATE", "cannot change it");
    // Whatever fails leaves the library as it was: the transaction is rolled back.
    struct Rollback {
        SqliteLibrary& library;
        bool done = false;
        ~Rollback() {
            if (!done)
                sqlite3_exec(library.db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    } rollback{*this};
    removeNamed(described.name, "cannot replace a catalogue");
    described.stamp = static_cast<std::int64_t>(std::random_device()() >> 1) << 31 ^
                      static_cast<std::int64_t>(std::random_device()());
    {
        Statement insert(*this, db_,
                         "INSERT INTO catalogue (name, folder, host, started, started_ns, uuid, "
                         "label, checksums, stamp) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bind(1, described.name)
            .bindBlob(2, described.run.folder)
            .bind(3, described.run.host)
            .bind(4, described.run.started.seconds)
            .bind(5, std::int64_t{described.run.started.nanoseconds});
        if (!described.uuid.empty())
            insert.bind(6, described.uuid);
        if (!described.label.empty())
            insert.bind(7, described.label);
        insert.bind(8, std::int64_t{described.run.checksums}).bind(9, described.stamp);
        insert.step("cannot add a catalogue");
        described.id = sqlite3_last_insert_rowid(db_);
    }
    Statement insert(*this, db_,
                     "INSERT INTO entry (id, parent, kind, name, shown, size, modified, "
                     "modified_ns, files, bytes, error, sha256) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                     "?, ?, ?)");
    FolderNumbers folders;
    CatalogueEntry entry;
    std::uint32_t number = 0;
    while (entries.next(entry)) {
        alsoTo.entry(entry);
        const std::uint32_t parent = folders.parentOf(entry, number);
        std::string_view name = entry.name;
        if (entry.kind == EntryKind::Folder)
            name = entry.below.substr(entry.below.rfind('/') + 1);
        insert.bind(1, entryKey(described.id, number)).bind(2, parent);
        insert.bind(3, static_cast<std::int64_t>(entry.kind));
        // A name is text when it is UTF-8, else its bytes with the form it shows in beside.
        std::string shown;
        if (isValidUtf8(name)) {
            insert.bind(4, name);
        } else {
            shown = shownForm(name);
            insert.bindBlob(4, name).bind(5, shown);
        }
        if (entry.known) {
            insert
                .bind(6, static_cast<std::int64_t>(std::min<std::uint64_t>(entry.size, INT64_MAX)))
                .bind(7, entry.modified.seconds)
                .bind(8, std::int64_t{entry.modified.nanoseconds});
        }
        if (entry.kind == EntryKind::Folder && !entry.unreadable)
            insert.bind(9, entry.files).bindBytes(10, entry.bytes);
        if (!entry.error.empty())
            insert.bind(11, entry.error);
        std::string digest;
        if (!entry.sha256.empty()) {
            digest = digestBytes(entry.sha256);
            insert.bindBlob(12, digest);
        }
        insert.step("cannot add a catalogue");
        insert.reset();
        ++number;
    }
    if (std::string failure = entries.failure(); !failure.empty())
        throw LibraryError(failure);
    described.totals = entries.totals();
    Statement totals(*this, db_,
                     "UPDATE catalogue SET folders = ?, files = ?, bytes = ? WHERE id = ?");
    totals.bind(1, described.totals.folders)
        .bind(2, described.totals.files)
        .bindBytes(3, described.totals.bytes)
        .bind(4, described.id)
        .step("cannot add a catalogue");
    alsoTo.finish(described.totals);
    run("COMMIT", "cannot add a catalogue");
    rollback.done = true;
    return described;
}

bool SqliteLibrary::removeNamed(std::string_view name, std::string_view doing) {
    // The entries first, by the key they are stored under; then the catalogue.
    Statement ids(*this, db_, "SELECT id FROM catalogue WHERE name = ?");
    ids.bind(1, name);
    if (ids.step(doing)) {
        Statement entries(*this, db_, "DELETE FROM entry WHERE id BETWEEN ? AND ?");
        entries.bind(1, entryKey(ids.integer(0), 0))
            .bind(2, entryKey(ids.integer(0), UINT32_MAX))
            .step(doing);
    }
    Statement remove(*this, db_, "DELETE FROM catalogue WHERE name = ?");
    remove.bind(1, name).step(doing);
    return sqlite3_changes(db_) > 0;
}

bool SqliteLibrary::remove(std::string_view name) {
    run("BEGIN IMMEDIATE", "cannot change it");
    const bool removed = removeNamed(name, "cannot remove a catalogue");
    run("COMMIT", "cannot remove a catalogue");
    return removed;
}

std::unique_ptr<EntryStream> SqliteLibrary::entries(const StoredCatalogue& catalogue) {
    return std::make_unique<StoredEntries>(*this, db_, catalogue);
}

void SqliteLibrary::find(const StoredCatalogue& catalogue,
                         const std::vector<std::uint32_t>& numbers,
                         const std::function<void(std::uint32_t, const FoundEntry&)>& take) {
    Statement row(*this, db_,
                  "SELECT parent, kind, name, size, modified, modified_ns, sha256 FROM entry "
                  "WHERE id = ?");
    std::unordered_map<std::uint32_t, std::string> below{{0, {}}}; // of the folders met
    // The path below the catalogue's folder of folder `number`, from its own and its
    // parents' rows.
    std::function<const std::string&(std::uint32_t)> folderPath =
        [&](std::uint32_t number) -> const std::string& {
        if (const auto found = below.find(number); found != below.end())
            return found->second;
        row.reset();
        row.bind(1, entryKey(catalogue.id, number));
        if (!row.step("cannot read it"))
            return below.emplace(number, std::string()).first->second;
        const auto parent = static_cast<std::uint32_t>(row.integer(0));
        std::string name(row.bytes(2));
        std::string path = parent == number ? std::string() : folderPath(parent);
        if (!path.empty())
            path.push_back('/');
        path.append(name);
        return below.emplace(number, std::move(path)).first->second;
    };
    FoundEntry found;
    for (std::uint32_t number : numbers) {
        row.reset();
        row.bind(1, entryKey(catalogue.id, number));
        if (!row.step("cannot read it"))
            continue;
        const auto parent = static_cast<std::uint32_t>(row.integer(0));
        found.kind = static_cast<EntryKind>(std::clamp<std::int64_t>(row.integer(1), 0, 3));
        std::string name(row.bytes(2));
        found.known = !row.isNull(3);
        found.size = static_cast<std::uint64_t>(row.integer(3));
        found.modified = {row.integer(4), static_cast<std::uint32_t>(row.integer(5))};
        found.sha256.clear();
        appendHex(found.sha256, row.bytes(6));
        if (number == 0) {
            found.path.clear();
        } else {
            found.path = folderPath(parent);
            if (!found.path.empty())
                found.path.push_back('/');
            found.path.append(name);
        }
        take(number, found);
    }
}

void SqliteLibrary::files(std::uint64_t minSize, const std::vector<std::int64_t>& only,
                          const std::function<void(std::int64_t, std::uint32_t, std::string_view,
                                                   std::uint64_t, std::string_view)>& take) {
    Statement rows(*this, db_,
                   "SELECT id >> 32, id & 4294967295, name, size, sha256 FROM entry "
                   "WHERE kind IN (1, 2) AND size >= ?");
    rows.bind(1, static_cast<std::int64_t>(std::min<std::uint64_t>(minSize, INT64_MAX)));
    while (rows.step("cannot read it")) {
        const std::int64_t catalogue = rows.integer(0);
        if (!only.empty() && std::find(only.begin(), only.end(), catalogue) == only.end())
            continue;
        take(catalogue, static_cast<std::uint32_t>(rows.integer(1)), rows.bytes(2),
             static_cast<std::uint64_t>(rows.integer(3)), rows.bytes(4));
    }
}

} // namespace dorvantile
