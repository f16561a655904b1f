#include "serial/portmap.h"
#include "serial/portprobe.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace px708 {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// A pseudo-terminal whose slave stands in for a serial device.
class Pty {
public:
    Pty() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_.get() >= 0 && grantpt(master_.get()) == 0 && unlockpt(master_.get()) == 0)
            slave_ = ptsname(master_.get());
    }
    const std::string& slave() const { return slave_; }

private:
    Fd master_;
    std::string slave_;
};

int openSlave(const std::string& path) {
    return open(path.c_str(), O_RDWR | O_NOCTTY);
}

enum class Holder { none, flockedByOther, exclusiveByOther };

struct ProbeCase {
    const char* name;
    Holder holder;
    bool available;
};

class Probe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Probe, ReportsWhetherTheDeviceCanBeTakenExclusively) {
    const ProbeCase& c = GetParam();
    Pty pty;
    ASSERT_FALSE(pty.slave().empty());
    Fd other(openSlave(pty.slave()));
    ASSERT_GE(other.get(), 0);
    if (c.holder == Holder::flockedByOther) {
        ASSERT_EQ(flock(other.get(), LOCK_EX | LOCK_NB), 0);
    }
    if (c.holder == Holder::exclusiveByOther) {
        ASSERT_EQ(ioctl(other.get(), TIOCEXCL), 0);
    }

    // Twice: a probe that kept its descriptor or lock would fail the second time.
    EXPECT_EQ(ComPortAvailable(pty.slave()), c.available);
    EXPECT_EQ(ComPortAvailable(pty.slave()), c.available);

    int exclusive = -1;
    ASSERT_EQ(ioctl(other.get(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive != 0, c.holder == Holder::exclusiveByOther)
        << "the probe leaves the device's exclusive mode as it found it";
}

INSTANTIATE_TEST_SUITE_P(
    PortProbe, Probe,
    ::testing::Values(ProbeCase{"OpenWithoutLockIsAvailable", Holder::none, true},
                      ProbeCase{"FlockedByAnotherOpenerIsNot", Holder::flockedByOther, false},
                      ProbeCase{"ExclusiveToAnotherOpenerIsNot", Holder::exclusiveByOther, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PortProbe, MissingDeviceAndNonTerminalAreNotAvailable) {
    EXPECT_FALSE(ComPortAvailable("/dev/px708-no-such-device"));
    EXPECT_FALSE(ComPortAvailable("/dev/null"));
}

TEST(PortProbe, AvailablePortsGoThroughThePortMap) {
    Pty freePty, heldPty;
    ASSERT_FALSE(freePty.slave().empty());
    ASSERT_FALSE(heldPty.slave().empty());
    Fd holder(openSlave(heldPty.slave()));
    ASSERT_EQ(flock(holder.get(), LOCK_EX | LOCK_NB), 0);

    setPortMap({{2, freePty.slave()},
                {3, heldPty.slave()},
                {4, "/dev/px708-no-such-device"},
                {6, freePty.slave()}});
    EXPECT_EQ(availablePorts(2, 5), (std::vector<int>{2}));
    EXPECT_EQ(availablePorts(3, 6), (std::vector<int>{6})) << "the last port is probed too";
    setPortMap({});
}

} // namespace
} // namespace px708
