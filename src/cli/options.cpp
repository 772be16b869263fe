#include "cli/options.h"

#include "catalogue/codecs.h"
#include "cli/formats.h"

#include <algorithm>
#include <charconv>

namespace dorvantile::cli {

const char* const usageText =
    "Usage: dorvantile-cli [--format html|text|csv|json|explorer] [--output FILE]\n"
    "                      [--open] [FILTERS] FOLDER\n"
    "       dorvantile-cli --format csv|json|explorer --checksum sha256 [--jobs N]\n"
    "                      [--output FILE] [FILTERS] FOLDER\n"
    "       dorvantile-cli --format explorer --link-base relative|URL [--output FILE]\n"
    "                      [FILTERS] FOLDER\n"
    "       dorvantile-cli --format print [--printer NAME] [FILTERS] FOLDER\n"
    "       dorvantile-cli compare [--format text|json] [--checksum sha256 [--jobs N]]\n"
    "                      [--color auto|always|never]\n"
    "                      [FILTERS] OLD NEW\n"
    "       dorvantile-cli library add [--name NAME]\n"
    "                      [--checksum sha256 [--jobs N] [--reuse CATALOGUE]]\n"
    "                      [FILTERS] SOURCE\n"
    "       dorvantile-cli library list [--format text|json]\n"
    "       dorvantile-cli library remove NAME\n"
    "       dorvantile-cli library search [--in NAME]... [--kind file|folder] [--path]\n"
    "                      [--min-size N] [--max-size N] [--newer DATE] [--older DATE]\n"
    "                      [--limit N] [--count] [--format text|json|csv] PATTERN\n"
    "       dorvantile-cli library duplicates [--min-size N] [--in NAME]...\n"
    "       dorvantile-cli library page [--in NAME]... [--output FILE] [--open]\n"
    "FILTERS: [--hidden] [--exclude PATTERN]...\n"
    "Catalogue every file in FOLDER and in every folder beneath it.\n"
    "\n"
    "  -f, --format FORMAT\n"
    "                     html (the default) for an HTML page, text for a text file,\n"
    "                     print for a printout on the default printer; csv and json\n"
    "                     for data with each file's size and modification time;\n"
    "                     explorer for a page with a folder tree, sizes, times and\n"
    "                     a search, made for large trees; sha256sum for a manifest\n"
    "                     that sha256sum -c checks\n"
    "  -o, --output FILE  where to write the catalogue; - for standard output\n"
    "                     (default: Files.html, .txt, .csv, .json or Explorer.html\n"
    "                     in $XDG_DATA_HOME/dorvantile, else\n"
    "                     ~/.local/share/dorvantile; a portable copy's own folder)\n"
    "  --open             open the written catalogue with the desktop's program\n"
    "  --printer NAME     print on the print queue NAME, not the default printer\n"
    "  --checksum sha256  read every file and give its SHA-256 (csv, json and explorer)\n"
    "  --jobs N           read files on N threads (default: one per processor)\n"
    "  --reuse CATALOGUE  take the digest of each file whose path, size and time are\n"
    "                     those in the JSON catalogue CATALOGUE, without reading it\n"
    "  --link-base relative|URL\n"
    "                     the explorer page's links to files: relative to the page's\n"
    "                     folder (page and tree may then move together), or URL and\n"
    "                     the path beneath FOLDER (default: each file's full path)\n"
    "  --hidden           also list dot-files and dot-folders\n"
    "  --exclude PATTERN  leave out files, and folders with all beneath them, whose\n"
    "                     name matches the shell pattern PATTERN (repeatable)\n"
    "  --spreadsheet-safe write CSV cells that begin with =, +, -, @, a tab or a CR\n"
    "                     with a ' first, so that a spreadsheet shows them as text\n"
    "  --progress, --no-progress\n"
    "                     a progress line on standard error while the tree is read\n"
    "                     (default: when standard error is a terminal)\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n"
    "\n"
    "compare prints what was added, removed or changed (size or modification time)\n"
    "from OLD to NEW, each a JSON catalogue of this program or a folder to catalogue\n"
    "now, a line each ending in \": \" and the path (the first \": \" of the line),\n"
    "then the counts; --format json gives the same as JSON; --color colours the\n"
    "changes (auto: on a terminal, unless NO_COLOR is set). A file of the same\n"
    "size and time whose SHA-256 differs is corrupted; --checksum reads the files of\n"
    "a folder for their digests, to check a backup against its catalogue.\n"
    "\n"
    "library keeps catalogues of many disks in one file (--library FILE, default\n"
    "library.sqlite in the folder of --output's default, or $DORVANTILE_LIBRARY)\n"
    "and searches them at once. add stores a folder (catalogued now) or a JSON\n"
    "catalogue under NAME (default: the disk's label, else the folder's name),\n"
    "replacing one of that name. search matches PATTERN anywhere in names (with\n"
    "--path, in paths below each catalogue's folder), any case, * for any run of\n"
    "characters, ? for one; sizes take k, M, G; dates are ISO 8601 (2026-12-07).\n"
    "duplicates lists files found more than once (same size and name, or the same\n"
    "SHA-256). page writes one explorer page of every catalogue. compare and --reuse\n"
    "take library:NAME for a catalogue of the library.\n"
    "\n"
    "Examples:\n"
    "  dorvantile-cli --format csv --exclude '*.tmp' --output photos.csv ~/Photos\n"
    "  dorvantile-cli --format json --hidden --output march.json /media/backup\n"
    "  dorvantile-cli compare --hidden march.json /media/backup\n"
    "  dorvantile-cli library add --name backup-1 /media/backup\n"
    "  dorvantile-cli library search --min-size 1G '*.iso'\n"
    "\n"
    "Exit status: 0 the catalogue is complete; 1 no catalogue was written (an old one\n"
    "stays as it was); 2 the command line is wrong; 3 the catalogue was written, but\n"
    "folders or files named in warnings could not be read. compare: 0 no differences,\n"
    "1 differences, 2 trouble. library: 0 done (a search found something), 1 a search\n"
    "found nothing, 2 trouble.\n";

namespace {

// The words a mistake may have meant: the options, the sub-commands, the library's actions.
constexpr std::string_view optionWords[] = {
    "--format",   "--output",   "--open",     "--printer",     "--hidden",
    "--exclude",  "--checksum", "--jobs",     "--reuse",       "--library",
    "--name",     "--in",       "--kind",     "--min-size",    "--max-size",
    "--newer",    "--older",    "--limit",    "--count",       "--path",
    "--help",     "--version",  "--progress", "--no-progress", "--spreadsheet-safe",
    "--link-base"};
constexpr std::string_view commandWords[] = {"compare", "library"};
constexpr std::string_view actionWords[] = {"add",    "list",       "remove",
                                            "search", "duplicates", "page"};

/// The number of single-byte edits that make `a` into `b`.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

/// " (did you mean 'WORD'?)" for the word of `words` nearest to `word`, when one is near
/// enough (a third of its letters changed at most); else nothing.
template <std::size_t n>
std::string nearest(std::string_view word, const std::string_view (&words)[n]) {
    const std::string_view bare = word.substr(0, word.find('='));
    std::string_view best;
    std::size_t distance = std::max<std::size_t>(1, bare.size() / 3) + 1;
    for (std::string_view known : words) {
        if (const std::size_t d = editDistance(bare, known); d < distance)
            best = known, distance = d;
    }
    return best.empty() ? std::string() : " (did you mean '" + std::string(best) + "'?)";
}

ParsedArguments usageError(std::string message) {
    return {ParsedArguments::Action::UsageError, {}, std::move(message)};
}

ParsedArguments run(Options options) {
    return {ParsedArguments::Action::Run, std::move(options), {}};
}

/// The first option given that only `library` takes, or nothing.
std::optional<std::string> libraryOption(const Options& options) {
    if (options.name)
        return "--name";
    if (!options.in.empty())
        return "--in";
    if (options.filters.folders)
        return "--kind";
    if (options.filters.minSize || options.filters.maxSize)
        return "--min-size";
    if (options.filters.newer || options.filters.older)
        return "--newer";
    if (options.limit)
        return "--limit";
    if (options.count)
        return "--count";
    if (options.paths)
        return "--path";
    return std::nullopt;
}

// Checks that belong to the options of a catalogue together rather than to each of them.
ParsedArguments checkCatalogue(Options options, const std::vector<std::string_view>& operands) {
    if (operands.size() != 1)
        return usageError(operands.empty() ? "no FOLDER given"
                                           : "more than one FOLDER given" +
                                                 nearest(operands.front(), commandWords));
    options.folder = operands.front();
    if (const auto option = libraryOption(options))
        return usageError("option " + *option + " applies to library only");
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
    if (options.spreadsheetSafe && options.format != "csv")
        return usageError("option --spreadsheet-safe needs --format csv");
    if (options.color != "auto")
        return usageError("option --color applies to compare only");
    if (options.linkBase && options.format != "explorer")
        return usageError("option --link-base needs --format explorer");
    if (options.linkBase == "relative" && options.output == "-")
        return usageError("option --link-base relative needs a page written to a file: links "
                          "from standard output have no folder to start from");
    options.checksum = options.checksum || format->digests;
    if (options.checksum && options.format != "csv" && options.format != "json" &&
        options.format != "explorer" && !format->digests)
        return usageError("option --checksum needs --format csv, json, explorer or sha256sum");
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
    if (const auto option = libraryOption(options))
        return usageError("option " + *option + " applies to library only");
    if (options.format.empty())
        options.format = "text";
    if (options.format != "text" && options.format != "json")
        return usageError(findFormat(options.format) ? "compare reports as text or json"
                                                     : "unknown format '" + options.format + "'");
    if (options.output || options.open || options.printer)
        return usageError("compare writes to standard output only");
    if (options.color != "auto" && options.format != "text")
        return usageError("option --color needs --format text");
    if (options.linkBase)
        return usageError("option --link-base does not apply to compare");
    if (options.jobs > 0 && !options.checksum)
        return usageError("option --jobs needs --checksum");
    if (options.reuse)
        return usageError("option --reuse does not apply to compare");
    if (options.spreadsheetSafe || options.progress)
        return usageError(std::string("option ") +
                          (options.spreadsheetSafe ? "--spreadsheet-safe" : "--progress") +
                          " does not apply to compare");
    return run(std::move(options));
}

ParsedArguments checkLibrary(Options options, const std::vector<std::string_view>& operands) {
    // What each action takes: its operand, and its options beyond --library.
    struct Action {
        std::string_view name, operand;
        bool format, output, adding, narrowing, searching;
    };
    static constexpr Action actions[] = {
        {"add", "SOURCE", false, false, true, false, false},
        {"list", "", true, false, false, false, false},
        {"remove", "NAME", false, false, false, false, false},
        {"search", "PATTERN", true, false, false, true, true},
        {"duplicates", "", false, false, false, true, false},
        {"page", "", false, true, false, true, false},
    };
    if (operands.empty())
        return usageError("library needs add, list, remove, search, duplicates or page");
    options.action = operands.front();
    const Action* action = nullptr;
    for (const Action& known : actions) {
        if (known.name == options.action)
            action = &known;
    }
    if (!action)
        return usageError("unknown library action '" + options.action + "'" +
                          nearest(options.action, actionWords));
    const std::size_t wanted = action->operand.empty() ? 1 : 2;
    if (operands.size() != wanted)
        return usageError(
            operands.size() < wanted
                ? "library " + options.action + " needs " + std::string(action->operand)
                : "library " + options.action + " takes " +
                      (action->operand.empty() ? "no operand"
                                               : "one " + std::string(action->operand)));
    if (wanted == 2)
        options.operand = operands[1];
    const auto refuse = [&](std::string_view option) {
        return usageError("option " + std::string(option) + " does not apply to library " +
                          options.action);
    };
    if (!options.format.empty()) {
        const bool list = options.action == "list";
        if (!action->format)
            return refuse("--format");
        if (options.format != "text" && options.format != "json" &&
            (list || options.format != "csv"))
            return usageError(list ? "library list writes text or json"
                                   : "library search writes text, json or csv");
    }
    if ((options.output || options.open) && !action->output)
        return refuse(options.output ? "--output" : "--open");
    if (options.printer)
        return refuse("--printer");
    if (options.spreadsheetSafe && options.action != "search")
        return refuse("--spreadsheet-safe");
    if (options.color != "auto")
        return refuse("--color");
    if (options.linkBase)
        return refuse("--link-base");
    if (options.progress && options.action != "add")
        return refuse("--progress");
    if (!action->adding && (options.name || options.hidden || !options.excluded.empty() ||
                            options.checksum || options.jobs || options.reuse))
        return refuse(options.name                ? "--name"
                      : options.hidden            ? "--hidden"
                      : !options.excluded.empty() ? "--exclude"
                      : options.checksum          ? "--checksum"
                      : options.jobs              ? "--jobs"
                                                  : "--reuse");
    if ((options.jobs > 0 || options.reuse) && !options.checksum)
        return usageError(std::string("option ") + (options.reuse ? "--reuse" : "--jobs") +
                          " needs --checksum");
    if (!action->narrowing && !options.in.empty())
        return refuse("--in");
    if (!action->searching &&
        (options.filters.folders || options.filters.maxSize || options.filters.newer ||
         options.filters.older || options.limit || options.count || options.paths))
        return refuse("--kind, --max-size, --newer, --older, --limit, --count and --path");
    if (options.filters.minSize && !action->narrowing)
        return refuse("--min-size");
    if (options.name && options.name->empty())
        return usageError("option --name needs a name");
    if (options.count && options.limit)
        return usageError("option --count and --limit do not go together");
    return run(std::move(options));
}

/// A size in bytes with an optional k, M, G or T (powers of 1024).
std::optional<std::uint64_t> parseSize(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    const std::string_view unit(end, text.data() + text.size() - end);
    static constexpr std::string_view units[] = {"", "k", "M", "G", "T"};
    for (int power = 0; power < 5; ++power) {
        if (unit == units[power] ||
            (power > 0 && unit.size() == 1 && unit[0] == (units[power][0] | 0x20))) {
            std::uint64_t scaled = value;
            for (int i = 0; i < power; ++i) {
                if (__builtin_mul_overflow(scaled, 1024u, &scaled))
                    return std::nullopt;
            }
            return scaled;
        }
    }
    return std::nullopt;
}

/// Whether `text` is an absolute URL: a scheme, ":", and nothing that a link cannot hold.
bool isUrl(std::string_view text) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !letter(text[0]))
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F || c == '"' || c == '<' || c == '>' ||
            c == '\\' ||
            (i < colon && !letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' &&
             c != '.'))
            return false;
    }
    return true;
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
    {libraryCommand, checkLibrary},
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
        std::string_view arg = arguments[i];
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
        // The short forms of the most used options.
        if (!optionsEnded && (arg == "-o" || arg == "-f"))
            arg = arg == "-o" ? "--output" : "--format";
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            if (arg.empty())
                return usageError("FOLDER is empty");
            folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return {ParsedArguments::Action::Help, {}, {}};
        } else if (arg == "--version" || arg == "-V") {
            return {ParsedArguments::Action::Version, {}, {}};
        } else if (arg == "--open") {
            options.open = true;
        } else if (arg == "--hidden") {
            options.hidden = true;
        } else if (arg == "--spreadsheet-safe") {
            options.spreadsheetSafe = true;
        } else if (arg == "--progress" || arg == "--no-progress") {
            options.progress = arg == "--progress";
        } else if (arg == "--count") {
            options.count = true;
        } else if (arg == "--path") {
            options.paths = true;
        } else if (!is("--format") && !is("--output") && !is("--printer") && !is("--exclude") &&
                   !is("--checksum") && !is("--jobs") && !is("--reuse") && !is("--library") &&
                   !is("--name") && !is("--in") && !is("--kind") && !is("--min-size") &&
                   !is("--max-size") && !is("--newer") && !is("--older") && !is("--limit") &&
                   !is("--color") && !is("--link-base")) {
            return usageError("unknown option '" + std::string(arg) + "'" +
                              nearest(arg, optionWords));
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
        } else if (arg.starts_with("--color")) {
            if (*value != "auto" && *value != "always" && *value != "never")
                return usageError("option --color takes auto, always or never");
            options.color = *value;
        } else if (arg.starts_with("--link-base")) {
            if (*value != "relative" && !isUrl(*value))
                return usageError("option --link-base takes relative or a URL such as "
                                  "https://files.example/disk/");
            options.linkBase = *value;
        } else if (arg.starts_with("--library")) {
            if (value->empty())
                return usageError("option --library needs a file");
            options.library = *value;
        } else if (arg.starts_with("--name")) {
            options.name = *value;
        } else if (arg.starts_with("--in")) {
            if (value->empty())
                return usageError("option --in needs a catalogue's name");
            options.in.push_back(*value);
        } else if (arg.starts_with("--kind")) {
            if (*value != "file" && *value != "folder")
                return usageError("option --kind takes file or folder");
            options.filters.folders = *value == "folder";
        } else if (arg.starts_with("--min-size") || arg.starts_with("--max-size")) {
            const std::optional<std::uint64_t> size = parseSize(*value);
            if (!size)
                return usageError("option " + std::string(arg.substr(0, 10)) +
                                  " needs a size in bytes, with k, M, G or T");
            (arg[2] == 'm' && arg[3] == 'i' ? options.filters.minSize : options.filters.maxSize) =
                size;
        } else if (arg.starts_with("--newer") || arg.starts_with("--older")) {
            const std::optional<FileTime> time = parseUserTime(*value);
            if (!time)
                return usageError("option " + std::string(arg.substr(0, 7)) +
                                  " needs a date such as 2026-12-07 or 2026-12-07T13:30");
            (arg[2] == 'n' ? options.filters.newer : options.filters.older) = time->seconds;
        } else if (arg.starts_with("--limit")) {
            std::uint64_t limit = 0;
            const auto [end, error] =
                std::from_chars(value->data(), value->data() + value->size(), limit);
            if (error != std::errc() || end != value->data() + value->size() || limit == 0)
                return usageError("option --limit needs a number of at least 1");
            options.limit = limit;
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
