// The catalogue as a printout.
#pragma once

#include "catalogue/entry.h"
#include "platform/print_surface.h"

#include <string>

namespace dorvantile {

/// Prints the catalogue on a print job that has begun: dark-red bold headings at 300 twips,
/// green file names at 600, a black rule of 52 hyphens and the totals; then ends the job.
/// The surface throws CatalogueError when the job fails.
class PrintedCatalogue final : public SectionSink {
public:
    explicit PrintedCatalogue(PrintSurface& surface);

private:
    void heading(std::string_view folder, bool chosen) override;
    void file(std::string_view folder, std::string_view name) override;
    void endSection() override;
    void end(const Totals& totals) override;

    PrintSurface& surface_;
    std::string line_;
};

} // namespace dorvantile
