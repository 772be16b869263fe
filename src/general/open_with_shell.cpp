#include "general/open_with_shell.h"

namespace dorvantile {

void OpenWithShell(Shell& shell, const std::string& target) {
    shell.open(target);
}

} // namespace dorvantile
