#include "platform/print_module.h"

namespace dorvantile {
namespace {

/// The module's printer, and the module that made it.
class ModulePrinter final : public Printer {
public:
    ModulePrinter(std::unique_ptr<Module> module, std::unique_ptr<Printer> printer)
        : module_(std::move(module)), printer_(std::move(printer)) {}
    std::unique_ptr<PrintSurface> startJob() override { return printer_->startJob(); }

private:
    std::unique_ptr<Module> module_;
    std::unique_ptr<Printer> printer_; // after the module: it goes first
};

} // namespace

std::unique_ptr<Printer> loadPrinter(ModuleLoader& loader, const std::string& path, int& argc,
                                     char** argv, const std::string& queue,
                                     void (*reportError)(const char*), std::string& reason) {
    std::string why = "the program's own file cannot be found";
    std::unique_ptr<Module> module = path.empty() ? nullptr : loader.load(path, why);
    void* entry = module ? module->symbol(printModuleEntry, why) : nullptr;
    if (entry == nullptr) {
        reason = "cannot print: " + why;
        return nullptr;
    }
    const auto make = reinterpret_cast<decltype(&dorvantile_make_printer)>(entry);
    std::unique_ptr<Printer> printer(make(&argc, argv, queue.c_str(), reportError));
    return std::make_unique<ModulePrinter>(std::move(module), std::move(printer));
}

} // namespace dorvantile
