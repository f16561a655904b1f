#pragma once
// The reader's side of a pseudo-terminal: the test writes replies into the master and a
// thread collects what the utility sends, with the arrival time of every byte.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace px708::test {

class PtyPeer {
public:
    using Clock = std::chrono::steady_clock;

    PtyPeer() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slavePath_ = ptsname(master_);
        // Held open so that the master never sees a hang-up between the port's opens.
        keepSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        reader_ = std::thread([this] { collect(); });
    }
    ~PtyPeer() {
        stop_ = true;
        reader_.join();
        ::close(keepSlave_);
        ::close(master_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& slavePath() const { return slavePath_; }

    void write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n <= 0)
                throw std::runtime_error("write to the pseudo-terminal failed");
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    std::string received() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    std::vector<Clock::time_point> arrivals() const {
        std::lock_guard lock(mutex_);
        return times_;
    }

    // Waits until at least n bytes have arrived; false at the deadline.
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
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || (p.revents & POLLIN) == 0)
                continue;
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                continue;
            const auto now = Clock::now();
            std::lock_guard lock(mutex_);
            bytes_.append(buf, static_cast<std::size_t>(n));
            times_.insert(times_.end(), static_cast<std::size_t>(n), now);
        }
    }

    int master_ = -1;
    int keepSlave_ = -1;
    std::string slavePath_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string bytes_;
    std::vector<Clock::time_point> times_;
    std::thread reader_;
};

} // namespace px708::test
