// Paths as the catalogue writes them: "/" between folder and name, no doubled separator.
#pragma once

#include "platform/environment.h"

#include <string>
#include <string_view>

namespace dorvantile {

/// Appends "/" to `path` unless it already ends in one (the root "/").
void appendSeparator(std::string& path);

/// `folder` followed by "/" unless it already ends in one.
std::string withSeparator(std::string_view folder);

/// The chosen folder that `given` names: an absolute path (relative ones taken from
/// `workingFolder`) with "." and ".." resolved lexically and no trailing "/" except the
/// root itself. Symbolic links are kept as given.
std::string normalizeFolder(std::string_view given, std::string_view workingFolder);

/// The file that makes a copy of the programs portable: the build puts it beside the
/// programs it builds, and an install never copies it.
inline constexpr const char* portableMarker = "dorvantile.portable";

/// The folder that holds the running program when `portableMarker` lies beside it and the
/// user may write there (a build tree, a portable copy); otherwise, for an installed
/// program under any prefix, the program's folder in the user's data folder
/// ($XDG_DATA_HOME/dorvantile, by default ~/.local/share/dorvantile), made on first use;
/// without an absolute HOME the home folder comes from the password database. Empty when the
/// user has no data folder at all or it cannot be made: then `problem` says why.
std::string appFolder(ProcessContext& process, UserFolders& folders, std::string& problem);

/// The program's folder for what it may lose ($XDG_CACHE_HOME/dorvantile, by default
/// ~/.cache/dorvantile), made on first use, under the same rules; empty with `problem`.
std::string cacheFolder(ProcessContext& process, UserFolders& folders, std::string& problem);

/// The file of the command line's print module, `name`: beside the running program when
/// `portableMarker` lies there (a build tree, a portable copy, whether or not the user may
/// write there), else in the installed library folder, found from the program's folder by
/// DORVANTILE_MODULE_FOLDER (relative, so that any prefix works). Empty when the program's
/// own file cannot be found.
std::string printModulePath(ProcessContext& process, UserFolders& folders, const std::string& name);

} // namespace dorvantile
