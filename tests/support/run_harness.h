// The services of a run made of fakes: recording controls, an in-memory output folder, and
// the real or a fake file system to read.
#pragma once

#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_system.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "run/catalogue_writers.h"
#include "run/run_control.h"
#include "support/fake_feedback.h"

namespace dorvantile::testing {

struct RunHarness {
    explicit RunHarness(FileSystem& fs) : fileSystem(fs), file1(fs) { files.folders = {"/out"}; }

    /// Runs the catalogue of `folder` with the output choice `index`; false when it failed.
    bool run(const std::string& folder, int index) {
        dir1.folder = folder;
        keuze.selected = index;
        return control.OkKnop_Click();
    }
    const std::string& output(const char* name) {
        return files.files["/out/" + std::string(name)].content;
    }

    FileSystem& fileSystem;
    fakes::FakeOutputFiles files;
    fakes::Journal& journal = files.journal; // every fake's calls in one order
    fakes::FakeChosenFolder dir1;
    fakes::FakeOutputChoice keuze;
    FolderList list1;
    FileListing file1;
    fakes::FakePicture okKnop{journal};
    fakes::FakeProgressDisplay bar{journal};
    fakes::FakePointer pointer{journal};
    fakes::FakeEventLoop loop;
    fakes::FakeShell shell{journal};
    fakes::FakeMessageBoxes messages{journal};
    fakes::FakeFeedback feedback;
    fakes::FakePrinter printer{journal};
    RunServices services{dir1,       keuze, okKnop,   bar,      pointer, list1, file1,
                         fileSystem, loop,  messages, feedback, files,   shell, printer};
    CatalogueWriters writers{services, "/out"};
    RunControl control{services, writers};
};

} // namespace dorvantile::testing
