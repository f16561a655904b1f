#include "serial/dispatcher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace px708 {

namespace {

using namespace std::chrono_literals;

// Process-wide list of dispatchers; a dispatcher's handle is its slot. The lowest free slot is
// reused and trailing empty slots are dropped on release.
std::mutex registryLock;
std::vector<TSerialDispatcher*>& registry() {
    static std::vector<TSerialDispatcher*> list;
    return list;
}

int acquireHandle(TSerialDispatcher* d) {
    std::lock_guard lock(registryLock);
    auto& list = registry();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) {
            list[i] = d;
            return static_cast<int>(i);
        }
    }
    list.push_back(d);
    return static_cast<int>(list.size() - 1);
}

void releaseHandle(int handle) {
    std::lock_guard lock(registryLock);
    auto& list = registry();
    if (handle >= 0 && static_cast<std::size_t>(handle) < list.size())
        list[handle] = nullptr;
    while (!list.empty() && !list.back())
        list.pop_back();
}

struct BaudCode {
    std::int32_t rate;
    speed_t code;
};
constexpr BaudCode kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> speedFor(std::int32_t rate) {
    for (const auto& r : kRates)
        if (r.rate == rate)
            return r.code;
    return std::nullopt;
}

std::int32_t rateFor(speed_t code) {
    for (const auto& r : kRates)
        if (r.code == code)
            return r.rate;
    return 0;
}

bool deviceGone(int err) {
    return err == EIO || err == ENXIO || err == ENODEV;
}

// What a failed open or flock of the device means for the port.
std::error_code openError(int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
    case ENOTDIR:
        return comPortError(comerr::ecBadId);
    case EBUSY:
    case EWOULDBLOCK:
        return comPortError(comerr::ecAlreadyOpen);
    case EACCES:
    case EPERM:
        return comPortError(comerr::ecPermissionDenied);
    default:
        return systemError(err);
    }
}

void setModemLine(int fd, int line, bool on) {
    // Pseudo-terminals have no modem lines and answer ENOTTY or EINVAL: nothing to set then.
    int bits = line;
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

void signalFd(int fd) {
    const std::uint64_t one = 1;
    (void)!::write(fd, &one, sizeof one);
}

void drainFd(int fd) {
    std::uint64_t value;
    (void)!::read(fd, &value, sizeof value);
}

} // namespace

TSerialDispatcher::TSerialDispatcher(std::string deviceLabel)
    : label_(std::move(deviceLabel)), handle_(acquireHandle(this)) {}

TSerialDispatcher::~TSerialDispatcher() {
    Shutdown();
    releaseHandle(handle_);
}

std::uint32_t TSerialDispatcher::elapsedMs() const {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - logStart_)
                                          .count());
}

std::error_code TSerialDispatcher::InitPort(const std::string& device, std::int32_t baud,
                                            TParity parity, std::uint16_t dataBits,
                                            std::uint16_t stopBits, std::uint16_t inSize,
                                            std::uint16_t outSize, bool dtr, bool rts,
                                            unsigned hwOptions) {
    if (running_ > 0 || fd_)
        return comPortError(comerr::ecAlreadyOpen);

    commWake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    outWake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!commWake_ || !outWake_) {
        lastErrno_ = errno;
        return systemError(lastErrno_);
    }

    UniqueFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        lastErrno_ = errno;
        return openError(lastErrno_);
    }
    // Root ignores TIOCEXCL; the flock is what keeps a second opener out.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        lastErrno_ = errno;
        return openError(lastErrno_);
    }
    termios probe{};
    if (::tcgetattr(fd.get(), &probe) != 0) {
        // Not a terminal device at all: treated as a port that does not exist.
        lastErrno_ = errno;
        return comPortError(comerr::ecBadId);
    }
    (void)::ioctl(fd.get(), TIOCEXCL);
    fd_ = std::move(fd);
    inSize_ = inSize;

    dbuf_.assign(kDispatchBufferSize, 0);
    obuf_.assign(std::max<std::size_t>(outSize, 1), 0);
    dRead_ = dWrite_ = 0;
    dFull_ = false;
    totalReceived_ = notifiedAt_ = 0;
    inNotification_ = false;
    readCount_ = maxReadCount_ = 0;
    oRead_ = oWrite_ = 0;
    oFull_ = false;

    dtr_ = dtr;
    rts_ = rts;
    hwOptions_ = hwOptions;
    if (!(hwOptions & hwfUseDTR))
        setModemLine(fd_.get(), TIOCM_DTR, dtr);
    if (!(hwOptions & hwfUseRTS))
        setModemLine(fd_.get(), TIOCM_RTS, rts);
    availThreshold_ = 0;

    if (const std::error_code e = SetLine(baud, parity, dataBits, stopBits)) {
        closeDevice();
        return e;
    }
    logStart_ = std::chrono::steady_clock::now();

    stop_ = false;
    closePending_ = false;
    started_ = 0;
    launched_ = 0;
    try {
        startThread(comm_, &TSerialDispatcher::commThread);
        startThread(dispatch_, &TSerialDispatcher::dispatchThread);
        startThread(output_, &TSerialDispatcher::outputThread);
    } catch (const std::system_error& e) {
        // No thread could be made (EAGAIN): stop those that run and leave nothing open.
        lastErrno_ = e.code().value();
        stopThreads();
        closeDevice();
        return systemError(lastErrno_);
    }
    return {};
}

void TSerialDispatcher::startThread(std::jthread& thread, void (TSerialDispatcher::*body)()) {
    const int expected = ++launched_;
    ++running_;
    try {
        thread = std::jthread([this, body] {
            {
                std::lock_guard lock(startLock_);
                ++started_;
            }
            startCv_.notify_all();
            (this->*body)();
            --running_;
        });
    } catch (...) {
        --running_;
        throw;
    }
    std::unique_lock lock(startLock_);
    startCv_.wait_for(lock, kStartTimeout, [&] { return started_ >= expected; });
}

std::error_code TSerialDispatcher::SetLine(std::int32_t baud, TParity parity,
                                           std::uint16_t dataBits, std::uint16_t stopBits) {
    termios now{};
    if (::tcgetattr(fd_.get(), &now) != 0) {
        lastErrno_ = errno;
        return systemError(lastErrno_);
    }
    termios want = now;
    ::cfmakeraw(&want);
    want.c_cflag |= CLOCAL | CREAD;
    want.c_iflag &= ~(INPCK | IGNPAR | PARMRK);
    want.c_cc[VMIN] = 1;
    want.c_cc[VTIME] = 0;

    speed_t speed = ::cfgetospeed(&now);
    if (baud != 0) {
        const auto code = speedFor(baud);
        if (!code)
            return comPortError(comerr::ecBadArgument);
        speed = *code;
    }
    ::cfsetispeed(&want, speed);
    ::cfsetospeed(&want, speed);

    want.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case TParity::pNone:
        break;
    case TParity::pOdd:
        want.c_cflag |= PARENB | PARODD;
        break;
    case TParity::pEven:
        want.c_cflag |= PARENB;
        break;
    case TParity::pMark:
        want.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case TParity::pSpace:
        want.c_cflag |= PARENB | CMSPAR;
        break;
    }
    want.c_cflag &= ~CSIZE;
    switch (dataBits) {
    case 5:
        want.c_cflag |= CS5;
        break;
    case 6:
        want.c_cflag |= CS6;
        break;
    case 7:
        want.c_cflag |= CS7;
        break;
    default:
        want.c_cflag |= CS8;
        break;
    }
    // With five data bits a UART's second stop bit is one and a half bits long.
    if (stopBits == 2 || dataBits == 5)
        want.c_cflag |= CSTOPB;
    else
        want.c_cflag &= ~CSTOPB;

    const tcflag_t lineBits = PARENB | PARODD | CMSPAR | CSIZE | CSTOPB;
    const bool sameLine =
        ::cfgetospeed(&now) == speed && (now.c_cflag & lineBits) == (want.c_cflag & lineBits);
    if (sameLine && std::memcmp(&now, &want, sizeof now) == 0)
        return {};
    if (!sameLine && running_ > 0) {
        // Let queued output leave at the old rate before the line changes under it.
        for (int i = 0; i < 5000 && OutputUsed() > 0; ++i)
            std::this_thread::sleep_for(2ms);
        const std::int32_t oldRate = std::max<std::int32_t>(rateFor(::cfgetospeed(&now)), 300);
        std::this_thread::sleep_for(std::chrono::microseconds(10'000'000 / oldRate));
    }
    if (::tcsetattr(fd_.get(), TCSANOW, &want) != 0) {
        lastErrno_ = errno;
        return systemError(lastErrno_);
    }
    if (!sameLine) {
        if (!(hwOptions_ & hwfUseDTR))
            setModemLine(fd_.get(), TIOCM_DTR, dtr_);
        if (!(hwOptions_ & hwfUseRTS))
            setModemLine(fd_.get(), TIOCM_RTS, rts_);
    }
    return {};
}

std::error_code TSerialDispatcher::SetHWFlowOptions(std::uint16_t bufferFull,
                                                    std::uint16_t bufferResume, unsigned options) {
    if (bufferFull < bufferResume || bufferFull > inSize_)
        return comPortError(comerr::ecBadArgument);
    hwOptions_ = options;
    termios t{};
    if (::tcgetattr(fd_.get(), &t) != 0)
        return systemError(errno);
    // Linux ties receive (RTS) and transmit (CTS) hardware handshake together in CRTSCTS.
    if (options & (hwfUseRTS | hwfRequireCTS))
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~CRTSCTS;
    if (::tcsetattr(fd_.get(), TCSANOW, &t) != 0)
        return systemError(errno);
    return {};
}

std::error_code TSerialDispatcher::SetSWFlowOptions(std::uint16_t bufferFull,
                                                    std::uint16_t bufferResume,
                                                    TSWFlowOptions options, char xon, char xoff) {
    if (options != TSWFlowOptions::swfNone && (bufferFull < bufferResume || bufferFull > inSize_))
        return comPortError(comerr::ecBadArgument);
    termios t{};
    if (::tcgetattr(fd_.get(), &t) != 0)
        return systemError(errno);
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (options == TSWFlowOptions::swfReceive || options == TSWFlowOptions::swfBoth)
        t.c_iflag |= IXOFF;
    if (options == TSWFlowOptions::swfTransmit || options == TSWFlowOptions::swfBoth)
        t.c_iflag |= IXON;
    t.c_cc[VSTART] = static_cast<cc_t>(xon);
    t.c_cc[VSTOP] = static_cast<cc_t>(xoff);
    if (::tcsetattr(fd_.get(), TCSANOW, &t) != 0)
        return systemError(errno);
    return {};
}

void TSerialDispatcher::SetDTR(bool on) {
    std::lock_guard lock(generalLock_);
    dtr_ = on;
    if (fd_ && !(hwOptions_ & hwfUseDTR))
        setModemLine(fd_.get(), TIOCM_DTR, on);
}

void TSerialDispatcher::SetRTS(bool on) {
    std::lock_guard lock(generalLock_);
    rts_ = on;
    if (fd_ && !(hwOptions_ & hwfUseRTS))
        setModemLine(fd_.get(), TIOCM_RTS, on);
}

void TSerialDispatcher::SetAvailThreshold(std::uint32_t threshold) {
    {
        std::lock_guard lock(dispatchLock_);
        availThreshold_ = threshold;
    }
    logEvent(DispatchLog::tTrDatChg, DispatchLog::sTrigAvail, threshold);
}

std::size_t TSerialDispatcher::unreadLocked() const {
    if (dFull_)
        return kDispatchBufferSize;
    return (dWrite_ + kDispatchBufferSize - dRead_) % kDispatchBufferSize;
}

std::error_code TSerialDispatcher::GetChar(char& c) {
    {
        std::lock_guard lock(dispatchLock_);
        if (dbuf_.empty())
            return comPortError(comerr::ecBufferIsEmpty);
        const std::size_t unread = unreadLocked();
        if (inNotification_) {
            // Inside a notification the bytes are only counted; they leave the ring when the
            // handler returns.
            if (readCount_ + 1 > unread)
                return comPortError(comerr::ecBufferIsEmpty);
            ++readCount_;
            c = dbuf_[(dRead_ + readCount_ - 1) % kDispatchBufferSize];
        } else {
            if (unread == 0)
                return comPortError(comerr::ecBufferIsEmpty);
            c = dbuf_[dRead_];
            dRead_ = (dRead_ + 1) % kDispatchBufferSize;
            dFull_ = false;
            spaceFreed_.notify_all();
        }
    }
    std::lock_guard lock(generalLock_);
    if (trace_ && traceRecording_)
        trace_->add('R', static_cast<std::uint8_t>(c));
    return {};
}

std::size_t TSerialDispatcher::Unread() {
    std::lock_guard lock(dispatchLock_);
    if (dbuf_.empty())
        return 0;
    return unreadLocked() - (inNotification_ ? readCount_ : 0);
}

std::size_t TSerialDispatcher::OutputUsed() {
    std::lock_guard lock(outputLock_);
    if (oFull_)
        return obuf_.size();
    return (oWrite_ + obuf_.size() - oRead_) % std::max<std::size_t>(obuf_.size(), 1);
}

std::error_code TSerialDispatcher::PutBlock(std::span<const char> block) {
    if (block.empty())
        return {};
    {
        std::lock_guard lock(outputLock_);
        if (obuf_.empty())
            return comPortError(comerr::ecCommNotOpen);
        const std::size_t size = obuf_.size();
        const std::size_t used = oFull_ ? size : (oWrite_ + size - oRead_) % size;
        if (block.size() > size - used)
            return comPortError(comerr::ecOutputBufferTooSmall);
        for (char ch : block) {
            obuf_[oWrite_] = ch;
            oWrite_ = (oWrite_ + 1) % size;
        }
        if (oWrite_ == oRead_)
            oFull_ = true;
        outputCv_.notify_all();
    }
    std::lock_guard lock(generalLock_);
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
    if (log_ && logRecording_)
        log_->add(DispatchLog::tDispatch, DispatchLog::sWriteCom, elapsedMs(),
                  static_cast<std::uint32_t>(block.size()), bytes);
    if (trace_ && traceRecording_)
        for (auto b : bytes)
            trace_->add('T', b);
    return {};
}

void TSerialDispatcher::RegisterWindow(PostAvail postAvail, bool handlerPresent) {
    {
        std::lock_guard lock(generalLock_);
        postAvail_ = std::move(postAvail);
        windowRegistered_ = true;
        handlerPresent_ = handlerPresent;
    }
    logEvent(DispatchLog::tTrgHdAlc, DispatchLog::sWindow, static_cast<std::uint32_t>(handle_ + 1));
    // Bytes may have come in since the availability threshold was set; the receive check
    // left them unannounced for want of a window. Announce them now, not at the next byte.
    {
        std::lock_guard lock(signalLock_);
        recheck_ = true;
    }
    signalCv_.notify_all();
}

void TSerialDispatcher::UnregisterWindow() {
    std::lock_guard lock(generalLock_);
    windowRegistered_ = false;
    postAvail_ = nullptr;
}

void TSerialDispatcher::SetLostHandler(PostLost postLost) {
    std::lock_guard lock(generalLock_);
    postLost_ = std::move(postLost);
}

void TSerialDispatcher::reportLost(int err) {
    if (lostReported_.exchange(true))
        return;
    PostLost post;
    {
        std::lock_guard lock(generalLock_);
        post = postLost_;
    }
    if (post)
        post(err);
}

bool TSerialDispatcher::beginDelivery(const std::shared_ptr<AvailDelivery>& d) {
    std::lock_guard lock(notifyLock_);
    if (d->phase != AvailDelivery::Phase::posted)
        return false;
    d->phase = AvailDelivery::Phase::started;
    return true;
}

void TSerialDispatcher::endDelivery(const std::shared_ptr<AvailDelivery>& d) {
    std::lock_guard lock(notifyLock_);
    if (d->phase == AvailDelivery::Phase::started)
        d->phase = AvailDelivery::Phase::done;
    notifyCv_.notify_all();
}

bool TSerialDispatcher::inNotification() {
    std::lock_guard lock(dispatchLock_);
    return inNotification_;
}

void TSerialDispatcher::logEvent(std::uint8_t type, std::uint8_t subtype, std::uint32_t data,
                                 std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(generalLock_);
    if (log_ && logRecording_)
        log_->add(type, subtype, elapsedMs(), data, bytes);
}

void TSerialDispatcher::commThread() {
    pollfd fds[2] = {{fd_.get(), POLLIN, 0}, {commWake_.get(), POLLIN, 0}};
    while (!stop_) {
        fds[0].revents = fds[1].revents = 0;
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (stop_)
            break;
        const bool hangUp = fds[0].revents & (POLLHUP | POLLERR | POLLNVAL);
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            std::unique_lock lock(signalLock_);
            commEvent_ = true;
            ready_ = false;
            signalCv_.notify_all();
            signalCv_.wait(lock, [this] { return ready_ || stop_; });
        }
        if (hangUp) {
            // The device is gone (adapter pulled, master side closed). The dispatch thread has
            // taken what was still readable; stop waiting on a dead descriptor.
            reportLost(EIO);
            break;
        }
        std::unique_lock lock(dispatchLock_);
        if (dFull_)
            spaceFreed_.wait_for(lock, kPollInterval, [this] { return !dFull_ || stop_; });
    }
}

void TSerialDispatcher::dispatchThread() {
    while (!stop_ && !closePending_) {
        bool event;
        {
            std::unique_lock lock(signalLock_);
            signalCv_.wait_for(lock, kPollInterval,
                               [this] { return commEvent_ || recheck_ || stop_.load(); });
            if (stop_)
                break;
            event = std::exchange(commEvent_, false);
            recheck_ = false;
        }
        moveReceivedData();
        // Announce after every move, the 50 ms poll included: bytes the poll took are gone
        // from the device, so no wake-up of the comm thread would ever announce them.
        while (!stop_ && !closePending_ && receiveCheck()) {
        }
        if (event) {
            std::lock_guard lock(signalLock_);
            ready_ = true;
            signalCv_.notify_all();
        }
    }
}

void TSerialDispatcher::moveReceivedData() {
    int lostErr = 0;
    {
        std::lock_guard lock(dispatchLock_);
        if (dFull_ || !fd_)
            return;
        std::size_t freeSpace = kDispatchBufferSize - unreadLocked();
        std::size_t moved = 0;
        const std::size_t start = dWrite_;
        for (int part = 0; part < 2 && freeSpace > 0; ++part) {
            const std::size_t chunk = std::min(freeSpace, kDispatchBufferSize - dWrite_);
            const ssize_t n = ::read(fd_.get(), &dbuf_[dWrite_], chunk);
            if (n <= 0) {
                if (n < 0 && deviceGone(errno))
                    lostErr = errno;
                break;
            }
            moved += static_cast<std::size_t>(n);
            freeSpace -= static_cast<std::size_t>(n);
            dWrite_ = (dWrite_ + static_cast<std::size_t>(n)) % kDispatchBufferSize;
            if (static_cast<std::size_t>(n) < chunk)
                break;
        }
        if (moved > 0) {
            totalReceived_ += moved;
            if (dWrite_ == dRead_)
                dFull_ = true;
            std::lock_guard glock(generalLock_);
            if (log_ && logRecording_) {
                std::vector<std::uint8_t> bytes(moved);
                for (std::size_t i = 0; i < moved; ++i)
                    bytes[i] = static_cast<std::uint8_t>(dbuf_[(start + i) % kDispatchBufferSize]);
                log_->add(DispatchLog::tDispatch, DispatchLog::sReadCom, elapsedMs(),
                          static_cast<std::uint32_t>(moved), bytes);
            }
        }
    }
    if (lostErr)
        reportLost(lostErr);
}

bool TSerialDispatcher::receiveCheck() {
    {
        // Without a window nothing can be announced: leave the bytes for the check that
        // RegisterWindow asks for, rather than marking them as announced to nobody.
        std::lock_guard lock(generalLock_);
        if (!windowRegistered_)
            return false;
    }
    std::size_t unread;
    {
        std::lock_guard lock(dispatchLock_);
        if (availThreshold_ == 0 || totalReceived_ == notifiedAt_)
            return false;
        unread = unreadLocked() - (inNotification_ ? readCount_ : 0);
        if (unread < availThreshold_)
            return false;
        notifiedAt_ = totalReceived_;
    }
    logEvent(DispatchLog::tTrigger, DispatchLog::sAvail, static_cast<std::uint32_t>(unread));
    return sendNotification(static_cast<std::uint16_t>(unread));
}

bool TSerialDispatcher::sendNotification(std::uint16_t count) {
    PostAvail post;
    bool deliver;
    {
        std::lock_guard lock(generalLock_);
        if (!windowRegistered_)
            return true;
        post = postAvail_;
        deliver = handlerPresent_ && post;
    }
    {
        std::lock_guard lock(dispatchLock_);
        dispatchActive_ = true;
        maxReadCount_ = 0;
        readCount_ = 0;
        inNotification_ = true;
    }
    if (deliver) {
        auto d = std::make_shared<AvailDelivery>();
        d->count = count;
        post(d);
        std::unique_lock lock(notifyLock_);
        notifyCv_.wait_for(lock, kNotifyTimeout, [&] {
            return d->phase == AvailDelivery::Phase::done || stop_ || closePending_;
        });
        // Not started in time: withdrawn, the main thread discards it. Started: finished here
        // with what the handler has taken; what it takes later is taken outside a notification.
        if (d->phase == AvailDelivery::Phase::posted)
            d->phase = AvailDelivery::Phase::withdrawn;
        else if (d->phase == AvailDelivery::Phase::started)
            d->phase = AvailDelivery::Phase::expired;
    }
    std::lock_guard lock(dispatchLock_);
    maxReadCount_ = std::max(maxReadCount_, readCount_);
    if (inNotification_) {
        const std::size_t taken = std::min(maxReadCount_, unreadLocked());
        dRead_ = (dRead_ + taken) % kDispatchBufferSize;
        if (taken != 0) {
            dFull_ = false;
            spaceFreed_.notify_all();
        }
        inNotification_ = false;
    }
    readCount_ = 0;
    dispatchActive_ = false;
    return maxReadCount_ == count && !closePending_;
}

void TSerialDispatcher::outputThread() {
    std::vector<char> run;
    while (true) {
        std::uint64_t generation;
        {
            std::unique_lock lock(outputLock_);
            outputCv_.wait(lock, [this] {
                return stop_ || closePending_ || flushRequested_ || oFull_ || oRead_ != oWrite_;
            });
            if (flushRequested_) {
                flushRequested_ = false;
                flushAck_ = true;
                outputCv_.notify_all();
                continue;
            }
            if (stop_ || closePending_)
                break;
            // The used part of the ring, oldest byte first, as one run.
            const std::size_t size = obuf_.size();
            const std::size_t used = oFull_ ? size : (oWrite_ + size - oRead_) % size;
            run.resize(used);
            for (std::size_t i = 0; i < used; ++i)
                run[i] = obuf_[(oRead_ + i) % size];
            generation = flushGeneration_;
        }
        std::size_t written = 0;
        bool lost = false;
        int lostErr = 0;
        while (written < run.size()) {
            const ssize_t n = ::write(fd_.get(), run.data() + written, run.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd fds[2] = {{fd_.get(), POLLOUT, 0}, {outWake_.get(), POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                    break;
                if (fds[1].revents & POLLIN) {
                    drainFd(outWake_.get());
                    break; // a flush or a stop ends the pending write
                }
                if (fds[0].revents & (POLLHUP | POLLERR)) {
                    lost = true;
                    lostErr = EIO;
                    break;
                }
                continue;
            }
            // A write that fails at once discards the run.
            if (n < 0 && deviceGone(errno)) {
                lost = true;
                lostErr = errno;
            }
            written = run.size();
            break;
        }
        {
            std::lock_guard lock(outputLock_);
            if (generation == flushGeneration_ && written > 0) {
                oRead_ = (oRead_ + written) % obuf_.size();
                oFull_ = false;
            }
        }
        if (lost)
            reportLost(lostErr);
    }
}

void TSerialDispatcher::StartTrace(std::uint32_t entries) {
    std::lock_guard lock(generalLock_);
    trace_.emplace(entries);
    traceRecording_ = true;
}

void TSerialDispatcher::StopTrace() {
    std::lock_guard lock(generalLock_);
    trace_.reset();
    traceRecording_ = false;
}

void TSerialDispatcher::PauseTrace(bool paused) {
    std::lock_guard lock(generalLock_);
    traceRecording_ = trace_.has_value() && !paused;
}

void TSerialDispatcher::ClearTrace() {
    std::lock_guard lock(generalLock_);
    if (trace_)
        trace_->clear();
}

void TSerialDispatcher::DumpTrace(const std::string& path, bool append, bool hex, bool allHex) {
    std::lock_guard lock(generalLock_);
    if (!trace_)
        return;
    traceRecording_ = false;
    // The buffer is discarded whether the write succeeds or not.
    std::optional<TraceBuffer> dumped = std::move(trace_);
    trace_.reset();
    dumped->write(path, append, hex, allHex);
}

void TSerialDispatcher::StartLog(std::uint32_t bytes) {
    std::lock_guard lock(generalLock_);
    log_.emplace(bytes);
    logRecording_ = true;
}

void TSerialDispatcher::StopLog() {
    std::lock_guard lock(generalLock_);
    log_.reset();
    logRecording_ = false;
}

void TSerialDispatcher::PauseLog(bool paused) {
    std::lock_guard lock(generalLock_);
    logRecording_ = log_.has_value() && !paused;
}

void TSerialDispatcher::ClearLog() {
    std::lock_guard lock(generalLock_);
    if (log_)
        log_->clear();
}

void TSerialDispatcher::DumpLog(const std::string& path, bool append, bool hex, bool allHex) {
    std::lock_guard lock(generalLock_);
    if (!log_)
        return;
    logRecording_ = false;
    std::optional<DispatchLog> dumped = std::move(log_);
    log_.reset();
    dumped->write(path, append, hex, allHex, label_);
}

void TSerialDispatcher::Shutdown() {
    const bool threads = comm_.joinable() || dispatch_.joinable() || output_.joinable();
    if (!fd_ && !threads)
        return;
    // Flush output: unsent bytes are lost.
    if (running_ > 0) {
        std::unique_lock lock(outputLock_);
        flushRequested_ = true;
        flushAck_ = false;
        ++flushGeneration_;
        oRead_ = oWrite_ = 0;
        oFull_ = false;
        signalFd(outWake_.get());
        outputCv_.notify_all();
        outputCv_.wait_for(lock, kStartTimeout, [this] { return flushAck_ || running_ == 0; });
    }
    if (fd_)
        ::tcflush(fd_.get(), TCIOFLUSH);
    // Flush input. Inside a notification the read count covers every unread byte, and the
    // close-pending flag makes the dispatch thread finish the notification at once.
    {
        std::lock_guard lock(dispatchLock_);
        if (inNotification_) {
            readCount_ = unreadLocked();
            closePending_ = true;
        } else {
            dRead_ = dWrite_;
        }
        dFull_ = false;
    }
    stopThreads();
    closeDevice();
}

void TSerialDispatcher::stopThreads() {
    stop_ = true;
    if (outWake_)
        signalFd(outWake_.get());
    if (commWake_)
        signalFd(commWake_.get());
    {
        std::lock_guard lock(outputLock_);
        outputCv_.notify_all();
    }
    {
        std::lock_guard lock(signalLock_);
        ready_ = true;
        signalCv_.notify_all();
    }
    {
        std::lock_guard lock(notifyLock_);
        notifyCv_.notify_all();
    }
    {
        std::lock_guard lock(dispatchLock_);
        spaceFreed_.notify_all();
    }
    // None of the threads waits for the main thread once the stop flag is set, so joining
    // here cannot deadlock against a notification in flight.
    for (std::jthread* t : {&output_, &comm_, &dispatch_})
        if (t->joinable())
            t->join();
}

void TSerialDispatcher::closeDevice() {
    if (fd_) {
        // The exclusive mode belongs to the terminal, not to this descriptor: clear it, or a
        // descriptor that another program still holds keeps the device shut after we close.
        (void)::ioctl(fd_.get(), TIOCNXCL);
        fd_.reset();
    }
    std::lock_guard lock(dispatchLock_);
    dbuf_.clear();
    dbuf_.shrink_to_fit();
    std::lock_guard olock(outputLock_);
    obuf_.clear();
    obuf_.shrink_to_fit();
}

} // namespace px708
