// The writers behind the three output choices of a run.
#pragma once

#include "platform/output_files.h"
#include "platform/print_surface.h"
#include "platform/system.h"
#include "run/run_services.h"
#include "run/show_progress.h"
#include "writers/catalogue_walk.h"

#include <string>

namespace dorvantile {

/// Where the page and the text file go: `Files.html` and `Files.txt` in the app folder for
/// the window, anything (or "-" for standard output) for the command line.
struct OutputPaths {
    std::string html;
    std::string text;

    static OutputPaths inFolder(const std::string& folder);
};

/// What a front end lends its writers; each writer takes the part it uses.
struct WriterServices {
    CatalogueSource source;
    Animation animation;
    OutputFiles& files;
    Shell& shell;
    MessageBoxes& messages;
    Printer& printer;
};

class CatalogueWriters final : public Catalogues {
public:
    CatalogueWriters(WriterServices services, OutputPaths paths)
        : services_(services), paths_(std::move(paths)) {}

    void SaveToHtml() override;
    void SaveToText() override;
    void SaveToPrinter() override;

private:
    WriterServices services_;
    OutputPaths paths_;
};

} // namespace dorvantile
