#pragma once
// The virtual reader's end of the serial line: a pseudo-terminal master whose slave the PC side
// opens (reachable through a symbolic link), or an existing serial device.
// Thread affinity: none; each object is used by one thread at a time.

#include <stdexcept>
#include <string>

namespace px708::sim {

struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Owns one file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();

private:
    int fd_ = -1;
};

struct PseudoTerminal {
    Fd master; // non-blocking
    std::string slaveName;
};

// Opens a master, unlocks its slave and sets the slave to raw mode (the settings stay with the
// pair), so that nothing is echoed or translated before the PC side configures the line.
PseudoTerminal openPseudoTerminal();

// Opens a serial device in raw mode at the given rate, non-blocking.
Fd openDevice(const std::string& path, int baud);

// A symbolic link at path naming target. An existing symbolic link there is replaced (it is left
// over from an earlier run); any other file is not touched and the constructor throws. The
// destructor removes the link if it still names target.
class SymbolicLink {
public:
    SymbolicLink(std::string path, std::string target);
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;
    ~SymbolicLink();

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string target_;
};

} // namespace px708::sim
