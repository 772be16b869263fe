#include "cli/options.h"

namespace dorvantile::cli {

const char* const usageText =
    "Usage: dorvantile-cli [--format html|text] [--output FILE] [--open] FOLDER\n"
    "       dorvantile-cli --format print [--printer NAME] FOLDER\n"
    "Catalogue every file in FOLDER and in every folder beneath it.\n"
    "\n"
    "  --format FORMAT  html (the default) for an HTML page, text for a text file,\n"
    "                   print for a printout on the default printer\n"
    "  --output FILE    where to write the catalogue; - for standard output (default:\n"
    "                   Files.html or Files.txt in $XDG_DATA_HOME/dorvantile, else in\n"
    "                   ~/.local/share/dorvantile; a portable copy's own folder)\n"
    "  --open           open the written catalogue with the desktop's program for it\n"
    "  --printer NAME   print on the print queue NAME instead of the default printer\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 the catalogue is complete; 1 no catalogue was written (an old one\n"
    "stays as it was); 2 the command line is wrong; 3 the catalogue was written, but\n"
    "folders named in warnings could not be read.\n";

namespace {

ParsedArguments usageError(std::string message) {
    return {ParsedArguments::Action::UsageError, {}, std::move(message)};
}

// Checks that belong to the options together rather than to each of them.
ParsedArguments checked(Options options, const std::vector<std::string_view>& folders) {
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
    for (std::size_t i = 0; i < arguments.size(); ++i) {
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
        } else if (!is("--format") && !is("--output") && !is("--printer")) {
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
            else
                return usageError("unknown format '" + *value + "'");
        } else if (arg.starts_with("--output")) {
            if (value->empty())
                return usageError("option --output needs a file");
            options.output = *value;
        } else {
            if (value->empty())
                return usageError("option --printer needs a printer's name");
            options.printer = *value;
        }
    }
    return checked(std::move(options), folders);
}

} // namespace dorvantile::cli
