#include "serial/portprobe.h"

#include "serial/portmap.h"
#include "serial/uniquefd.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace px708 {

namespace {

int openExisting(const std::string& device) {
    int fd;
    do {
        fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

bool ComPortAvailable(const std::string& device) {
    const UniqueFd fd(openExisting(device));
    if (fd.get() < 0)
        return false;
    // Root ignores TIOCEXCL; the flock is what keeps a second opener out.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    // Only root gets this far past another opener's TIOCEXCL; that opener holds the device.
    int exclusive = 0;
    if (::ioctl(fd.get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        return false;
    if (::ioctl(fd.get(), TIOCEXCL) != 0)
        return false;
    // The exclusive mode belongs to the tty, not to this descriptor: undo it so that a
    // program that has the device open without a lock is not shut out by the probe.
    ::ioctl(fd.get(), TIOCNXCL);
    return true;
}

std::vector<int> availablePorts(int first, int last) {
    std::vector<int> ports;
    for (int n = first; n <= last; ++n)
        if (ComPortAvailable(devicePathForPort(n)))
            ports.push_back(n);
    return ports;
}

} // namespace px708
