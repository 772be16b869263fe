// The catalogue as the explorer page, one self-contained HTML file with a folder tree, each
// folder's files with their sizes and times in a table, and a search over every name.
#pragma once

#include "catalogue/entry.h"
#include "platform/output_file.h"

#include <string>

namespace dorvantile {

/// Writes the page to `out`: its text before the data and the run at once, a record per
/// folder, then the totals and the rest of the page.
class ExplorerCatalogue final : public CatalogueSink {
public:
    ExplorerCatalogue(OutputFile& out, const RunDescription& run);
    void entry(const CatalogueEntry& entry) override;
    void finish(const Totals& totals) override;

private:
    void folder(const CatalogueEntry& entry);
    void file(const CatalogueEntry& entry);
    void endFolder();
    void write();
    void emit();

    OutputFile& out_;
    bool first_ = true;
    std::string record_; // the folder's record, written out as it grows
    std::string extra_;
    std::string rawNames_;
    std::string sizes_;
    std::string times_;
    std::string dangling_;
    std::size_t files_ = 0;
    std::int64_t previous_ = 0; // the time the next file's is written from
    std::size_t element_ = 0;   // bytes of records in the current element
};

} // namespace dorvantile
