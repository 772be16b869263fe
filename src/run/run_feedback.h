// What a run tells its front end while it works.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace dorvantile {

struct Progress {
    std::int64_t folders = 0; ///< folders collected or catalogued so far
    std::int64_t files = 0;   ///< file lines written so far
    std::uint64_t bytes = 0;  ///< bytes of those files, when their details are read
};

class RunFeedback {
public:
    RunFeedback() = default;
    RunFeedback(const RunFeedback&) = delete;
    RunFeedback& operator=(const RunFeedback&) = delete;
    virtual ~RunFeedback() = default;

    /// Called every few thousand entries while the run collects or writes. The window
    /// yields to its message loop here, so it keeps painting on any size of tree.
    virtual void working(const Progress& progress) = 0;

    /// A folder whose entries could not be read, by the collection or the listing. Its
    /// heading stays in the catalogue with no file lines (and, when the collection failed,
    /// nothing beneath it); the run goes on. The same folder may be reported by both. Also a
    /// folder or file whose details (size, time) could not be read.
    virtual void cannotRead(const std::string& folder, std::error_code reason) = 0;
};

/// Calls `working` once every `interval` steps.
class Heartbeat {
public:
    explicit Heartbeat(RunFeedback& feedback, unsigned interval = 2048)
        : feedback_(feedback), interval_(interval) {}

    void step(const Progress& progress) {
        if (++steps_ >= interval_) {
            steps_ = 0;
            feedback_.working(progress);
        }
    }

private:
    RunFeedback& feedback_;
    unsigned interval_;
    unsigned steps_ = 0;
};

} // namespace dorvantile
