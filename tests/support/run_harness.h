// A run's services made of fakes, over the real or a fake file system.
#pragma once

#include "platform/fakes/fake_controls.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "run/run_services.h"

namespace dorvantile::testing {

struct RunHarness {
    explicit RunHarness(FileSystem& fileSystem)
        : fileSystem(fileSystem), file1(fileSystem), okKnop(journal), bar(journal),
          pointer(journal), shell(journal), messages(journal) {}

    FileSystem& fileSystem;
    fakes::Journal journal;
    fakes::FakeChosenFolder dir1;
    fakes::FakeOutputChoice keuze;
    FolderList list1;
    FileListing file1;
    fakes::FakePicture okKnop;
    fakes::FakeProgressDisplay bar;
    fakes::FakePointer pointer;
    fakes::FakeEventLoop loop;
    fakes::FakeShell shell;
    fakes::FakeMessageBoxes messages;
    fakes::FakeFeedback feedback;
    RunServices services{dir1,  keuze,      okKnop, bar,   pointer,  list1,
                         file1, fileSystem, loop,   shell, messages, feedback};
};

} // namespace dorvantile::testing
