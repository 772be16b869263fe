#include "platform/paths.h"

#include <vector>

namespace dorvantile {

void appendSeparator(std::string& path) {
    if (path.empty() || path.back() != '/')
        path.push_back('/');
}

std::string withSeparator(std::string_view folder) {
    std::string path(folder);
    appendSeparator(path);
    return path;
}

std::string normalizeFolder(std::string_view given, std::string_view workingFolder) {
    std::string joined;
    if (given.empty() || given.front() != '/') {
        joined.assign(workingFolder);
        joined.push_back('/');
    }
    joined.append(given);

    std::vector<std::string_view> parts;
    std::string_view rest(joined);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string path;
    for (const std::string_view part : parts) {
        path.push_back('/');
        path.append(part);
    }
    return path.empty() ? std::string("/") : path;
}

namespace {

// Makes `path` and every folder above it; the first folder that cannot be made stops it,
// and is named with the reason.
std::string makeFolders(UserFolders& folders, const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        // As the XDG base directories ask: a user's catalogues name private files.
        if (std::error_code error = folders.makeFolder(folder, true))
            return "cannot make " + folder + ": " + error.message();
        if (slash == std::string::npos)
            return {};
    }
}

// The folder of the running program, or empty when it cannot be found.
std::string programFolder(ProcessContext& process) {
    const std::string program = process.programPath();
    const std::size_t slash = program.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : program.substr(0, slash);
}

bool isPortable(UserFolders& folders, const std::string& folder) {
    return !folder.empty() && folders.exists(withSeparator(folder) + portableMarker);
}

} // namespace

namespace {

/// The program's folder in the user's folder of the XDG variable `variable`, by default
/// `fallback` below the home folder, made on first use; empty with `problem` when there is
/// none.
std::string userFolder(ProcessContext& process, UserFolders& folders, const char* variable,
                       const char* fallback, std::string& problem) {
    std::string data;
    const std::optional<std::string> xdg = process.variable(variable);
    // A relative HOME (as relative XDG_DATA_HOME) is taken as unset: never a folder that
    // depends on where the program happens to run.
    const std::optional<std::string> given = process.variable("HOME");
    std::optional<std::string> home = given;
    if (!home || !home->starts_with('/'))
        home = process.passwordHome();
    // Never a shared folder such as one in /tmp, where another user could plant a link.
    if (xdg && xdg->starts_with('/')) {
        data = *xdg;
    } else if (home && home->starts_with('/')) {
        data = *home + fallback;
    } else {
        problem = given && !given->empty() ? "HOME is not an absolute path"
                                           : std::string("HOME is not set");
        problem += " and the user has no home folder";
        return {};
    }
    std::string folder = normalizeFolder(data + "/dorvantile", "/");
    problem = makeFolders(folders, folder);
    return problem.empty() ? folder : std::string();
}

} // namespace

std::string appFolder(ProcessContext& process, UserFolders& folders, std::string& problem) {
    // Only the marker tells a build tree from an install: root may write in /usr/bin, and a
    // user in ~/.local/bin or a folder in /opt.
    const std::string beside = programFolder(process);
    if (isPortable(folders, beside) && folders.mayWriteIn(beside))
        return beside;
    return userFolder(process, folders, "XDG_DATA_HOME", "/.local/share", problem);
}

std::string cacheFolder(ProcessContext& process, UserFolders& folders, std::string& problem) {
    return userFolder(process, folders, "XDG_CACHE_HOME", "/.cache", problem);
}

std::string printModulePath(ProcessContext& process, UserFolders& folders,
                            const std::string& name) {
    const std::string folder = programFolder(process);
    if (folder.empty())
        return {};
    if (isPortable(folders, folder))
        return withSeparator(folder) + name;
    return withSeparator(normalizeFolder(DORVANTILE_MODULE_FOLDER, folder)) + name;
}

} // namespace dorvantile
