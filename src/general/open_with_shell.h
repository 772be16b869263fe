// OpenWithShell: hands a document or web address to the desktop shell.
#pragma once

#include "platform/system.h"

#include <string>

namespace dorvantile {

/// Asks the shell to open `target` in its associated program. Does not wait for that
/// program, and reports nothing when the target cannot be opened.
void OpenWithShell(Shell& shell, const std::string& target);

} // namespace dorvantile
