#include "private_cups.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace dorvantile::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

/// Starts `argv` with `environment`, standard output and error going to the two files.
pid_t spawn(std::vector<std::string> argv, std::vector<std::string> environment,
            const std::string& out, const std::string& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers(argv).data(),
                                  pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    return pid;
}

/// Waits for `pid` until `limit`; returns its exit status, or -1 when it had to be killed or
/// ended on a signal.
int waitFor(pid_t pid, std::chrono::steady_clock::duration limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::string findProgram(const std::string& name) {
    std::string folders = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::istringstream in(folders +
                          ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
    for (std::string folder; std::getline(in, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0)
            return folder + "/" + name;
    }
    return {};
}

Ran runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    const TempTree captured;
    const int status = waitFor(spawn(argv, environment, captured.path("out"), captured.path("err")),
                               std::chrono::seconds(60));
    return {status, readFile(captured.path("out")), readFile(captured.path("err"))};
}

PrivateCups::Folder::Folder() : path("/tmp/dorvantile-cups-XXXXXX") {
    if (mkdtemp(path.data()) == nullptr)
        throw std::runtime_error(std::string("cannot make a folder in /tmp: ") +
                                 std::strerror(errno));
}

PrivateCups::Folder::~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

PrivateCups::PrivateCups() : lpadmin_(findProgram("lpadmin")), lpstat_(findProgram("lpstat")) {
    const std::string cupsd = findProgram("cupsd");
    if (cupsd.empty() || lpadmin_.empty() || lpstat_.empty() || !fs::exists(pdfDriver))
        throw std::runtime_error("cupsd, lpadmin, lpstat or " + std::string(pdfDriver) +
                                 " is missing (Debian: cups-daemon, cups-client, cups-filters)");

    // As root the scheduler runs its filters as user lp, who must reach this folder and
    // write the queues' output files.
    const std::string& base = folder_.path;
    chmod(base.c_str(), 0755);
    for (const char* sub : {"root", "state", "cache", "log", "home", "out", "spool/tmp"})
        fs::create_directories(base + "/" + sub);
    chmod((base + "/out").c_str(), 01777);

    std::ofstream files(base + "/root/cups-files.conf");
    if (geteuid() == 0) {
        files << "User lp\nGroup lp\nSystemGroup root\n";
    } else {
        const group* own = getgrgid(getgid());
        files << "SystemGroup " << (own ? own->gr_name : std::to_string(getgid())) << "\n";
    }
    // Every place of its own, the printcap too: else the scheduler rewrites the system's.
    for (const std::string setting :
         {"ServerRoot root", "StateDir state", "CacheDir cache", "RequestRoot spool",
          "TempDir spool/tmp", "AccessLog log/access_log", "ErrorLog log/error_log",
          "PageLog log/page_log", "Printcap state/printcap"}) {
        const std::size_t blank = setting.find(' ');
        files << setting.substr(0, blank) << " " << base << "/" << setting.substr(blank + 1)
              << "\n";
    }
    files << "FileDevice Yes\n";
    files.close();
    std::ofstream(base + "/root/cupsd.conf")
        << "Listen " << base << "/cups.sock\n"
        << "Browsing No\nWebInterface No\nDefaultAuthType None\nLogLevel warn\n"
        << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        << "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  </Limit>\n"
        << "</Policy>\n";

    pid_ =
        spawn({cupsd, "-f", "-c", base + "/root/cupsd.conf", "-s", base + "/root/cups-files.conf"},
              {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "HOME=" + base + "/home"},
              base + "/log/cupsd.out", base + "/log/cupsd.out");
    const auto end = std::chrono::steady_clock::now() + 20s;
    // lpstat -r succeeds either way; only its words tell.
    while (runProgram({lpstat_, "-r"}, clientEnvironment()).out != "scheduler is running\n") {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_ || std::chrono::steady_clock::now() > end) {
            waitFor(std::exchange(pid_, -1), 0s); // kills it unless it has ended already
            throw std::runtime_error("the private cupsd did not start:\n" + log());
        }
        std::this_thread::sleep_for(50ms);
    }
}

PrivateCups::~PrivateCups() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitFor(pid_, 20s);
    }
}

void PrivateCups::addQueue(const std::string& name) {
    client({lpadmin_, "-p", name, "-E", "-v", "file://" + output(name), "-P", pdfDriver});
}

void PrivateCups::setDefault(const std::string& name) {
    client({lpadmin_, "-d", name});
}

std::vector<std::string> PrivateCups::clientEnvironment() const {
    return {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + folder_.path + "/home", "LANG=C.UTF-8",
            "CUPS_SERVER=" + folder_.path + "/cups.sock",
            // Client settings (client.conf, lpoptions) come from here, not from /etc/cups.
            "CUPS_SERVERROOT=" + folder_.path + "/root"};
}

std::string PrivateCups::client(std::vector<std::string> argv) const {
    const Ran ran = runProgram(argv, clientEnvironment());
    if (ran.status != 0)
        throw std::runtime_error(argv[0] + " failed: " + ran.err);
    return ran.out;
}

std::size_t PrivateCups::jobs(const char* which) const {
    // One line a job.
    const std::string listed = client({lpstat_, "-W", which, "-o"});
    return std::count(listed.begin(), listed.end(), '\n');
}

void PrivateCups::waitForCompletedJobs(std::size_t completed) const {
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (jobs("not-completed") != 0 || jobs("completed") < completed) {
        if (std::chrono::steady_clock::now() > end)
            throw std::runtime_error("the print jobs did not complete:\n" + log());
        std::this_thread::sleep_for(100ms);
    }
}

std::string PrivateCups::log() const {
    return readFile(folder_.path + "/log/cupsd.out") + readFile(folder_.path + "/log/error_log");
}

} // namespace dorvantile::testing
