// dorvantile-cli: the catalogue from the command line, for scheduled and scripted runs.
// It runs the window's run control, collection and writers over headless controls.
#include "cli/headless.h"
#include "cli/options.h"
#include "platform/attributes.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"
#include "platform/posix_file_system.h"
#include "platform/posix_output_files.h"
#include "platform/posix_process.h"
#include "platform/posix_shell.h"
#include "platform/qt/qt_print_session.h"
#include "run/run_control.h"
#include "writers/catalogue_writers.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile::cli {
namespace {

/// The printer of a run that writes a file: never asked for.
class NoPrinter final : public Printer {
public:
    std::unique_ptr<PrintSurface> startJob() override {
        throw CatalogueError("no printer was chosen");
    }
};

/// `path` made absolute; the working folder is asked for only when `path` is relative. A
/// folder to catalogue has its "." and ".." resolved as text; an output file is left as the
/// kernel will resolve it, through whatever links it holds.
std::optional<std::string> absolute(Environment& environment, const std::string& path,
                                    bool folder) {
    std::string working = "/";
    if (path.front() != '/') {
        if (std::error_code error = environment.workingFolder(working)) {
            report("cannot find the working folder: " + error.message());
            return std::nullopt;
        }
    }
    if (folder)
        return normalizeFolder(path, working);
    return path.front() == '/' ? path : withSeparator(working) + path;
}

int run(const Options& options, int& argc, char** argv) {
    PosixEnvironment environment;
    const std::optional<std::string> folder = absolute(environment, options.folder, true);
    if (!folder)
        return 1;
    PosixFileSystem fileSystem;
    // What a link leads to (nowhere, a file) the run finds out as it reads the folder.
    const std::optional<unsigned> bits = fileSystem.attributes(*folder);
    if (!bits) {
        report(*folder + ": " + std::generic_category().message(errno));
        return 1;
    }
    if ((*bits & (Directory | Link)) == 0) {
        report(*folder + ": not a folder");
        return 1;
    }

    // The app folder is looked for (and made) only when the catalogue goes there.
    OutputPaths paths;
    if (options.output) {
        std::optional<std::string> output("-");
        if (*options.output != "-" && !(output = absolute(environment, *options.output, false)))
            return 1;
        paths = {*output, *output};
    } else if (options.format != Format::Print) {
        const std::string folder = appFolder(environment);
        if (folder.empty()) {
            report("no folder for the catalogue: HOME is not set and the user has no home "
                   "folder; give one with --output");
            return 1;
        }
        paths = OutputPaths::inFolder(folder);
    }

    FixedFolder dir1(*folder);
    FixedChoice keuze(static_cast<int>(options.format));
    NoDisplay display;
    FolderList list1;
    FileListing file1(fileSystem);
    NoWaitLoop loop;
    PosixOutputFiles files;
    XdgOpenShell desktop(environment);
    NoShell noShell;
    StandardErrorMessages messages;
    TerminalFeedback feedback;
    NoPrinter noPrinter;
    std::optional<QtPrintSession> printing;
    if (options.format == Format::Print)
        printing.emplace(argc, argv, options.printer.value_or(""), report);

    // Without a window there is no sweep to show while folders are collected: each folder
    // is read once, as its section is written.
    const TreeReading reading = TreeReading::OnePass;
    RunServices services{dir1,       keuze, display,  display,  display, list1,
                         fileSystem, loop,  messages, feedback, reading};
    Shell& shell = options.open ? static_cast<Shell&>(desktop) : noShell;
    Printer& printer = printing ? printing->printer() : noPrinter;
    CatalogueWriters writers(
        {{dir1, list1, file1, feedback, reading}, {display, loop}, files, shell, messages, printer},
        paths);
    RunControl control(services, writers);
    if (!control.OkKnop_Click())
        return 1; // the reason is on standard error
    if (options.open && options.format == Format::Text && paths.text != "-")
        desktop.open(paths.text);
    // Without --output the catalogue lands in the app folder; say where.
    if (!options.output && options.format != Format::Print)
        report("catalogue written to " +
               (options.format == Format::Html ? paths.html : paths.text));
    return feedback.incomplete() ? 3 : 0;
}

/// Writes the help or version text; a standard output that cannot take it is a failure.
int print(const std::string& text) {
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        report("cannot write standard output");
        return 1;
    }
    return 0;
}

} // namespace
} // namespace dorvantile::cli

int main(int argc, char** argv) {
    using namespace dorvantile::cli;
    dorvantile::prepareProcess();
    const ParsedArguments parsed =
        parseArguments(std::vector<std::string_view>(argv + 1, argv + argc));
    switch (parsed.action) {
    case ParsedArguments::Action::Help:
        return print(usageText);
    case ParsedArguments::Action::Version:
        return print("dorvantile-cli " DORVANTILE_VERSION "\n");
    case ParsedArguments::Action::UsageError:
        report(parsed.error);
        std::fputs(usageText, stderr);
        return 2;
    case ParsedArguments::Action::Run:
        break;
    }
    return run(parsed.options, argc, argv);
}
