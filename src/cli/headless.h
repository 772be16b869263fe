// What the command line tells: its messages, one line each on standard error, and the
// feedback of its walks.
#pragma once

#include "catalogue/walk_feedback.h"

#include <chrono>
#include <optional>
#include <set>
#include <string>

namespace dorvantile::cli {

/// One message line of the command line as it goes to standard error: the program's name,
/// the text with its control characters shown as "?" (a name in it cannot forge another line
/// or reach the terminal as an escape), and a line end.
std::string messageLine(std::string_view text);

/// Writes `messageLine(text)` to standard error. Every message of the command line goes
/// through here.
void report(std::string_view text);

/// Warnings for unreadable folders, and a one-line progress display while standard error
/// is a terminal.
class TerminalFeedback final : public WalkFeedback {
public:
    /// `progress` says whether the progress line is shown; by default, when standard error
    /// is a terminal.
    explicit TerminalFeedback(std::optional<bool> progress = std::nullopt);
    ~TerminalFeedback() override;
    void working(const Totals& progress) override;
    void cannotRead(const std::string& folder, std::error_code reason) override;
    void read(std::int64_t files, ByteCount bytes) override;

    /// Whether a folder could not be read: the catalogue lacks what lies in it.
    bool incomplete() const { return !unreadable_.empty(); }

private:
    void clearLine();
    bool due(); // whether the progress line is due again
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::set<std::string> unreadable_; // each warned of once, by collection or listing

    bool terminal_;
    bool shown_ = false;     // the progress line is on the terminal now
    bool shownOnce_ = false; // it has been shown in this run
    std::chrono::steady_clock::time_point last_;
};

} // namespace dorvantile::cli
