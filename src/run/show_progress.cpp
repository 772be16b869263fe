#include "run/show_progress.h"

#include "general/pause.h"

#include <string>

namespace dorvantile {

void ShowProgress(ProgressDisplay& bar, EventLoop& loop) {
    const double factor = 100.0 / 228.0;
    for (int i = 0; i <= 228; i += 2) {
        bar.line(i, 0, i, 15, Rgb{static_cast<std::uint8_t>(i), 255, 200});
        Pause(loop, 0.001f);
        bar.setCaption(std::to_string(static_cast<int>(i * factor)) + "%");
    }
}

} // namespace dorvantile
