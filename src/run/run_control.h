// OkKnop_Click: the spine of a catalogue run.
#pragma once

#include "run/run_services.h"

namespace dorvantile {

/// The application's title, the caption of its message boxes.
inline constexpr const char* applicationTitle = "Dorvantile";

class RunControl {
public:
    RunControl(RunServices& services, Catalogues& catalogues)
        : services_(services), catalogues_(catalogues) {}

    /// A click on the start picture: press animation, busy pointer, collection of the
    /// chosen folder's sub-folders, then the writer of each selected output, each option
    /// read after the previous writer returned. A click while a run is in progress is
    /// ignored. An error that ends a writer restores the pointer and is shown to the user.
    /// Returns false when the run ended on such an error or was ignored.
    bool OkKnop_Click();

    bool running() const { return running_; }

private:
    void run();

    RunServices& services_;
    Catalogues& catalogues_;
    bool running_ = false;
};

} // namespace dorvantile
