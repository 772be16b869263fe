// What the run control reaches: the window's controls and the desktop's services.
#pragma once

#include "catalogue/walk_feedback.h"
#include "platform/controls.h"
#include "platform/file_system.h"
#include "platform/folder_list.h"
#include "platform/interface.h"
#include "platform/system.h"

namespace dorvantile {

/// The window lends these to a run for its whole length; the writers get theirs apart (see
/// `CatalogueWriters`).
struct RunServices {
    const ChosenFolder& dir1;
    const OutputChoice& keuze;
    Picture& okKnop;
    ProgressDisplay& bar;
    Pointer& pointer;
    FolderList& list1;
    FileSystem& fileSystem;
    EventLoop& loop;
    MessageBoxes& messages;
    WalkFeedback& feedback;
};

/// The three outputs that a run can produce, one per option of `Keuze`.
class Catalogues : public Interface {
public:
    virtual void SaveToHtml() = 0;
    virtual void SaveToText() = 0;
    virtual void SaveToPrinter() = 0;
};

} // namespace dorvantile
