#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {

std::string withSeparator(std::string_view folder) {
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path.push_back('/');
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

bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

} // namespace

std::string appFolderOf(std::string_view program) {
    const std::size_t slash = program.find_last_of('/');
    if (slash != std::string_view::npos) {
        const std::string folder(slash == 0 ? std::string_view("/") : program.substr(0, slash));
        // The system's program folders are not the user's, even for root who may write there.
        const bool installed =
            folder == "/bin" || folder == "/sbin" || folder.rfind("/usr/", 0) == 0;
        if (!installed && access(folder.c_str(), W_OK) == 0)
            return folder;
    }
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        data = std::string(home) + "/.local/share";
    else
        data = "/tmp";
    std::string folder = normalizeFolder(data + "/dorvantile", "/");
    makeFolders(folder);
    return folder;
}

std::string appFolder() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    return appFolderOf(n > 0 ? std::string_view(buffer.data(), static_cast<std::size_t>(n))
                             : std::string_view());
}

} // namespace dorvantile
