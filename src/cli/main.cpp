// dorvantile-cli: the catalogue from the command line, for scheduled and scripted runs.
// It runs the window's run control, collection and writers over headless controls.
#include "cli/headless.h"
#include "cli/options.h"
#include "compare/compare.h"
#include "platform/attributes.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"
#include "platform/posix_file_system.h"
#include "platform/posix_input_files.h"
#include "platform/posix_modules.h"
#include "platform/posix_output_files.h"
#include "platform/posix_process.h"
#include "platform/posix_shell.h"
#include "platform/print_module.h"
#include "run/run_control.h"
#include "writers/catalogue_writers.h"
#include "writers/data_writers.h"
#include "writers/explorer_writer.h"

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
std::optional<std::string> absolute(ProcessContext& environment, const std::string& path,
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
    // The data formats and the explorer page read each file's details.
    const bool data = options.format == Format::Csv || options.format == Format::Json ||
                      options.format == Format::Explorer;
    OutputPaths paths;
    std::string dataPath;
    if (options.output) {
        std::optional<std::string> output("-");
        if (*options.output != "-" && !(output = absolute(environment, *options.output, false)))
            return 1;
        paths = {*output, *output};
        dataPath = *output;
    } else if (options.format != Format::Print) {
        const std::string folder = appFolder(environment, environment);
        if (folder.empty()) {
            report("no folder for the catalogue: HOME is not set and the user has no home "
                   "folder; give one with --output");
            return 1;
        }
        paths = OutputPaths::inFolder(folder);
        dataPath = withSeparator(folder) + (options.format == Format::Csv    ? "Files.csv"
                                            : options.format == Format::Json ? "Files.json"
                                                                             : "Explorer.html");
    }
    const RunDescription description{*folder, environment.currentTime(), environment.hostName()};

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
    // Only a run that prints loads the printer, and with it Qt and libcups.
    std::unique_ptr<Printer> printing;
    if (options.format == Format::Print) {
        PosixModuleLoader modules;
        std::string reason;
        printing = loadPrinter(
            modules, printModulePath(environment, environment, printModuleName), argc, argv,
            options.printer.value_or(""), [](const char* message) { report(message); }, reason);
        if (!printing) {
            report(reason);
            return 1;
        }
    }

    // Without a window there is no sweep to show while folders are collected: each folder
    // is read once, as its section is written.
    const TreeReading reading = TreeReading::OnePass;
    RunServices services{dir1,       keuze, display,  display,  display, list1,
                         fileSystem, loop,  messages, feedback, reading};
    Shell& shell = options.open ? static_cast<Shell&>(desktop) : noShell;
    Printer& printer = printing ? *printing : noPrinter;
    const CatalogueSource source{dir1,     list1,   file1,
                                 feedback, reading, {options.hidden, options.excluded, data}};
    CatalogueWriters writers({source, {display, loop}, files, shell, messages, printer}, paths);
    // The run control checks the chosen folder and writes the window's outputs; the data
    // formats, which no option of the window selects, are written after it.
    RunControl control(services, writers);
    if (!control.OkKnop_Click())
        return 1; // the reason is on standard error
    try {
        if (options.format == Format::Csv)
            SaveToCsv(source, files, dataPath);
        else if (options.format == Format::Json)
            SaveToJson(source, files, dataPath, description);
        else if (options.format == Format::Explorer)
            SaveToExplorer(source, files, dataPath, description);
    } catch (const CatalogueError& error) {
        report(error.what());
        return 1;
    }
    const std::string written = data                             ? dataPath
                                : options.format == Format::Html ? paths.html
                                                                 : paths.text;
    if (options.open && options.format != Format::Html && written != "-")
        desktop.open(written);
    // Without --output the catalogue lands in the app folder; say where.
    if (!options.output && options.format != Format::Print)
        report("catalogue written to " + written);
    return feedback.incomplete() ? 3 : 0;
}

/// `compare OLD NEW`: each side a folder, read now, or a JSON catalogue. Exit status as
/// diff's: 0 the same, 1 differences, 2 trouble.
int compare(const Options& options) {
    PosixEnvironment environment;
    PosixFileSystem fileSystem;
    PosixInputFiles inputs;
    const ListingOptions listing{options.hidden, options.excluded, true};
    const auto side = [&](const std::string& operand) -> std::unique_ptr<EntryStream> {
        const std::optional<std::string> path =
            operand == "-" ? operand : absolute(environment, operand, false);
        if (!path)
            return nullptr;
        const std::optional<unsigned> bits = fileSystem.attributes(*path);
        if (operand != "-" && bits && (*bits & Directory) != 0) {
            const std::optional<std::string> folder = absolute(environment, operand, true);
            return folder ? std::make_unique<WalkedFolder>(fileSystem, *folder, listing) : nullptr;
        }
        std::unique_ptr<ReadableFile> file;
        if (std::error_code error = inputs.open(*path, file)) {
            report("cannot read " + operand + ": " + error.message());
            return nullptr;
        }
        return std::make_unique<JsonCatalogueReader>(std::move(file), operand);
    };
    const std::unique_ptr<EntryStream> older = side(options.oldCatalogue);
    const std::unique_ptr<EntryStream> newer = older ? side(options.newCatalogue) : nullptr;
    if (!newer)
        return 2;
    PosixOutputFiles files;
    try {
        OutputFile out = OutputFile::open(files, "-");
        std::unique_ptr<DifferenceReport> differences;
        if (options.format == Format::Json)
            differences =
                std::make_unique<JsonDifferences>(out, options.oldCatalogue, options.newCatalogue);
        else
            differences = std::make_unique<TextDifferences>(out);
        const ComparisonResult result =
            CompareCatalogues({*older, options.oldCatalogue, *newer, options.newCatalogue},
                              *differences, [](const std::string& warning) { report(warning); });
        out.commit();
        if (!result.failure.empty()) {
            report(result.failure);
            return 2;
        }
        return result.incomplete ? 2 : result.differs() ? 1 : 0;
    } catch (const CatalogueError& error) {
        report(error.what());
        return 2;
    }
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
    if (parsed.options.compare)
        return compare(parsed.options);
    return run(parsed.options, argc, argv);
}
