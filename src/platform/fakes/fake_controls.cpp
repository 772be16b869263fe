#include "platform/fakes/fake_controls.h"

#include "platform/output_file.h"

namespace dorvantile::fakes {

std::unique_ptr<PrintSurface> FakePrinter::startJob() {
    if (!available)
        throw CatalogueError("No printer is set up");
    return std::make_unique<RecordingPrintSurface>(journal_);
}

} // namespace dorvantile::fakes
