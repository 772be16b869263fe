// dorvantile-cli: the catalogue from the command line, for scheduled and scripted runs.
// It runs the window's run control, collection and writers over headless controls.
#include "cli/headless.h"
#include "cli/print_session.h"
#include "platform/attributes.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/posix_file_system.h"
#include "platform/posix_shell.h"
#include "run/run_control.h"
#include "writers/catalogue_writers.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace dorvantile::cli {
namespace {

constexpr const char* usage =
    "Usage: dorvantile-cli [--format html|text] [--output FILE] [--open] FOLDER\n"
    "       dorvantile-cli --format print [--printer NAME] FOLDER\n"
    "Catalogue every file in FOLDER and in every folder beneath it.\n"
    "\n"
    "  --format FORMAT  html (the default) for an HTML page, text for a text file,\n"
    "                   print for a printout on the default printer\n"
    "  --output FILE    where to write the catalogue; - for standard output\n"
    "                   (default: Files.html or Files.txt in the program's folder)\n"
    "  --open           open the written catalogue with the desktop's program for it\n"
    "  --printer NAME   print on the print queue NAME instead of the default printer\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n";

// The values are the output choices of the window.
enum class Format { Html = 1, Text = 2, Print = 3 };

struct Options {
    Format format = Format::Html;
    std::optional<std::string> output;
    bool open = false;
    std::optional<std::string> printer;
    std::string folder;
};

struct UsageError {
    std::string message;
};

/// A failure before the run starts: one line on standard error and exit status 1.
struct SetupError {
    std::string message;
};

std::string workingFolder() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw SetupError{std::string("cannot find the working folder: ") +
                             std::strerror(errno)};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

/// `path` made absolute; the working folder is asked for only when `path` is relative.
std::string absolute(const std::string& path) {
    return normalizeFolder(path, path.front() == '/' ? std::string("/") : workingFolder());
}

// Returns nothing when the options asked for help or the version, which are then printed.
std::optional<Options> parse(int argc, char** argv) {
    Options options;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (arg == name) {
                if (i + 1 >= argc)
                    throw UsageError{"option " + std::string(name) + " needs a value"};
                return std::string(argv[++i]);
            }
            if (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                arg[name.size()] == '=')
                return std::string(arg.substr(name.size() + 1));
            return std::nullopt;
        };
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (arg.empty())
                throw UsageError{"FOLDER is empty"};
            folders.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return std::nullopt;
        } else if (arg == "--version") {
            std::puts("dorvantile-cli " DORVANTILE_VERSION);
            return std::nullopt;
        } else if (arg == "--open") {
            options.open = true;
        } else if (auto format = value("--format")) {
            if (*format == "html")
                options.format = Format::Html;
            else if (*format == "text")
                options.format = Format::Text;
            else if (*format == "print")
                options.format = Format::Print;
            else
                throw UsageError{"unknown format '" + *format + "'"};
        } else if (auto output = value("--output")) {
            if (output->empty())
                throw UsageError{"option --output needs a file"};
            options.output = *output;
        } else if (auto printer = value("--printer")) {
            if (printer->empty())
                throw UsageError{"option --printer needs a printer's name"};
            options.printer = *printer;
        } else {
            throw UsageError{"unknown option '" + std::string(arg) + "'"};
        }
    }
    if (folders.size() != 1)
        throw UsageError{folders.empty() ? "no FOLDER given" : "more than one FOLDER given"};
    options.folder = folders.front();
    if (options.format == Format::Print) {
        if (options.output)
            throw UsageError{"option --output does not apply to --format print"};
        if (options.open)
            throw UsageError{"option --open does not apply to --format print"};
    } else if (options.printer) {
        throw UsageError{"option --printer needs --format print"};
    }
    return options;
}

/// The printer of a run that writes a file: never asked for.
class NoPrinter final : public Printer {
public:
    std::unique_ptr<PrintSurface> startJob() override {
        throw CatalogueError("no printer was chosen");
    }
};

int run(const Options& options, int& argc, char** argv) {
    const std::string folder = absolute(options.folder);
    PosixFileSystem fileSystem;
    const std::optional<unsigned> bits = fileSystem.attributes(folder);
    if (!bits || *bits == Link) {
        // A link that leads nowhere names no folder, like a missing one.
        const int error = bits ? ENOENT : errno;
        std::fprintf(stderr, "dorvantile-cli: %s: %s\n", folder.c_str(), std::strerror(error));
        return 1;
    }
    if ((*bits & Directory) == 0) {
        std::fprintf(stderr, "dorvantile-cli: %s: not a folder\n", folder.c_str());
        return 1;
    }

    // The app folder is looked for (and made) only when the catalogue goes there.
    OutputPaths paths;
    if (options.output) {
        const std::string output = *options.output == "-" ? "-" : absolute(*options.output);
        paths = {output, output};
    } else if (options.format != Format::Print) {
        paths = OutputPaths::inFolder(appFolder());
    }

    FixedFolder dir1(folder);
    FixedChoice keuze(static_cast<int>(options.format));
    NoDisplay display;
    FolderList list1;
    FileListing file1(fileSystem);
    NoWaitLoop loop;
    XdgOpenShell desktop;
    NoShell noShell;
    StandardErrorMessages messages;
    TerminalFeedback feedback;
    Shell& shell = options.open ? static_cast<Shell&>(desktop) : noShell;
    RunServices services{dir1,  keuze,      display, display, display,  list1,
                         file1, fileSystem, loop,    shell,   messages, feedback};
    NoPrinter noPrinter;
    std::optional<PrintSession> printing;
    if (options.format == Format::Print)
        printing.emplace(argc, argv, options.printer.value_or(""));
    Printer& printer = printing ? printing->printer() : noPrinter;
    CatalogueWriters writers(services, paths, printer);
    RunControl control(services, writers);
    if (!control.OkKnop_Click())
        return 1;
    if (options.open && options.format == Format::Text && paths.text != "-")
        desktop.open(paths.text);
    // Without --output the catalogue lands in the app folder; say where.
    if (!options.output && options.format != Format::Print) {
        const std::string& written = options.format == Format::Html ? paths.html : paths.text;
        std::fprintf(stderr, "dorvantile-cli: catalogue written to %s\n", written.c_str());
    }
    return 0;
}

} // namespace
} // namespace dorvantile::cli

int main(int argc, char** argv) {
    using namespace dorvantile::cli;
    try {
        const std::optional<Options> options = parse(argc, argv);
        if (!options)
            return 0;
        return run(*options, argc, argv);
    } catch (const SetupError& error) {
        std::fprintf(stderr, "dorvantile-cli: %s\n", error.message.c_str());
        return 1;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "dorvantile-cli: %s\n%s", error.message.c_str(), usage);
        return 2;
    }
}
