// The services of the desktop that the run relies on: clock and message loop, shell, message
// boxes. One narrow interface each.
#pragma once

#include "platform/interface.h"

#include <string>
#include <string_view>

namespace dorvantile {

/// The monotonic clock and the window's message loop.
class EventLoop : public Interface {
public:
    /// Seconds on a monotonic clock, finer than a millisecond; only differences mean
    /// anything. `Pause` reads it in ticks of 1/64 s. A loop that never waits may jump.
    virtual double now() = 0;
    /// Handles every message waiting at this moment, then returns.
    virtual void processEvents() = 0;
};

/// The desktop shell that opens documents and web addresses in their associated program.
class Shell : public Interface {
public:
    /// Asks the shell to open `target`; does not wait and reports nothing.
    virtual void open(const std::string& target) = 0;
};

enum class MessageIcon { None, Critical };

/// Modal message boxes with a single OK button.
class MessageBoxes : public Interface {
public:
    /// Shows `prompt` under `title` and returns when the user has closed the box.
    virtual void show(std::string_view prompt, std::string_view title, MessageIcon icon) = 0;
};

} // namespace dorvantile
