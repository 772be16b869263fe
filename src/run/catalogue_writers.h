// The writers behind the window's three output choices: each plays its pauses and its
// progress sweep and writes its format from the folder list of the run.
#pragma once

#include "catalogue/walk_feedback.h"
#include "platform/controls.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "platform/output_files.h"
#include "platform/print_surface.h"
#include "platform/system.h"
#include "run/run_services.h"
#include "run/show_progress.h"

#include <string>

namespace dorvantile {

/// Where the page and the text file go: `Files.html` and `Files.txt` in the app folder.
struct OutputPaths {
    std::string html;
    std::string text;

    static OutputPaths inFolder(const std::string& folder);
};

/// What the window lends its writers: the folder list the run collected and `File1` to list
/// each folder's files, the animation, and where the outputs go.
struct WriterServices {
    const ChosenFolder& dir1;
    const FolderList& list1;
    FileListing& file1;
    WalkFeedback& feedback;
    Animation animation;
    OutputFiles& files;
    Shell& shell;
    MessageBoxes& messages;
    Printer& printer;
};

/// The closing notice of a complete text catalogue.
inline constexpr const char* textNotice = "You find this textfile in the App.folder";

class CatalogueWriters final : public Catalogues {
public:
    CatalogueWriters(WriterServices services, OutputPaths paths)
        : services_(services), paths_(std::move(paths)) {}

    /// Pauses and plays the sweep, writes the page (replacing the old one only once the new
    /// one is complete) and has the shell open it.
    void SaveToHtml() override;
    /// Writes the text file, then plays the sweep and shows the closing notice.
    void SaveToText() override;
    /// Pauses, plays the sweep, then prints the catalogue on the default printer.
    void SaveToPrinter() override;

private:
    WriterServices services_;
    OutputPaths paths_;
};

} // namespace dorvantile
