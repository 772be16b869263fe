#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_system.h"
#include "platform/print_module.h"

#include <gtest/gtest.h>

namespace dorvantile {
namespace {

fakes::Journal journal;

Printer* makePrinter(int* argc, char** argv, const char* queue, void (*reportError)(const char*)) {
    journal.push_back(std::string(argv[0]) + " " + std::to_string(*argc) + " on " + queue);
    reportError("toolkit error");
    return new fakes::FakePrinter(journal);
}

// A module without the entry point makes no printer and is the reason the run cannot print;
// the module's printer is made with the run's arguments and prints.
TEST(PrintModule, MakesThePrinterOrSaysWhyItCannotPrint) {
    fakes::FakeModuleLoader loader;
    loader.modules["/m/other.so"] = {{"other", reinterpret_cast<void*>(&makePrinter)}};
    loader.modules["/m/print.so"] = {{printModuleEntry, reinterpret_cast<void*>(&makePrinter)}};
    int argc = 1;
    char name[] = "cli";
    char* argv[] = {name, nullptr};
    const auto report = [](const char* message) { journal.push_back(message); };
    std::string reason;
    EXPECT_EQ(loadPrinter(loader, "/m/other.so", argc, argv, "q", report, reason), nullptr);
    EXPECT_EQ(reason, "cannot print: /m/other.so: undefined symbol: dorvantile_make_printer");
    const std::unique_ptr<Printer> printer =
        loadPrinter(loader, "/m/print.so", argc, argv, "q", report, reason);
    ASSERT_NE(printer, nullptr);
    printer->startJob()->EndDoc();
    EXPECT_EQ(journal, (fakes::Journal{"cli 1 on q", "toolkit error", "EndDoc"}));
}

} // namespace
} // namespace dorvantile
