#pragma once
// The owner of one file descriptor: it closes the descriptor when it goes, and with it any
// flock taken through it.
//
// Thread affinity: none of its own; the object that holds it says who may touch it.

#include <unistd.h>

#include <utility>

namespace px708 {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.fd_, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }

    // Closes the descriptor held (if any) and takes fd instead. A close that fails leaves
    // nothing to retry on Linux: the descriptor is gone either way.
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

    // Gives the descriptor up without closing it; the caller owns it then.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

} // namespace px708
