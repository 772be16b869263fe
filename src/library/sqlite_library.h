// The library in one SQLite file: write-ahead log, one transaction for each catalogue added or
// removed, the schema's version in `PRAGMA user_version`. The schema is in the README.
#pragma once

#include "library/library.h"

#include <string>

struct sqlite3;

namespace dorvantile {

class SqliteLibrary final : public Library {
public:
    /// Opens the library at `path`, making it (not its folder) when `make` and it is missing,
    /// and bringing an older schema up to date. Throws LibraryError naming `path` when it
    /// cannot be opened, is no library, is damaged, or was made by a newer version.
    SqliteLibrary(const std::string& path, bool make);
    ~SqliteLibrary() override;

    /// The version of the schema this program writes and reads.
    static constexpr int schemaVersion = 1;

    const std::string& path() const { return path_; }

    std::vector<StoredCatalogue> catalogues() override;
    StoredCatalogue add(StoredCatalogue described, EntryStream& entries,
                        CatalogueSink& alsoTo) override;
    bool remove(std::string_view name) override;
    std::unique_ptr<EntryStream> entries(const StoredCatalogue& catalogue) override;
    void find(const StoredCatalogue& catalogue, const std::vector<std::uint32_t>& numbers,
              const std::function<void(std::uint32_t, const FoundEntry&)>& take) override;
    void files(std::uint64_t minSize, const std::vector<std::int64_t>& only,
               const std::function<void(std::int64_t, std::uint32_t, std::string_view,
                                        std::uint64_t, std::string_view)>& take) override;

    /// One read of the library while it lives: every statement meanwhile sees the library as
    /// it stood at the first, whatever another program adds or removes, and the file's locks
    /// are taken once rather than for each statement.
    class Snapshot {
    public:
        explicit Snapshot(SqliteLibrary& library);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        SqliteLibrary& library_;
    };

    /// Throws LibraryError naming the library, what was being done and SQLite's reason.
    [[noreturn]] void fail(std::string_view doing) const;
    /// Runs `sql`, statements without results; fails as `fail` does.
    void run(const char* sql, std::string_view doing);

private:
    void prepareSchema();
    /// Removes the catalogue `name` and its entries, within the transaction begun.
    bool removeNamed(std::string_view name, std::string_view doing);
    std::string path_;
    sqlite3* db_ = nullptr;
};

} // namespace dorvantile
