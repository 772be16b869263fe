// dorvantile-cli: the catalogue from the command line, for scheduled and scripted runs, and
// its sub-commands. Each run walks the tree once into the writer of its format.
#include "catalogue/checksums.h"
#include "catalogue/digest_journal.h"
#include "catalogue/json_catalogue.h"
#include "catalogue/read_ahead.h"
#include "catalogue/tree_walk.h"
#include "cli/formats.h"
#include "cli/headless.h"
#include "cli/library_command.h"
#include "cli/options.h"
#include "compare/compare.h"
#include "platform/attributes.h"
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
#include "writers/html_escape.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace dorvantile::cli {
namespace {

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

/// The explorer page's links as `options.linkBase` asks: from the page at `output` (absolute)
/// to the chosen `folder`, relative and percent-encoded; or the URL given, ending in "/".
/// Both paths are taken as text, as a browser resolves a link's "..".
std::string linkBaseFor(const Options& options, const std::string& output,
                        const std::string& folder) {
    if (!options.linkBase)
        return {};
    if (*options.linkBase != "relative")
        return withSeparator(*options.linkBase);
    const auto parts = [](const std::string& path) {
        std::vector<std::string> list;
        for (std::size_t at = 1; at < path.size();) {
            const std::size_t slash = std::min(path.find('/', at), path.size());
            list.push_back(path.substr(at, slash - at));
            at = slash + 1;
        }
        return list;
    };
    const std::vector<std::string> from =
        parts(normalizeFolder(output.substr(0, output.rfind('/') + 1), "/"));
    const std::vector<std::string> to = parts(folder);
    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common])
        ++common;
    std::string base;
    for (std::size_t k = common; k < from.size(); ++k)
        base.append("../");
    for (std::size_t k = common; k < to.size(); ++k) {
        appendPercentEncoded(base, to[k]);
        base.push_back('/');
    }
    return base.empty() ? "./" : base;
}

/// The journals of digests of the catalogue of `folder` into `output` with these options, each
/// the stem and a number: those there already (of earlier runs cut short, oldest first, or of
/// runs still going), and the first number after them. No stem when there is no cache folder.
struct Journals {
    std::string stem;
    std::vector<std::string> there;
    int next = 1;
};
Journals journalsOf(const Options& options, const std::string& folder, const std::string& output) {
    PosixEnvironment environment;
    std::string problem;
    const std::string cache = cacheFolder(environment, environment, problem);
    if (cache.empty())
        return {};
    std::string key = output + '\0' + folder + '\0' + options.format + (options.hidden ? "h" : "");
    for (const std::string& pattern : options.excluded)
        key.append("\0").append(pattern);
    char name[32];
    std::snprintf(name, sizeof name, "/journal-%016zx.", std::hash<std::string>()(key));
    Journals journals{cache + name, {}, 1};
    for (; environment.exists(journals.stem + std::to_string(journals.next)); ++journals.next)
        journals.there.push_back(journals.stem + std::to_string(journals.next));
    return journals;
}

/// `walk` with each file's digest, read on `--jobs` threads (one per processor by default).
std::unique_ptr<EntryStream> withDigests(std::unique_ptr<EntryStream> walk, const Options& options,
                                         Machine& machine, WalkFeedback& feedback,
                                         std::unique_ptr<EntryStream> reused = nullptr,
                                         std::unique_ptr<DigestJournal> journal = nullptr) {
    return std::make_unique<DigestedStream>(std::move(walk),
                                            options.jobs ? options.jobs : machine.processors(),
                                            feedback, std::move(reused), std::move(journal));
}

/// A catalogue of `options.folder` in its format: exit status 0 complete, 1 none written, 3
/// written without what could not be read.
int catalogue(const Options& options, int& argc, char** argv) {
    const Format& format = *findFormat(options.format);
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
    std::string path;
    if (options.output) {
        std::optional<std::string> output("-");
        if (*options.output != "-" && !(output = absolute(environment, *options.output, false)))
            return 1;
        path = *output;
    } else if (!format.printed()) {
        std::string problem;
        const std::string appFiles = appFolder(environment, environment, problem);
        if (appFiles.empty()) {
            report("no folder for the catalogue: " + problem + "; give one with --output");
            return 1;
        }
        path = withSeparator(appFiles).append(format.defaultFile);
    }
    // Only a run that prints loads the printer, and with it Qt and libcups.
    std::unique_ptr<Printer> printer;
    if (format.printed()) {
        PosixModuleLoader modules;
        std::string reason;
        printer = loadPrinter(
            modules, printModulePath(environment, environment, printModuleName), argc, argv,
            options.printer.value_or(""), [](const char* message) { report(message); }, reason);
        if (!printer) {
            report(reason);
            return 1;
        }
    }

    fileSystem.refresh(*folder);
    PosixOutputFiles files;
    bool incomplete = false;
    // The walk and its progress line end with this block: any message after it, a failure
    // too, takes the line's place on a terminal.
    try {
        TerminalFeedback feedback(options.progress);
        std::unique_ptr<EntryStream> reused;
        if (options.reuse && !(reused = reusedCatalogue(options)))
            return 1;
        // The catalogue that this one replaces is not listed in it: once replaced, what the
        // listing said of it would be wrong, and a manifest would fail its own check.
        if (!format.printed() && path != "-")
            fileSystem.leaveOut(files.inspect(path).file);
        auto walk = std::make_unique<TreeWalk>(
            fileSystem, *folder, ListingOptions{options.hidden, options.excluded, format.details},
            feedback);
        // A chosen folder that cannot be read has no catalogue: the old one stays.
        if (std::error_code error = walk->start()) {
            report(chosenFolderError(*folder, error));
            return 1;
        }
        const RunDescription run{*folder, environment.currentTime(), environment.hostName(),
                                 options.checksum};
        std::unique_ptr<EntryStream> entries = std::move(walk);
        // A run that takes digests into a file keeps a journal of them: the journals of the
        // same catalogue's earlier runs that were cut short give their digests first.
        const Journals journals = options.checksum && !format.printed() && path != "-"
                                      ? journalsOf(options, *folder, path)
                                      : Journals();
        PosixInputFiles journalInputs;
        for (const std::string& earlier : journals.there) {
            std::unique_ptr<ReadableFile> file;
            if (journalInputs.open(earlier, file))
                continue;
            std::unique_ptr<EntryStream> journal = std::make_unique<JournalReader>(std::move(file));
            reused = reused
                         ? std::make_unique<PreferredStream>(std::move(journal), std::move(reused))
                         : std::move(journal);
        }
        DigestJournal* journal = nullptr;
        if (options.checksum) {
            auto kept = journals.stem.empty()
                            ? nullptr
                            : std::make_unique<DigestJournal>(files, journals.stem, journals.next);
            journal = kept.get();
            entries = withDigests(std::move(entries), options, environment, feedback,
                                  std::move(reused), std::move(kept));
        }
        std::optional<OutputFile> out;
        std::unique_ptr<PrintSurface> job;
        if (format.printed())
            job = printer->startJob();
        else
            out.emplace(OutputFile::open(files, path));
        if (out) // its temporary file may lie in the tree, with a name
            fileSystem.leaveOut(out->identity());
        const Writer writer =
            format.writer({out ? &*out : nullptr, job.get(), &run, options.spreadsheetSafe,
                           linkBaseFor(options, path, *folder)});
        writeCatalogue(*entries, *writer);
        // A stream that failed (a damaged catalogue to reuse) leaves the old catalogue.
        if (std::string failure = entries->failure(); !failure.empty()) {
            report(failure);
            return 1;
        }
        if (out)
            out->commit();
        // Complete: its journal and those of earlier runs cut short are no longer needed; a
        // run still going holds its own.
        std::vector<std::string> done = journals.there;
        if (journal && !journal->made().empty())
            done.push_back(journal->made());
        entries.reset(); // this run's journal closed
        for (const std::string& gone : done) {
            [[maybe_unused]] const std::error_code ignored = files.removeUnheld(gone);
        }
        incomplete = feedback.incomplete();
    } catch (const std::exception& error) { // CatalogueError, or no memory left
        report(error.what());
        return 1;
    }
    if (options.open && path != "-") {
        XdgOpenShell desktop(environment);
        desktop.open(path);
    }
    // Without --output the catalogue lands in the app folder; say where.
    if (!options.output && !format.printed())
        report("catalogue written to " + path);
    return incomplete ? 3 : 0;
}

/// `compare OLD NEW`: each side a folder, read now, or a JSON catalogue. Exit status as
/// diff's: 0 the same, 1 differences, 2 trouble.
int compare(const Options& options, int&, char**) {
    PosixEnvironment environment;
    PosixFileSystem fileSystem;
    PosixInputFiles inputs;
    const ListingOptions listing{options.hidden, options.excluded, true};
    NoFeedback noFeedback; // each entry carries what could not be read
    const auto side = [&](const std::string& operand) -> std::unique_ptr<EntryStream> {
        if (operand.starts_with(libraryPrefix))
            return libraryCatalogue(options, operand.substr(libraryPrefix.size()));
        const std::optional<std::string> path =
            operand == "-" ? operand : absolute(environment, operand, false);
        if (!path)
            return nullptr;
        const std::optional<unsigned> bits = fileSystem.attributes(*path);
        if (operand != "-" && bits && (*bits & Directory) != 0) {
            const std::optional<std::string> folder = absolute(environment, operand, true);
            if (!folder)
                return nullptr;
            // Walked on a thread of its own while the other side is read; with --checksum,
            // its files read for their digests on threads of their own.
            std::unique_ptr<EntryStream> walk =
                std::make_unique<TreeWalk>(fileSystem, *folder, listing, noFeedback);
            if (options.checksum)
                walk = withDigests(std::move(walk), options, environment, noFeedback);
            return std::make_unique<ReadAhead>(std::move(walk));
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
        if (options.format == "json")
            differences = jsonDifferences(out, options.oldCatalogue, options.newCatalogue);
        else
            differences =
                textDifferences(out, options.color == "always" ||
                                         (options.color == "auto" && isatty(STDOUT_FILENO) == 1 &&
                                          !environment.variable("NO_COLOR").value_or("").size()));
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

struct Command {
    std::string_view name;
    int (*run)(const Options& options, int& argc, char** argv);
};

// What each sub-command does; the first, with no name, makes a catalogue.
constexpr Command commands[] = {
    {"", catalogue},
    {compareCommand, compare},
    {libraryCommand, library},
};

/// Writes the help or version text; a standard output that cannot take it is a failure.
int print(const std::string& text) {
    if (closedAtStart(1) || std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
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
        std::fputs("Try 'dorvantile-cli --help' for more information.\n", stderr);
        return 2;
    case ParsedArguments::Action::Run:
        break;
    }
    for (const Command& command : commands) {
        if (command.name == parsed.options.command)
            return command.run(parsed.options, argc, argv);
    }
    return 2;
}
