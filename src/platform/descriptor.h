// An open file descriptor with one owner.
#pragma once

#include <unistd.h>
#include <utility>

namespace dorvantile {

/// Owns an open file descriptor and closes it when dropped; moves hand the ownership on.
/// A negative value owns nothing.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    /// Hands the descriptor over to the caller, who closes it.
    int release() { return std::exchange(fd_, -1); }

    /// Closes the descriptor now and reports the system's answer, which a file being written
    /// must not ignore: a failed close can be a failed write.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    void reset() {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1)); // a drop abandons the file: nothing to report
    }

    int fd_ = -1;
};

} // namespace dorvantile
