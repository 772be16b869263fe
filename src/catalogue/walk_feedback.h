// What a walk tells its front end while it works.
#pragma once

#include "catalogue/entry.h"
#include "platform/interface.h"

#include <string>
#include <system_error>

namespace dorvantile {

class WalkFeedback : public Interface {
public:
    /// Called every few thousand entries with the counts so far. The window yields to its
    /// message loop here, so it keeps painting on any size of tree.
    virtual void working(const Totals& progress) = 0;

    /// A folder whose entries could not be read, by the collection or the listing. Its
    /// heading stays in the catalogue with no file lines (and, when the collection failed,
    /// nothing beneath it); the run goes on. The same folder may be reported by both. Also a
    /// folder or file whose details (size, time) could not be read.
    virtual void cannotRead(const std::string& path, std::error_code reason) = 0;

    /// The files whose content was read for their digests so far, and their bytes; called
    /// for each such file, from the thread that takes the entries.
    virtual void read(std::int64_t files, ByteCount bytes) {
        static_cast<void>(files), static_cast<void>(bytes);
    }
};

/// Feedback that hears nothing: for a walk whose entries carry what could not be read.
class NoFeedback final : public WalkFeedback {
public:
    void working(const Totals&) override {}
    void cannotRead(const std::string&, std::error_code) override {}
};

/// Calls `working` once every `interval` steps.
class Heartbeat {
public:
    explicit Heartbeat(WalkFeedback& feedback, unsigned interval = 2048)
        : feedback_(feedback), interval_(interval) {}

    void step(const Totals& progress) {
        if (++steps_ >= interval_) {
            steps_ = 0;
            feedback_.working(progress);
        }
    }

private:
    WalkFeedback& feedback_;
    unsigned interval_;
    unsigned steps_ = 0;
};

} // namespace dorvantile
