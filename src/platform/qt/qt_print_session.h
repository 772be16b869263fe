// Printing from a program without a window: the printer of one run and what Qt needs for it,
// made by the print module's entry point (`dorvantile_make_printer`).
#pragma once

#include "platform/print_surface.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace dorvantile {

/// The printer for one run, with the application object that the desktop's printing needs
/// for as long as the run lasts.
class QtPrintSession final : public Printer {
public:
    /// Prepares printing on `queue`, or on the default printer when it is empty. Nothing is
    /// asked of the printer before the run starts its job. `argc` and `argv` must outlive
    /// the session. Qt's own errors go to `reportError`, its warnings nowhere.
    QtPrintSession(int& argc, char** argv, const std::string& queue,
                   std::function<void(std::string_view)> reportError);
    QtPrintSession(const QtPrintSession&) = delete;
    QtPrintSession& operator=(const QtPrintSession&) = delete;
    ~QtPrintSession() override;

    std::unique_ptr<PrintSurface> startJob() override;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace dorvantile
