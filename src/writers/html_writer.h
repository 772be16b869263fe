// The catalogue as an HTML page: `Files.html`.
#pragma once

#include "catalogue/entry.h"
#include "platform/output_file.h"

#include <string>

namespace dorvantile {

/// Writes the page to `out`: its head at once, a section per folder, then the totals and the
/// page's end.
class HtmlCatalogue final : public SectionSink {
public:
    explicit HtmlCatalogue(OutputFile& out);

private:
    void heading(std::string_view folder, bool chosen) override;
    void file(std::string_view folder, std::string_view name) override;
    void endSection() override;
    void end(const Totals& totals) override;

    OutputFile& out_;
    std::string line_;
    std::string cased_;
    std::string targetFolder_;
    std::string targetPrefix_;
};

} // namespace dorvantile
