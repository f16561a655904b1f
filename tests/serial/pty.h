#pragma once
// A pseudo-terminal pair for the serial tests: the component opens the slave through a port
// number mapped in the port map; the test is the peer on the master side.

#include "portmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

namespace px708::test {

class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slave_ = ::ptsname(master_);
        // Holding the slave open keeps the master from reporting a hang-up before the
        // component opens it; closed again once the component has it.
        keep_ = ::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~PtyPair() {
        closeMaster();
        if (keep_ >= 0)
            ::close(keep_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slave() const { return slave_; }
    int master() const { return master_; }
    void releaseKeeper() {
        if (keep_ >= 0)
            ::close(keep_);
        keep_ = -1;
    }
    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

    void write(std::string_view s) {
        std::size_t done = 0;
        while (done < s.size()) {
            const ssize_t n = ::write(master_, s.data() + done, s.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else {
                throw std::runtime_error("pty write failed");
            }
        }
    }

    // Reads what the component sent until want bytes have come or the deadline passes.
    std::string read(std::size_t want, std::chrono::milliseconds deadline = std::chrono::milliseconds(2000)) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + deadline;
        char buf[4096];
        while (out.size() < want && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0)
                    out.append(buf, static_cast<std::size_t>(n));
            }
        }
        return out;
    }

private:
    int master_ = -1;
    int keep_ = -1;
    std::string slave_;
};

// Runs the main thread's event loop until pred holds or the deadline passes.
inline bool waitFor(const std::function<bool()>& pred,
                    std::chrono::milliseconds deadline = std::chrono::milliseconds(3000)) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > deadline.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Lets events run for a while (to show that something does NOT happen).
inline void settle(std::chrono::milliseconds d) {
    waitFor([] { return false; }, d);
}

} // namespace px708::test
