// Printing from the command line: the printer of a `--format print` run and what it needs.
#pragma once

#include "platform/print_surface.h"

#include <memory>
#include <string>

namespace dorvantile::cli {

/// The printer for one run, with the application object that the desktop's printing needs
/// for as long as the run lasts.
class PrintSession {
public:
    /// Prepares printing on `queue`, or on the default printer when it is empty. Nothing is
    /// asked of the printer before the run starts its job. `argc` and `argv` must outlive
    /// the session.
    PrintSession(int& argc, char** argv, const std::string& queue);
    PrintSession(const PrintSession&) = delete;
    PrintSession& operator=(const PrintSession&) = delete;
    ~PrintSession();

    Printer& printer();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace dorvantile::cli
