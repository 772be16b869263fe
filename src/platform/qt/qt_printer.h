// The desktop's printer: a CUPS queue, or a PDF file, through Qt's QPrinter.
#pragma once

#include "platform/print_surface.h"

#include <memory>
#include <string>

namespace dorvantile {

/// The system's default printer, a print queue named by the user, or a PDF file. Needs a
/// running QGuiApplication (fonts and the printer plug-in come from it).
class QtPrinter final : public Printer {
public:
    /// `queue` names a print queue; empty means the system's default printer.
    explicit QtPrinter(std::string queue = {});
    /// A printer that writes each job to the PDF file `path` instead of a queue, on A4 paper
    /// with Qt's default margins; the job is laid out and released as on a queue.
    static QtPrinter toPdf(std::string path);

    /// Starts a job at high resolution on the printer's default page size. Throws
    /// CatalogueError when there is no default printer, no queue of that name, or a queue
    /// that accepts no jobs (with the spooler's reason). The job's pages are laid out as the
    /// lines come and are sent to the printer (or written to the file) only at `EndDoc`, as
    /// one PDF document: a job dropped before `EndDoc` prints nothing at all, and a job the
    /// spooler refuses is a CatalogueError with the spooler's answer.
    std::unique_ptr<PrintSurface> startJob() override;

private:
    QtPrinter(std::string queue, std::string pdf);

    std::string queue_;
    std::string pdf_; // when not empty, the file that every job is written to
};

} // namespace dorvantile
