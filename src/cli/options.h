// The command line's options, read into a value before anything is done.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile::cli {

/// The help text of `--help`, also shown after a usage error.
extern const char* const usageText;

/// The first three are the output choices of the window; the data formats are the command
/// line's own.
enum class Format { Html = 1, Text = 2, Print = 3, Csv = 4, Json = 5 };

struct Options {
    /// Whether this is `compare OLD NEW` rather than a catalogue of `folder`.
    bool compare = false;
    /// The catalogue's format; for `compare`, its report's (text or json).
    Format format = Format::Html;
    std::optional<std::string> output;
    bool open = false;
    std::optional<std::string> printer;
    bool hidden = false;
    std::vector<std::string> excluded;
    std::string folder;
    std::string oldCatalogue, newCatalogue; ///< of `compare`: a JSON catalogue or a folder each
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
/// `--name=value`, before or after FOLDER; "--" ends them. A first argument "compare" asks
/// for a comparison of the two that follow.
ParsedArguments parseArguments(const std::vector<std::string_view>& arguments);

} // namespace dorvantile::cli
