#pragma once
// The reader's end of a pseudo-terminal for the tests: the utility opens the slave (through a
// port number mapped to slavePath() in the port map) and the test is the peer on the master.
// What the utility sends is either read by the test itself (read()) or collected by a thread
// with the arrival time of every byte (received(), arrivals(), waitForBytes()).
//
// Thread affinity: one test thread drives the peer; in the collecting mode the collector
// thread shares the master descriptor under a lock, so closeMaster() may be called at any time.
// Also here: waitFor() and settle(), which run the calling thread's Qt event loop.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace px708::test {

// Who reads what the utility writes to the slave.
enum class PtyReading {
    InThread, // a thread collects it: received(), arrivals(), waitForBytes()
    ByTest,   // the test reads it with read()
};

class PtyPeer {
public:
    using Clock = std::chrono::steady_clock;

    explicit PtyPeer(PtyReading reading = PtyReading::InThread) : reading_(reading) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            if (master_ >= 0)
                ::close(master_);
            throw std::runtime_error("no pseudo-terminal");
        }
        slavePath_ = ::ptsname(master_);
        // Holding the slave open keeps the master from reporting a hang-up before the utility
        // opens it and between the port's opens; releaseKeeper() lets it go.
        keeper_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (reading_ == PtyReading::InThread)
            collector_ = std::thread([this] { collect(); });
    }
    ~PtyPeer() {
        stop_ = true;
        if (collector_.joinable())
            collector_.join();
        closeMaster();
        releaseKeeper();
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& slavePath() const { return slavePath_; }

    void releaseKeeper() {
        if (keeper_ >= 0)
            ::close(keeper_);
        keeper_ = -1;
    }

    // Pulls the cable: the utility's side sees the device go away.
    void closeMaster() {
        std::lock_guard lock(fdMutex_);
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

    // Writes all of bytes as the reader, waiting while the slave's input queue is full.
    void write(std::string_view bytes) {
        std::lock_guard lock(fdMutex_);
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else {
                throw std::runtime_error("write to the pseudo-terminal failed");
            }
        }
    }

    // Reads what the utility sent until want bytes have come or the deadline passes (the
    // test-reads mode only).
    std::string read(std::size_t want,
                     std::chrono::milliseconds deadline = std::chrono::milliseconds(2000)) {
        if (reading_ != PtyReading::ByTest)
            throw std::logic_error("the collector thread reads this pseudo-terminal");
        std::string out;
        const auto end = Clock::now() + deadline;
        char buf[4096];
        while (out.size() < want && Clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0)
                    out.append(buf, static_cast<std::size_t>(n));
            }
        }
        return out;
    }

    // All that the collector has received so far.
    std::string received() const {
        std::lock_guard lock(bytesMutex_);
        return bytes_;
    }
    // The arrival time of every byte of received().
    std::vector<Clock::time_point> arrivals() const {
        std::lock_guard lock(bytesMutex_);
        return times_;
    }

    // Waits until at least n bytes have been collected; false at the deadline.
    bool waitForBytes(std::size_t n, std::chrono::milliseconds limit) const {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (received().size() >= n)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return received().size() >= n;
    }

private:
    void collect() {
        char buf[256];
        while (!stop_) {
            int fd;
            {
                std::lock_guard lock(fdMutex_);
                fd = master_;
            }
            if (fd < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || (p.revents & POLLIN) == 0)
                continue;
            std::lock_guard fdLock(fdMutex_);
            if (master_ != fd)
                continue;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                continue;
            const auto now = Clock::now();
            std::lock_guard lock(bytesMutex_);
            bytes_.append(buf, static_cast<std::size_t>(n));
            times_.insert(times_.end(), static_cast<std::size_t>(n), now);
        }
    }

    const PtyReading reading_;
    int master_ = -1;
    int keeper_ = -1;
    std::string slavePath_;
    std::atomic<bool> stop_{false};
    mutable std::mutex fdMutex_;
    mutable std::mutex bytesMutex_;
    std::string bytes_;
    std::vector<Clock::time_point> times_;
    std::thread collector_;
};

// Runs the calling thread's event loop until pred holds or the deadline passes.
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
