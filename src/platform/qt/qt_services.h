// The desktop services of the window on Qt: clock and message loop, busy pointer, message
// boxes and the shell.
#pragma once

#include "platform/controls.h"
#include "platform/system.h"

namespace dorvantile {

/// Thrown out of `QtEventLoop::processEvents` once the loop was stopped. It unwinds a run
/// that the user abandoned by ending the program, so that the run's unfinished output is
/// removed instead of being completed behind a closed window. Deliberately not derived from
/// std::exception: the run control reports those as failed runs, and this is no failure.
struct LoopStopped {};

/// The monotonic clock and one pass of Qt's message loop.
class QtEventLoop final : public EventLoop {
public:
    double now() override;
    /// Handles the events waiting at this moment. Throws LoopStopped after the pass when
    /// `stop` has been called.
    void processEvents() override;

    /// Ends every pause and every run in progress at its next pass of the loop.
    void stop() { stopped_ = true; }
    bool stopped() const { return stopped_; }

private:
    bool stopped_ = false;
};

/// The screen-wide pointer as Qt's override cursor. Only one override is ever in place, so
/// one arrow always restores the normal pointer however many hourglasses came before it.
class QtPointer final : public Pointer {
public:
    QtPointer() = default;
    ~QtPointer() override;
    void set(MousePointer pointer) override;

private:
    bool overridden_ = false;
};

/// Modal QMessageBox with a single OK button, over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    void show(std::string_view prompt, std::string_view title, MessageIcon icon) override;
};

/// The desktop's program for a file or a web address, through QDesktopServices. A target
/// that begins with "/" is a local file whose name is bytes; anything else is an address.
class QtShell final : public Shell {
public:
    void open(const std::string& target) override;
};

} // namespace dorvantile
