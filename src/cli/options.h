// The command line's options, read into a value before anything is done.
#pragma once

#include "library/search.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile::cli {

/// The help text of `--help`, also shown after a usage error.
extern const char* const usageText;

/// The sub-commands; a command line without one makes a catalogue.
inline constexpr std::string_view compareCommand = "compare";
inline constexpr std::string_view libraryCommand = "library";

/// A side of compare, or a catalogue to reuse, that names a catalogue of the library.
inline constexpr std::string_view libraryPrefix = "library:";

struct Options {
    /// The sub-command: empty for a catalogue of `folder`, or `compareCommand`.
    std::string command;
    /// The catalogue's format (a name of the table of formats); for `compare`, its report's (text
    /// or json).
    std::string format;
    std::optional<std::string> output;
    bool open = false;
    std::optional<std::string> printer;
    bool hidden = false;
    std::vector<std::string> excluded;
    bool checksum = false; ///< each file's SHA-256 (`--checksum sha256`)
    unsigned jobs = 0;     ///< threads that read files for their digests; 0: one a processor
    std::optional<std::string> reuse; ///< a JSON catalogue whose digests unchanged files take
    bool spreadsheetSafe = false;     ///< CSV cells that a spreadsheet reads as text
    std::optional<bool> progress;     ///< a progress line; by default on a terminal
    std::string color = "auto";       ///< compare's colours: auto, always or never
    /// The explorer page's links: "relative" to the page's folder, or a URL they begin with;
    /// unset, each file's own path.
    std::optional<std::string> linkBase;
    std::string folder;
    std::string oldCatalogue, newCatalogue; ///< of `compare`: a JSON catalogue or a folder each

    // Of `library`: what it does (add, list, remove, search, duplicates, page) and to what.
    std::string action;
    std::string operand; ///< a SOURCE to add, a NAME to remove, a PATTERN to search for
    std::optional<std::string> library; ///< the library's file, else the default
    std::optional<std::string> name;    ///< of a catalogue added
    std::vector<std::string> in;        ///< the catalogues searched; all when empty
    SearchFilters filters;
    std::optional<std::uint64_t> limit;
    bool count = false; ///< a search's count alone
    bool paths = false; ///< a search of paths rather than names
    friend bool operator==(const Options&, const Options&) = default;
};

/// What the arguments ask for: a run with `options`, the help text, the version, or nothing
/// but a usage error, described by `error`.
struct ParsedArguments {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::UsageError;
    Options options;
    std::string error;
};

/// Reads the arguments after the program's name. Options may come as `--name value` or
/// `--name=value` (`-o`, `-f` and `-h`, `-V` for the most used), before or after FOLDER; "--"
/// ends them. A mistake's message names the nearest option or sub-command, where one is near. A
/// first argument that names a sub-command ("compare") asks for it, with its own operands and
/// options.
ParsedArguments parseArguments(const std::vector<std::string_view>& arguments);

} // namespace dorvantile::cli
