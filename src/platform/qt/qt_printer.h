// The desktop's printer: a CUPS queue through Qt's QPrinter.
#pragma once

#include "platform/print_surface.h"

#include <memory>
#include <string>

namespace dorvantile {

/// The system's default printer, or a print queue named by the user. Needs a running
/// QGuiApplication (fonts and the printer plug-in come from it).
class QtPrinter final : public Printer {
public:
    /// `queue` names a print queue; empty means the system's default printer.
    explicit QtPrinter(std::string queue = {});

    /// Starts a job at high resolution on the printer's default page size. Throws
    /// CatalogueError when there is no default printer or no queue of that name. The job's
    /// pages are laid out as the lines come and are sent to the printer only at `EndDoc`:
    /// a job dropped before `EndDoc` prints nothing at all.
    std::unique_ptr<PrintSurface> startJob() override;

private:
    std::string queue_;
};

} // namespace dorvantile
