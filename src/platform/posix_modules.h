// Shared modules loaded by the dynamic linker.
#pragma once

#include "platform/modules.h"

namespace dorvantile {

/// dlopen(3) and dlsym(3); the reasons are dlerror(3)'s.
class PosixModuleLoader final : public ModuleLoader {
public:
    std::unique_ptr<Module> load(const std::string& path, std::string& reason) override;
};

} // namespace dorvantile
