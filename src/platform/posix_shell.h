// The desktop shell reached through xdg-open, for front ends without a toolkit.
#pragma once

#include "platform/environment.h"
#include "platform/system.h"

namespace dorvantile {

/// Starts `xdg-open TARGET` detached: it neither waits for the opened program nor leaves a
/// child behind, and a target that cannot be opened is the shell's own concern.
class XdgOpenShell final : public Shell {
public:
    explicit XdgOpenShell(ProgramStarter& programs) : programs_(programs) {}
    void open(const std::string& target) override;

private:
    ProgramStarter& programs_;
};

} // namespace dorvantile
