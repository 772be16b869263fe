// The writers behind the three output choices of a run.
#pragma once

#include "platform/print_surface.h"
#include "run/run_services.h"

#include <string>

namespace dorvantile {

/// Where the page and the text file go: `Files.html` and `Files.txt` in the app folder for
/// the window, anything (or "-" for standard output) for the command line.
struct OutputPaths {
    std::string html;
    std::string text;

    static OutputPaths inFolder(const std::string& folder);
};

class CatalogueWriters final : public Catalogues {
public:
    CatalogueWriters(RunServices& services, OutputPaths paths, Printer& printer)
        : services_(services), paths_(std::move(paths)), printer_(printer) {}

    void SaveToHtml() override;
    void SaveToText() override;
    void SaveToPrinter() override;

private:
    RunServices& services_;
    OutputPaths paths_;
    Printer& printer_;
};

} // namespace dorvantile
