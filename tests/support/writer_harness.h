// A whole run with fake controls, real writers and a real output folder.
#pragma once

#include "platform/fakes/fake_controls.h"
#include "run/run_control.h"
#include "support/run_harness.h"
#include "support/temp_tree.h"
#include "writers/catalogue_writers.h"

#include <string>

namespace dorvantile::testing {

struct WriterHarness : RunHarness {
    explicit WriterHarness(FileSystem& fs, const std::string& outputFolder)
        : RunHarness(fs), printer(journal), paths(OutputPaths::inFolder(outputFolder)),
          writers(services, paths, printer), control(services, writers) {}

    /// Runs the catalogue of `folder` with the choice `index`; false when it failed.
    bool run(const std::string& folder, int index) {
        dir1.folder = folder;
        keuze.selected = index;
        return control.OkKnop_Click();
    }

    fakes::FakePrinter printer;
    OutputPaths paths;
    CatalogueWriters writers;
    RunControl control;
};

} // namespace dorvantile::testing
