#include "platform/posix_environment.h"

#include "platform/descriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sched.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

} // namespace

std::optional<std::string> PosixEnvironment::variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::string PosixEnvironment::programPath() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buffer;
}

std::optional<std::string> PosixEnvironment::passwordHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return std::nullopt;
    return std::string(found->pw_dir);
}

bool PosixEnvironment::exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

bool PosixEnvironment::mayWriteIn(const std::string& folder) {
    return access(folder.c_str(), W_OK) == 0;
}

std::error_code PosixEnvironment::makeFolder(const std::string& path, bool ownerOnly) {
    if (mkdir(path.c_str(), ownerOnly ? 0700 : 0777) == 0 || errno == EEXIST)
        return {};
    return lastError();
}

std::error_code PosixEnvironment::workingFolder(std::string& folder) {
    std::string buffer(4096, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return lastError();
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    folder = std::move(buffer);
    return {};
}

std::error_code PosixMountTable::read(std::string& text) {
    // The kernel reports the size of this file as 0: read until the end instead.
    const Descriptor fd(open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return lastError();
    text.clear();
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        if (n == 0)
            return {};
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

std::error_code PosixEnvironment::startProgram(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    // Fork twice so that the program is adopted by init and never becomes our zombie.
    const pid_t child = fork();
    if (child < 0)
        return lastError();
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
            }
            execvp(argv[0], argv.data());
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return lastError();
    }
    return {};
}

std::string PosixEnvironment::hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

unsigned PosixEnvironment::processors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return static_cast<unsigned>(std::max(CPU_COUNT(&set), 1));
}

FileTime PosixEnvironment::currentTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return {now.tv_sec, static_cast<std::uint32_t>(now.tv_nsec)};
}

MountTable& processMountTable() {
    static PosixMountTable table;
    return table;
}

namespace {

/// The name in `links` (a folder of udev's links to block devices) of device `device`;
/// udev writes a byte that a name may not hold as "\xHH".
std::string linkNaming(const char* links, dev_t device) {
    DIR* folder = ::opendir(links);
    if (!folder)
        return {};
    std::string found;
    while (const dirent* entry = ::readdir(folder)) {
        struct stat status {};
        if (entry->d_name[0] == '.' || ::fstatat(::dirfd(folder), entry->d_name, &status, 0) != 0 ||
            !S_ISBLK(status.st_mode) || status.st_rdev != device)
            continue;
        const std::string_view name = entry->d_name;
        for (std::size_t i = 0; i < name.size(); ++i) {
            unsigned byte = 0;
            if (name.substr(i, 2) == "\\x" && i + 4 <= name.size() &&
                std::sscanf(std::string(name.substr(i + 2, 2)).c_str(), "%2x", &byte) == 1) {
                found.push_back(static_cast<char>(byte));
                i += 3;
            } else {
                found.push_back(name[i]);
            }
        }
        break;
    }
    ::closedir(folder);
    return found;
}

} // namespace

void PosixVolumes::namesOf(const std::string& path, std::string& uuid, std::string& label) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return;
    uuid = linkNaming("/dev/disk/by-uuid", status.st_dev);
    label = linkNaming("/dev/disk/by-label", status.st_dev);
}

bool PosixVolumes::mounted(const std::string& uuid) {
    struct stat device {};
    if (uuid.empty() || uuid.find('/') != std::string::npos ||
        ::stat(("/dev/disk/by-uuid/" + uuid).c_str(), &device) != 0)
        return false;
    std::string text;
    if (processMountTable().read(text))
        return false;
    // Each line's third field is the mounted device's "major:minor".
    const std::string number = " " + std::to_string(major(device.st_rdev)) + ":" +
                               std::to_string(minor(device.st_rdev)) + " ";
    return text.find(number) != std::string::npos;
}

} // namespace dorvantile
