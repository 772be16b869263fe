#include "general/pause.h"

namespace dorvantile {

void Pause(EventLoop& loop, float seconds) {
    const double start = loop.now();
    while (static_cast<float>(loop.now() - start) < seconds)
        loop.processEvents();
}

} // namespace dorvantile
