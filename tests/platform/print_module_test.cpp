#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_system.h"
#include "platform/print_module.h"

#include <gtest/gtest.h>

namespace dorvantile {
namespace {

fakes::Journal journal;

// The module's entry point as the test's module gives it.
Printer* makePrinter(int* argc, char** argv, const char* queue, void (*reportError)(const char*)) {
    journal.push_back(std::string("made on '") + queue + "' for " + argv[0] + " of " +
                      std::to_string(*argc));
    reportError("toolkit error");
    return new fakes::FakePrinter(journal);
}

// A module that cannot be loaded, or lacks its entry point, is the reason the run cannot
// print; a loaded one makes the printer with the run's arguments.
TEST(PrintModule, MakesThePrinterOrSaysWhyItCannotPrint) {
    fakes::FakeModuleLoader loader;
    loader.modules["/lib/other.so"] = {{"other", reinterpret_cast<void*>(&makePrinter)}};
    loader.modules["/lib/print.so"] = {{printModuleEntry, reinterpret_cast<void*>(&makePrinter)}};
    int argc = 1;
    char name[] = "dorvantile-cli";
    char* argv[] = {name, nullptr};
    const auto report = [](const char* message) { journal.push_back(message); };
    for (const auto& [path, expected] :
         {std::pair{"", "cannot print: the program's own file cannot be found"},
          {"/lib/none.so", "cannot print: /lib/none.so: cannot open shared object file: No such "
                           "file or directory"},
          {"/lib/other.so", "cannot print: /lib/other.so: undefined symbol: "
                            "dorvantile_make_printer"}}) {
        std::string reason;
        EXPECT_EQ(loadPrinter(loader, path, argc, argv, "office", report, reason), nullptr);
        EXPECT_EQ(reason, expected);
    }
    EXPECT_TRUE(journal.empty());
    std::string reason;
    const std::unique_ptr<Printer> printer =
        loadPrinter(loader, "/lib/print.so", argc, argv, "office", report, reason);
    ASSERT_NE(printer, nullptr);
    printer->startJob()->EndDoc();
    EXPECT_EQ(journal, (fakes::Journal{"made on 'office' for dorvantile-cli of 1", "toolkit error",
                                       "EndDoc"}));
}

} // namespace
} // namespace dorvantile
