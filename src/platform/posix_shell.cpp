#include "platform/posix_shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dorvantile {

void XdgOpenShell::open(const std::string& target) {
    // Fork twice so that the opener is adopted by init and never becomes our zombie.
    const pid_t child = fork();
    if (child < 0)
        return;
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
            }
            execlp("xdg-open", "xdg-open", target.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

} // namespace dorvantile
