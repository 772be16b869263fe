#include "cli/options.h"

namespace dorvantile::cli {

const char* const usageText =
    "Usage: dorvantile-cli [--format html|text|csv|json] [--output FILE] [--open]\n"
    "                      [FILTERS] FOLDER\n"
    "       dorvantile-cli --format print [--printer NAME] [FILTERS] FOLDER\n"
    "       dorvantile-cli compare [--format text|json] [FILTERS] OLD NEW\n"
    "FILTERS: [--hidden] [--exclude PATTERN]...\n"
    "Catalogue every file in FOLDER and in every folder beneath it.\n"
    "\n"
    "  --format FORMAT    html (the default) for an HTML page, text for a text file,\n"
    "                     print for a printout on the default printer; csv and json\n"
    "                     for data with each file's size and modification time\n"
    "  --output FILE      where to write the catalogue; - for standard output\n"
    "                     (default: Files.html, .txt, .csv or .json in\n"
    "                     $XDG_DATA_HOME/dorvantile, else ~/.local/share/dorvantile;\n"
    "                     a portable copy's own folder)\n"
    "  --open             open the written catalogue with the desktop's program\n"
    "  --printer NAME     print on the print queue NAME, not the default printer\n"
    "  --hidden           also list dot-files and dot-folders\n"
    "  --exclude PATTERN  leave out files, and folders with all beneath them, whose\n"
    "                     name matches the shell pattern PATTERN (repeatable)\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "compare prints what was added, removed or changed (size or modification time)\n"
    "from OLD to NEW, each a JSON catalogue of this program or a folder to catalogue\n"
    "now, then the counts; --format json gives the same as JSON.\n"
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

// Checks that belong to the options together rather than to each of them.
ParsedArguments checked(Options options, const std::vector<std::string_view>& folders,
                        bool formatGiven) {
    if (options.compare) {
        if (folders.size() != 2)
            return usageError("compare needs OLD and NEW");
        options.oldCatalogue = folders[0];
        options.newCatalogue = folders[1];
        if (!formatGiven)
            options.format = Format::Text;
        if (options.format != Format::Text && options.format != Format::Json)
            return usageError("compare reports as text or json");
        if (options.output || options.open || options.printer)
            return usageError("compare writes to standard output only");
        return {ParsedArguments::Action::Run, std::move(options), {}};
    }
    if (folders.size() != 1)
        return usageError(folders.empty() ? "no FOLDER given" : "more than one FOLDER given");
    options.folder = folders.front();
    if (options.format == Format::Print) {
        if (options.output)
            return usageError("option --output does not apply to --format print");
        if (options.open)
            return usageError("option --open does not apply to --format print");
    } else if (options.printer) {
        return usageError("option --printer needs --format print");
    }
    return {ParsedArguments::Action::Run, std::move(options), {}};
}

} // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& arguments) {
    Options options;
    std::vector<std::string_view> folders;
    bool optionsEnded = false;
    bool formatGiven = false;
    options.compare = !arguments.empty() && arguments.front() == "compare";
    for (std::size_t i = options.compare ? 1 : 0; i < arguments.size(); ++i) {
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
        } else if (!is("--format") && !is("--output") && !is("--printer") && !is("--exclude")) {
            return usageError("unknown option '" + std::string(arg) + "'");
        } else if (!value) {
            return usageError("option " + std::string(arg) + " needs a value");
        } else if (arg.starts_with("--format")) {
            if (*value == "html")
                options.format = Format::Html;
            else if (*value == "text")
                options.format = Format::Text;
            else if (*value == "print")
                options.format = Format::Print;
            else if (*value == "csv")
                options.format = Format::Csv;
            else if (*value == "json")
                options.format = Format::Json;
            else
                return usageError("unknown format '" + *value + "'");
            formatGiven = true;
        } else if (arg.starts_with("--output")) {
            if (value->empty())
                return usageError("option --output needs a file");
            options.output = *value;
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
    return checked(std::move(options), folders, formatGiven);
}

} // namespace dorvantile::cli
