// The command line's printer, made by a module loaded only by a run that prints, so that
// every other run maps neither the toolkit nor the print spooler's library.
#pragma once

#include "platform/modules.h"
#include "platform/print_surface.h"

#include <memory>
#include <string>

/// The module's one entry point: the printer of one run on `queue` (empty is the default
/// printer), with the application object that the toolkit's printing needs for as long as the
/// printer lives. `argc` and `argv` must outlive it; the toolkit's errors go to `reportError`.
/// The caller owns the printer.
extern "C" dorvantile::Printer* dorvantile_make_printer(int* argc, char** argv, const char* queue,
                                                        void (*reportError)(const char* message));

namespace dorvantile {

/// The file name of the print module: beside the command line in a build tree or a portable
/// copy, in the installed library folder otherwise (`printModulePath`).
inline constexpr const char* printModuleName = "dorvantile-print.so";
inline constexpr const char* printModuleEntry = "dorvantile_make_printer";

/// Loads the module in `path` and makes its printer (see `dorvantile_make_printer`), which
/// keeps the module. Nullptr when the module cannot be loaded or has no entry point, with
/// "cannot print: " and the loader's reason in `reason`.
std::unique_ptr<Printer> loadPrinter(ModuleLoader& loader, const std::string& path, int& argc,
                                     char** argv, const std::string& queue,
                                     void (*reportError)(const char*), std::string& reason);

} // namespace dorvantile
