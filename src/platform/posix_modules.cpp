#include "platform/posix_modules.h"

#include <dlfcn.h>

namespace dorvantile {
namespace {

std::string lastError() {
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
}

class PosixModule final : public Module {
public:
    explicit PosixModule(void* handle) : handle_(handle) {}
    // The module was loaded RTLD_NODELETE: this drops the reference, never the code.
    ~PosixModule() override { [[maybe_unused]] const int unloaded = dlclose(handle_); }

    void* symbol(const std::string& name, std::string& reason) override {
        dlerror();
        void* address = dlsym(handle_, name.c_str());
        if (address == nullptr)
            reason = lastError();
        return address;
    }

private:
    void* handle_;
};

} // namespace

std::unique_ptr<Module> PosixModuleLoader::load(const std::string& path, std::string& reason) {
    // RTLD_NOW: a symbol the program does not give is an error here, never a crash halfway
    // through a job. RTLD_LOCAL keeps the module's libraries out of later lookups.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        reason = lastError();
        return nullptr;
    }
    return std::make_unique<PosixModule>(handle);
}

} // namespace dorvantile
