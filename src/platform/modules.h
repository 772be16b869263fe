// Code loaded while the program runs: the printer, whose libraries only a run that prints maps.
#pragma once

#include "platform/interface.h"

#include <memory>
#include <string>

namespace dorvantile {

/// A shared module loaded into the process. Its code stays mapped until the process ends
/// (the libraries it brings may leave threads and exit handlers behind), so what it made may
/// outlive the handle.
class Module : public Interface {
public:
    /// The address of the module's entry point `name`, or nullptr with the loader's reason in
    /// `reason`.
    virtual void* symbol(const std::string& name, std::string& reason) = 0;
};

/// Loads shared modules.
class ModuleLoader : public Interface {
public:
    /// The module in the file `path`, every symbol it needs resolved now, or nullptr with the
    /// loader's reason (which names the file) in `reason`.
    virtual std::unique_ptr<Module> load(const std::string& path, std::string& reason) = 0;
};

} // namespace dorvantile
