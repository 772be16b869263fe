#include "platform/posix_shell.h"

namespace dorvantile {

void XdgOpenShell::open(const std::string& target) {
    // The shell answers nothing by design: a desktop without an opener shows nothing, as a
    // target that cannot be opened does.
    [[maybe_unused]] const std::error_code notReported =
        programs_.startProgram({"xdg-open", target});
}

} // namespace dorvantile
