#include "cli/headless.h"

#include <cstdio>
#include <unistd.h>

namespace dorvantile::cli {

void StandardErrorMessages::show(std::string_view prompt, std::string_view, MessageIcon icon) {
    if (icon == MessageIcon::None)
        return;
    std::fprintf(stderr, "dorvantile-cli: %.*s\n", static_cast<int>(prompt.size()), prompt.data());
}

TerminalFeedback::TerminalFeedback() : terminal_(isatty(STDERR_FILENO) == 1) {}

TerminalFeedback::~TerminalFeedback() {
    clearLine();
}

void TerminalFeedback::working(const Progress& progress) {
    if (!terminal_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (shownOnce_ && now - last_ < std::chrono::milliseconds(200))
        return;
    last_ = now;
    std::fprintf(stderr, "\r\033[K%lld folders, %lld files",
                 static_cast<long long>(progress.folders), static_cast<long long>(progress.files));
    std::fflush(stderr);
    shown_ = true;
    shownOnce_ = true;
}

void TerminalFeedback::cannotRead(const std::string& folder, std::error_code reason) {
    clearLine();
    std::fprintf(stderr, "dorvantile-cli: cannot read %s: %s\n", folder.c_str(),
                 reason.message().c_str());
}

void TerminalFeedback::clearLine() {
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }
}

} // namespace dorvantile::cli
