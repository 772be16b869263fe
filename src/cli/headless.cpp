#include "cli/headless.h"

#include "general/shown_text.h"

#include <cstdio>
#include <unistd.h>

namespace dorvantile::cli {

std::string messageLine(std::string_view text) {
    std::string line(text);
    replaceControls(line);
    return "dorvantile-cli: " + line + "\n";
}

void report(std::string_view text) {
    const std::string line = messageLine(text);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

TerminalFeedback::TerminalFeedback(std::optional<bool> progress)
    : terminal_(progress.value_or(isatty(STDERR_FILENO) == 1)) {}

TerminalFeedback::~TerminalFeedback() {
    clearLine();
}

bool TerminalFeedback::due() {
    const auto now = std::chrono::steady_clock::now();
    if (!terminal_ || (shownOnce_ && now - last_ < std::chrono::milliseconds(200)))
        return false;
    last_ = now;
    shown_ = true;
    shownOnce_ = true;
    return true;
}

void TerminalFeedback::working(const Totals& progress) {
    if (!due())
        return;
    std::fprintf(stderr, "\r\033[K%lld folders, %lld files",
                 static_cast<long long>(progress.folders), static_cast<long long>(progress.files));
    std::fflush(stderr);
}

void TerminalFeedback::read(std::int64_t files, ByteCount bytes) {
    if (!due())
        return;
    const double seconds = std::chrono::duration<double>(last_ - started_).count();
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::fprintf(stderr, "\r\033[K%lld files read, %.0f MiB at %.0f MiB/s",
                 static_cast<long long>(files), mib, seconds > 0 ? mib / seconds : 0.0);
    std::fflush(stderr);
}

void TerminalFeedback::cannotRead(const std::string& folder, std::error_code reason) {
    if (!unreadable_.insert(folder).second)
        return;
    clearLine();
    report("cannot read " + folder + ": " + reason.message());
}

void TerminalFeedback::clearLine() {
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }
}

} // namespace dorvantile::cli
