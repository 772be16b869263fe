// The catalogue as CSV for spreadsheets and scripts, with each file's size and time.
#pragma once

#include "catalogue/entry.h"
#include "platform/output_file.h"

#include <string>

namespace dorvantile {

/// Writes the catalogue as CSV (RFC 4180) to `out`: a heading row, then one row per entry.
class CsvCatalogue final : public CatalogueSink {
public:
    explicit CsvCatalogue(OutputFile& out);
    void entry(const CatalogueEntry& entry) override;
    void finish(const Totals&) override {}

private:
    OutputFile& out_;
    std::string line_;
    std::string prefix_; // the quote and the folder's escaped path, with its "/" if not empty
    std::string name_;   // a file's name, quoted
};

} // namespace dorvantile
