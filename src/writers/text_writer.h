// The catalogue as a plain text file: `Files.txt`.
#pragma once

#include "catalogue/entry.h"
#include "platform/output_file.h"

#include <string>

namespace dorvantile {

/// Writes the text catalogue to `out`: a section per folder, then the totals.
class TextCatalogue final : public SectionSink {
public:
    explicit TextCatalogue(OutputFile& out) : out_(out) {}

private:
    void heading(std::string_view folder, bool chosen) override;
    void file(std::string_view folder, std::string_view name) override;
    void endSection() override;
    void end(const Totals& totals) override;

    OutputFile& out_;
    std::string line_;
};

} // namespace dorvantile
