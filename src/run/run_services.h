// What the run control reaches: the window's controls and the desktop's services.
#pragma once

#include "catalogue/walk_feedback.h"
#include "platform/controls.h"
#include "platform/file_listing.h"
#include "platform/file_system.h"
#include "platform/folder_list.h"
#include "platform/interface.h"
#include "platform/output_files.h"
#include "platform/print_surface.h"
#include "platform/system.h"

namespace dorvantile {

/// The window lends these to a run and its writers for the run's whole length.
struct RunServices {
    const ChosenFolder& dir1;
    const OutputChoice& keuze;
    Picture& okKnop;
    ProgressDisplay& bar;
    Pointer& pointer;
    FolderList& list1;
    FileListing& file1;
    FileSystem& fileSystem;
    EventLoop& loop;
    MessageBoxes& messages;
    WalkFeedback& feedback;
    OutputFiles& files;
    Shell& shell;
    Printer& printer;
};

/// The three outputs that a run can produce, one per option of `Keuze`.
class Catalogues : public Interface {
public:
    virtual void SaveToHtml() = 0;
    virtual void SaveToText() = 0;
    virtual void SaveToPrinter() = 0;
};

} // namespace dorvantile
