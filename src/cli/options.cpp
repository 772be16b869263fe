#include "cli/options.h"

#include "cli/formats.h"

#include <charconv>

namespace dorvantile::cli {

const char* const usageText =
    "Usage: dorvantile-cli [--format html|text|csv|json|explorer] [--output FILE]\n"
    "                      [--open] [FILTERS] FOLDER\n"
    "       dorvantile-cli --format csv|json --checksum sha256 [--jobs N] [--output FILE]\n"
    "                      [FILTERS] FOLDER\n"
    "       dorvantile-cli --format print [--printer NAME] [FILTERS] FOLDER\n"
    "       dorvantile-cli compare [--format text|json] [--checksum sha256 [--jobs N]]\n"
    "                      [FILTERS] OLD NEW\n"
    "FILTERS: [--hidden] [--exclude PATTERN]...\n"
    "Catalogue every file in FOLDER and in every folder beneath it.\n"
    "\n"
    "  --format FORMAT    html (the default) for an HTML page, text for a text file,\n"
    "                     print for a printout on the default printer; csv and json\n"
    "                     for data with each file's size and modification time;\n"
    "                     explorer for a page with a folder tree, sizes, times and\n"
    "                     a search, made for large trees; sha256sum for a manifest\n"
    "                     that sha256sum -c checks\n"
    "  --output FILE      where to write the catalogue; - for standard output\n"
    "                     (default: Files.html, .txt, .csv, .json or Explorer.html\n"
    "                     in $XDG_DATA_HOME/dorvantile, else\n"
    "                     ~/.local/share/dorvantile; a portable copy's own folder)\n"
    "  --open             open the written catalogue with the desktop's program\n"
    "  --printer NAME     print on the print queue NAME, not the default printer\n"
    "  --checksum sha256  read every file and give its SHA-256 (csv and json)\n"
    "  --jobs N           read files on N threads (default: one per processor)\n"
    "  --reuse CATALOGUE  take the digest of each file whose path, size and time are\n"
    "                     those in the JSON catalogue CATALOGUE, without reading it\n"
    "  --hidden           also list dot-files and dot-folders\n"
    "  --exclude PATTERN  leave out files, and folders with all beneath them, whose\n"
    "                     name matches the shell pattern PATTERN (repeatable)\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "compare prints what was added, removed or changed (size or modification time)\n"
    "from OLD to NEW, each a JSON catalogue of this program or a folder to catalogue\n"
    "now, then the counts; --format json gives the same as JSON. A file of the same\n"
    "size and time whose SHA-256 differs is corrupted; --checksum reads the files of\n"
    "a folder for their digests, to check a backup against its catalogue.\n"
    "\n"
    "Examples:\n"
    "  dorvantile-cli --format csv --exclude '*.tmp' --output photos.csv ~/Photos\n"
    "  dorvantile-cli --format json --hidden --output march.json /media/backup\n"
    "  dorvantile-cli compare --hidden march.json /media/backup\n"
    "\n"
    "Exit status: 0 the catalogue is complete; 1 no catalogue was written (an old one\n"
    "stays as it was); 2 the command line is wrong; 3 the catalogue was written, but\n"
    "folders or files named in warnings could not be read. compare: 0 no differences,\n"
    "1 differences, 2 trouble.\n";

namespace {

ParsedArguments usageError(std::string message) {
    return {ParsedArguments::Action::UsageError, {}, std::move(message)};
}

ParsedArguments run(Options options) {
    return {ParsedArguments::Action::Run, std::move(options), {}};
}

// Checks that belong to the options of a catalogue together rather than to each of them.
ParsedArguments checkCatalogue(Options options, const std::vector<std::string_view>& operands) {
    if (operands.size() != 1)
        return usageError(operands.empty() ? "no FOLDER given" : "more than one FOLDER given");
    options.folder = operands.front();
    if (options.format.empty())
        options.format = "html";
    const Format* format = findFormat(options.format);
    if (!format)
        return usageError("unknown format '" + options.format + "'");
    if (format->printed()) {
        if (options.output)
            return usageError("option --output does not apply to --format print");
        if (options.open)
            return usageError("option --open does not apply to --format print");
    } else if (options.printer) {
        return usageError("option --printer needs --format print");
    }
    options.checksum = options.checksum || format->digests;
    if (options.checksum && options.format != "csv" && options.format != "json" && !format->digests)
        return usageError("option --checksum needs --format csv, json or sha256sum");
    if ((options.jobs > 0 || options.reuse) && !options.checksum)
        return usageError(std::string("option ") + (options.reuse ? "--reuse" : "--jobs") +
                          " needs --checksum");
    return run(std::move(options));
}

ParsedArguments checkCompare(Options options, const std::vector<std::string_view>& operands) {
    if (operands.size() != 2)
        return usageError("compare needs OLD and NEW");
    options.oldCatalogue = operands[0];
    options.newCatalogue = operands[1];
    if (options.format.empty())
        options.format = "text";
    if (options.format != "text" && options.format != "json")
        return usageError(findFormat(options.format) ? "compare reports as text or json"
                                                     : "unknown format '" + options.format + "'");
    if (options.output || options.open || options.printer)
        return usageError("compare writes to standard output only");
    if (options.jobs > 0 && !options.checksum)
        return usageError("option --jobs needs --checksum");
    if (options.reuse)
        return usageError("option --reuse does not apply to compare");
    return run(std::move(options));
}

struct Command {
    std::string_view name;
    ParsedArguments (*check)(Options options, const std::vector<std::string_view>& operands);
};

// The sub-commands, each with the checks of its own operands and options; the first, with no
// name, makes a catalogue.
constexpr Command commands[] = {
    {"", checkCatalogue},
    {compareCommand, checkCompare},
};

} // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& arguments) {
    Options options;
    std::vector<std::string_view> folders;
    bool optionsEnded = false;
    const Command* command = &commands[0];
    for (const Command& named : commands) {
        if (!arguments.empty() && !named.name.empty() && arguments.front() == named.name)
            command = &named;
    }
    options.command = command->name;
    for (std::size_t i = options.command.empty() ? 0 : 1; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        // Whether `arg` is option `name`, in either form; `value` is then set when it has one.
        std::optional<std::string> value;
        const auto is = [&](std::string_view name) {
            if (arg == name) {
                if (i + 1 < arguments.size())
                    value = std::string(arguments[++i]);
                return true;
            }
            if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
                value = std::string(arg.substr(name.size() + 1));
                return true;
            }
            return false;
        };
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            if (arg.empty())
                return usageError("FOLDER is empty");
            folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return {ParsedArguments::Action::Help, {}, {}};
        } else if (arg == "--version") {
            return {ParsedArguments::Action::Version, {}, {}};
        } else if (arg == "--open") {
            options.open = true;
        } else if (arg == "--hidden") {
            options.hidden = true;
        } else if (!is("--format") && !is("--output") && !is("--printer") && !is("--exclude") &&
                   !is("--checksum") && !is("--jobs") && !is("--reuse")) {
            return usageError("unknown option '" + std::string(arg) + "'");
        } else if (!value) {
            return usageError("option " + std::string(arg) + " needs a value");
        } else if (arg.starts_with("--format")) {
            if (value->empty())
                return usageError("unknown format ''");
            options.format = *value;
        } else if (arg.starts_with("--output")) {
            if (value->empty())
                return usageError("option --output needs a file");
            options.output = *value;
        } else if (arg.starts_with("--checksum")) {
            if (*value != "sha256")
                return usageError("unknown checksum '" + *value + "' (sha256 is known)");
            options.checksum = true;
        } else if (arg.starts_with("--jobs")) {
            const auto [end, error] =
                std::from_chars(value->data(), value->data() + value->size(), options.jobs);
            if (error != std::errc() || end != value->data() + value->size() || options.jobs == 0 ||
                options.jobs > 1024)
                return usageError("option --jobs needs a number of threads from 1 to 1024");
        } else if (arg.starts_with("--reuse")) {
            if (value->empty())
                return usageError("option --reuse needs a catalogue");
            options.reuse = *value;
        } else if (arg.starts_with("--exclude")) {
            if (value->empty())
                return usageError("option --exclude needs a pattern");
            options.excluded.push_back(*value);
        } else {
            if (value->empty())
                return usageError("option --printer needs a printer's name");
            options.printer = *value;
        }
    }
    return command->check(std::move(options), folders);
}

} // namespace dorvantile::cli
