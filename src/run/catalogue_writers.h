// The writers behind the window's three output choices: each plays its pauses and its
// progress sweep and writes its format from the folder list of the run.
#pragma once

#include "run/run_services.h"

#include <string>

namespace dorvantile {

/// The closing notice of a complete text catalogue.
inline constexpr const char* textNotice = "You find this textfile in the App.folder";

class CatalogueWriters final : public Catalogues {
public:
    /// Writes `Files.html` and `Files.txt` in `folder`, the app folder.
    CatalogueWriters(RunServices& services, const std::string& folder);

    /// Pauses and plays the sweep, writes the page (replacing the old one only once the new
    /// one is complete) and has the shell open it.
    void SaveToHtml() override;
    /// Writes the text file, then plays the sweep and shows the closing notice.
    void SaveToText() override;
    /// Pauses, plays the sweep, then prints the catalogue on the default printer.
    void SaveToPrinter() override;

private:
    RunServices& services_;
    const std::string html_, text_;
};

} // namespace dorvantile
