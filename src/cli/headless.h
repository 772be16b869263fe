// The controls and services of a run with no window: no animation, no pauses, no message
// boxes. Failures and unreadable folders go to standard error.
#pragma once

#include "platform/controls.h"
#include "platform/system.h"
#include "run/run_feedback.h"

#include <chrono>
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

class FixedFolder final : public ChosenFolder {
public:
    explicit FixedFolder(std::string path) : path_(std::move(path)) {}
    std::string path() const override { return path_; }

private:
    std::string path_;
};

class FixedChoice final : public OutputChoice {
public:
    explicit FixedChoice(int index) : index_(index) {}
    bool isSelected(int index) const override { return index == index_; }

private:
    int index_;
};

/// The picture, the progress bar and the pointer of a window that is not there.
class NoDisplay final : public Picture, public ProgressDisplay, public Pointer {
public:
    void setTop(int) override {}
    void setLeft(int) override {}
    void Cls() override {}
    void line(int, int, int, int, Rgb) override {}
    void setCaption(std::string_view) override {}
    void set(MousePointer) override {}
};

/// A message loop with nothing to handle and a clock on which every pause is already over.
class NoWaitLoop final : public EventLoop {
public:
    double now() override { return clock_ += 86400.0; }
    void processEvents() override {}

private:
    double clock_ = 0;
};

class NoShell final : public Shell {
public:
    void open(const std::string&) override {}
};

/// Errors go to standard error, one line each; notices are left out.
class StandardErrorMessages final : public MessageBoxes {
public:
    void show(std::string_view prompt, std::string_view title, MessageIcon icon) override;
};

/// Warnings for unreadable folders, and a one-line progress display while standard error
/// is a terminal.
class TerminalFeedback final : public RunFeedback {
public:
    TerminalFeedback();
    ~TerminalFeedback() override;
    void working(const Progress& progress) override;
    void cannotRead(const std::string& folder, std::error_code reason) override;

    /// Whether a folder could not be read: the catalogue lacks what lies in it.
    bool incomplete() const { return !unreadable_.empty(); }

private:
    void clearLine();

    std::set<std::string> unreadable_; // each warned of once, by collection or listing

    bool terminal_;
    bool shown_ = false;     // the progress line is on the terminal now
    bool shownOnce_ = false; // it has been shown in this run
    std::chrono::steady_clock::time_point last_;
};

} // namespace dorvantile::cli
