#include "sim/simline.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace px708::sim {

namespace {

[[noreturn]] void fail(const std::string& what, int error) {
    throw LineError(what + ": " + std::strerror(error));
}

void makeRaw(int fd, const std::string& name, speed_t speed) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        fail(name, errno);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    if (speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        fail(name, errno);
}

speed_t speedOf(int baud) {
    switch (baud) {
    case 300:
        return B300;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        throw LineError("unsupported rate " + std::to_string(baud));
    }
}

} // namespace

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0)
        ::close(fd_);
}

int Fd::release() {
    return std::exchange(fd_, -1);
}

PseudoTerminal openPseudoTerminal() {
    Fd master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!master)
        fail("posix_openpt", errno);
    if (grantpt(master.get()) != 0)
        fail("grantpt", errno);
    if (unlockpt(master.get()) != 0)
        fail("unlockpt", errno);
    const char* name = ptsname(master.get());
    if (name == nullptr)
        fail("ptsname", errno);
    PseudoTerminal pty{std::move(master), name};
    // Opening and closing the slave once also means that, from here on, the master reports a
    // hang-up exactly while nobody has the slave open.
    Fd slave(::open(pty.slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!slave)
        fail(pty.slaveName, errno);
    makeRaw(slave.get(), pty.slaveName, B0);
    return pty;
}

Fd openDevice(const std::string& path, int baud) {
    const speed_t speed = speedOf(baud);
    Fd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        fail(path, errno);
    makeRaw(fd.get(), path, speed);
    return fd;
}

SymbolicLink::SymbolicLink(std::string path, std::string target)
    : path_(std::move(path)), target_(std::move(target)) {
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw LineError(path_ + ": exists and is not a symbolic link; not replaced");
    // Made under a temporary name and renamed over the old link, so the path never dangles.
    const std::string temporary = path_ + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(target_.c_str(), temporary.c_str()) != 0)
        fail(temporary, errno);
    if (::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(path_, error);
    }
}

SymbolicLink::~SymbolicLink() {
    char buffer[4096];
    const ssize_t n = ::readlink(path_.c_str(), buffer, sizeof buffer);
    if (n >= 0 && std::string_view(buffer, static_cast<std::size_t>(n)) == target_)
        ::unlink(path_.c_str());
}

} // namespace px708::sim
