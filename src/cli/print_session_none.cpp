// The print session of a build without Qt: every job fails with the reason.
#include "cli/print_session.h"
#include "platform/output_file.h"

namespace dorvantile::cli {

struct PrintSession::Parts final : Printer {
    std::unique_ptr<PrintSurface> startJob() override {
        throw CatalogueError("Cannot print: this dorvantile-cli was built without Qt");
    }
};

PrintSession::PrintSession(int&, char**, const std::string&) : parts_(std::make_unique<Parts>()) {}

PrintSession::~PrintSession() = default;

Printer& PrintSession::printer() {
    return *parts_;
}

} // namespace dorvantile::cli
