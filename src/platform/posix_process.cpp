#include "platform/posix_process.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dorvantile {
namespace {

// Read by the signal handler: the name is complete whenever `noted` is set.
char temporaryName[PATH_MAX];
std::atomic<bool> noted{false};

// The standard descriptors that were closed when the program started.
bool closedStandard[3] = {false, false, false};

extern "C" void removeTemporaryAndEnd(int signal) {
    if (noted.load())
        unlink(temporaryName);
    // Ended by the signal itself, so that the caller sees the usual status.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

} // namespace

void prepareProcess() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            closedStandard[fd] = true;
            // The lowest free descriptor is this one; nothing is to be done if even that fails.
            [[maybe_unused]] const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start (nohup, a background job) stays ignored.
        struct sigaction action {
        }, before{};
        action.sa_handler = removeTemporaryAndEnd;
        sigemptyset(&action.sa_mask);
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

bool closedAtStart(int fd) {
    return fd >= 0 && fd <= 2 && closedStandard[fd];
}

void noteTemporaryFile(const std::string& name) {
    noted.store(false);
    if (name.size() >= sizeof temporaryName)
        return;
    std::memcpy(temporaryName, name.c_str(), name.size() + 1);
    noted.store(true);
}

void forgetTemporaryFile() {
    noted.store(false);
}

} // namespace dorvantile
