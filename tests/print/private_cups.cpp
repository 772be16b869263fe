#include "private_cups.h"

#include <cerrno>
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

namespace dorvantile::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeWhole(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

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

std::size_t countLines(const std::string& text) {
    std::size_t lines = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines += line.empty() ? 0 : 1;
    return lines;
}

std::string primaryGroup() {
    const group* found = getgrgid(getgid());
    return found ? found->gr_name : std::to_string(getgid());
}

} // namespace

TempFolder::TempFolder(const std::string& parent) {
    const std::string base = parent.empty() ? fs::temp_directory_path().string() : parent;
    std::string pattern = base + "/dorvantile-print-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a folder in " + base + ": " + std::strerror(errno));
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TempFolder::file(const std::string& relative) const {
    const fs::path target = path(relative);
    fs::create_directories(target.parent_path());
    std::ofstream created(target);
    if (!created)
        throw std::runtime_error("cannot make " + target.string());
}

void TempFolder::folder(const std::string& relative) const {
    fs::create_directories(path(relative));
}

std::string findProgram(const std::string& name) {
    std::string folders = std::getenv("PATH") ? std::getenv("PATH") : "";
    folders += ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
    std::istringstream in(folders);
    for (std::string folder; std::getline(in, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

Ran runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               std::chrono::seconds limit) {
    TempFolder captured;
    const std::string out = captured.path("out");
    const std::string err = captured.path("err");
    Ran ran;
    ran.status = waitFor(spawn(argv, environment, out, err), limit);
    ran.out = readWhole(out);
    ran.err = readWhole(err);
    return ran;
}

PrivateCups::PrivateCups() : folder_("/tmp") {
    const std::string cupsd = findProgram("cupsd");
    lpadmin_ = findProgram("lpadmin");
    lpstat_ = findProgram("lpstat");
    if (cupsd.empty())
        throw std::runtime_error("cupsd is not installed (Debian: cups-daemon)");
    if (lpadmin_.empty() || lpstat_.empty())
        throw std::runtime_error("lpadmin or lpstat is not installed (Debian: cups-client)");
    if (!fs::exists(pdfDriver))
        throw std::runtime_error(std::string(pdfDriver) + " is missing (Debian: cups-filters)");

    // As root the scheduler runs its filters as user lp, who must reach this folder and
    // write the queues' output files.
    const std::string& base = folder_.path();
    chmod(base.c_str(), 0755);
    for (const char* sub : {"root", "state", "cache", "log", "home", "out", "spool/tmp"})
        fs::create_directories(base + "/" + sub);
    chmod((base + "/out").c_str(), 01777);
    socket_ = base + "/cups.sock";

    const bool root = geteuid() == 0;
    writeWhole(base + "/root/cups-files.conf",
               "ServerRoot " + base + "/root\n" + "StateDir " + base + "/state\n" + "CacheDir " +
                   base + "/cache\n" + "RequestRoot " + base + "/spool\n" + "TempDir " + base +
                   "/spool/tmp\n" + "AccessLog " + base + "/log/access_log\n" + "ErrorLog " + base +
                   "/log/error_log\n" + "PageLog " + base + "/log/page_log\n" +
                   // Without it the scheduler rewrites the system's printcap.
                   "Printcap " + base + "/state/printcap\n" + "FileDevice Yes\n" +
                   (root ? "User lp\nGroup lp\nSystemGroup root\n"
                         : "SystemGroup " + primaryGroup() + "\n"));
    writeWhole(base + "/root/cupsd.conf", "Listen " + socket_ + "\n" +
                                              "Browsing No\n"
                                              "WebInterface No\n"
                                              "DefaultAuthType None\n"
                                              "LogLevel warn\n"
                                              "<Location />\n"
                                              "  Order allow,deny\n"
                                              "  Allow all\n"
                                              "</Location>\n"
                                              "<Policy default>\n"
                                              "  <Limit All>\n"
                                              "    Order deny,allow\n"
                                              "    Allow all\n"
                                              "  </Limit>\n"
                                              "</Policy>\n");

    pid_ =
        spawn({cupsd, "-f", "-c", base + "/root/cupsd.conf", "-s", base + "/root/cups-files.conf"},
              {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "HOME=" + base + "/home"},
              base + "/log/cupsd.out", base + "/log/cupsd.out");
    const auto end = std::chrono::steady_clock::now() + 20s;
    // lpstat -r succeeds either way; only its words tell.
    while (runProgram({lpstat_, "-r"}, clientEnvironment()).out != "scheduler is running\n") {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the private cupsd stopped at once:\n" + log());
        }
        if (std::chrono::steady_clock::now() > end)
            throw std::runtime_error("the private cupsd did not answer:\n" + log());
        std::this_thread::sleep_for(50ms);
    }
}

PrivateCups::~PrivateCups() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (waitFor(pid_, 20s) == -1)
            kill(pid_, SIGKILL);
    }
}

void PrivateCups::addQueue(const std::string& name) {
    const Ran ran =
        runProgram({lpadmin_, "-p", name, "-E", "-v", "file://" + output(name), "-P", pdfDriver},
                   clientEnvironment());
    if (ran.status != 0)
        throw std::runtime_error("lpadmin -p " + name + " failed: " + ran.err);
}

void PrivateCups::setDefault(const std::string& name) {
    const Ran ran = runProgram({lpadmin_, "-d", name}, clientEnvironment());
    if (ran.status != 0)
        throw std::runtime_error("lpadmin -d " + name + " failed: " + ran.err);
}

std::string PrivateCups::output(const std::string& name) const {
    return folder_.path("out/" + name + ".prn");
}

std::vector<std::string> PrivateCups::clientEnvironment() const {
    return {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + folder_.path("home"), "LANG=C.UTF-8",
            "CUPS_SERVER=" + socket_,
            // Client settings (client.conf, lpoptions) come from here, not from /etc/cups.
            "CUPS_SERVERROOT=" + folder_.path("root")};
}

std::size_t PrivateCups::countJobs(const std::vector<std::string>& lpstatOptions) const {
    std::vector<std::string> argv{lpstat_};
    argv.insert(argv.end(), lpstatOptions.begin(), lpstatOptions.end());
    const Ran ran = runProgram(argv, clientEnvironment());
    if (ran.status != 0)
        throw std::runtime_error("lpstat failed: " + ran.err);
    return countLines(ran.out);
}

std::size_t PrivateCups::pendingJobs() const {
    return countJobs({"-W", "not-completed", "-o"});
}

std::size_t PrivateCups::completedJobs() const {
    return countJobs({"-W", "completed", "-o"});
}

void PrivateCups::waitForCompletedJobs(std::size_t completed) const {
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (pendingJobs() != 0 || completedJobs() < completed) {
        if (std::chrono::steady_clock::now() > end)
            throw std::runtime_error("the print jobs did not complete:\n" + log());
        std::this_thread::sleep_for(100ms);
    }
}

std::string PrivateCups::log() const {
    return readWhole(folder_.path("log/cupsd.out")) + readWhole(folder_.path("log/error_log"));
}

} // namespace dorvantile::testing
