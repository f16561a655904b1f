#pragma once
// TSerialDispatcher: the engine under TComPort. While a port is open it owns the device, the
// 8192-byte dispatch ring of received bytes, the output ring of OutSize bytes, and three worker
// threads:
//   comm thread     waits on the device (poll) and hands each wake-up to the dispatch thread;
//   dispatch thread moves received bytes into the dispatch ring and announces them to the main
//                   thread with a synchronous data-available notification;
//   output thread   writes queued output to the device.
//
// Thread affinity: every public member except the notification hooks is called on the main
// thread. Locks: generalLock_ (settings, handlers, trace and log), outputLock_ (output ring),
// dispatchLock_ (dispatch ring, read counts, notification flags). When two are held, the
// dispatch or output lock is taken first and the general lock second.
//
// Errors: the operations return an empty std::error_code on success, the component's own code
// in comPortCategory() (no such device, in use, buffer empty, ...), or the errno of a failed
// system call in std::system_category().
//
// Ownership: the dispatcher owns the device descriptor (and with it the flock), the two
// eventfds and the three threads; its destructor stops the threads and releases the rest.

#include "serial/comport.h"
#include "serial/tracelog.h"
#include "serial/uniquefd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace px708 {

// One data-available notification on its way to the main thread.
struct AvailDelivery {
    enum class Phase { posted, started, done, withdrawn, expired };
    Phase phase = Phase::posted; // guarded by the dispatcher's notifyLock_
    std::uint16_t count = 0;
};

class TSerialDispatcher {
public:
    static constexpr std::size_t kDispatchBufferSize = 8192;
    static constexpr auto kNotifyTimeout = std::chrono::milliseconds(3000);
    static constexpr auto kPollInterval = std::chrono::milliseconds(50);
    static constexpr auto kStartTimeout = std::chrono::milliseconds(3000);

    // Called on the dispatch thread to post a notification to the main thread. The main
    // thread answers with beginDelivery/endDelivery.
    using PostAvail = std::function<void(std::shared_ptr<AvailDelivery>)>;
    // Called once, on a worker thread, when the device disappears (hang-up, EIO); errno value.
    using PostLost = std::function<void(int err)>;

    explicit TSerialDispatcher(std::string deviceLabel);
    ~TSerialDispatcher();
    TSerialDispatcher(const TSerialDispatcher&) = delete;
    TSerialDispatcher& operator=(const TSerialDispatcher&) = delete;

    const std::string& deviceLabel() const { return label_; }
    int handle() const { return handle_; }
    // errno of the last failed system call of InitPort, also behind a code of our own (no such
    // device, in use, permission denied).
    int lastErrno() const { return lastErrno_; }

    // Port initialisation: opens device exclusively, sets the line, starts the threads. Errors:
    // ecBadId (no such device), ecAlreadyOpen (in use), ecPermissionDenied, ecBadArgument (a
    // rate termios does not offer), or the errno of another failure. A failure leaves nothing
    // open and no thread running.
    std::error_code InitPort(const std::string& device, std::int32_t baud, TParity parity,
                             std::uint16_t dataBits, std::uint16_t stopBits, std::uint16_t inSize,
                             std::uint16_t outSize, bool dtr, bool rts, unsigned hwOptions);

    std::error_code SetLine(std::int32_t baud, TParity parity, std::uint16_t dataBits,
                            std::uint16_t stopBits);
    std::error_code SetHWFlowOptions(std::uint16_t bufferFull, std::uint16_t bufferResume,
                                     unsigned options);
    std::error_code SetSWFlowOptions(std::uint16_t bufferFull, std::uint16_t bufferResume,
                                     TSWFlowOptions options, char xon, char xoff);
    void SetDTR(bool on);
    void SetRTS(bool on);
    void SetAvailThreshold(std::uint32_t threshold);

    // Takes one received character; ecBufferIsEmpty when none is left.
    std::error_code GetChar(char& c);
    // Queues a block; ecOutputBufferTooSmall (nothing queued) when it does not fit.
    std::error_code PutBlock(std::span<const char> block);
    // Bytes waiting in the output ring.
    std::size_t OutputUsed();
    // Unread bytes in the dispatch ring, less those a handler running now has taken.
    std::size_t Unread();

    // The notification target: postAvail delivers to the main thread; registering logs the
    // handler. handlerPresent: the owning component has an OnTriggerAvail handler. Bytes that
    // arrived before the registration are announced as soon as it is made.
    void RegisterWindow(PostAvail postAvail, bool handlerPresent);
    void UnregisterWindow();
    void SetLostHandler(PostLost postLost);

    // Main thread, when a posted notification arrives: false means it was withdrawn and must
    // be discarded. endDelivery completes it.
    bool beginDelivery(const std::shared_ptr<AvailDelivery>& d);
    void endDelivery(const std::shared_ptr<AvailDelivery>& d);
    bool inNotification();

    // Trace and log (under the general lock).
    void StartTrace(std::uint32_t entries);
    void StopTrace(); // discard
    void PauseTrace(bool paused);
    void ClearTrace();
    void DumpTrace(const std::string& path, bool append, bool hex, bool allHex);
    void StartLog(std::uint32_t bytes);
    void StopLog();
    void PauseLog(bool paused);
    void ClearLog();
    void DumpLog(const std::string& path, bool append, bool hex, bool allHex);

    // Shutdown: discard unsent output and unread input, stop the threads, release the device.
    // A notification in progress is finished at once (its handler may still be running on
    // the main thread; what it takes later is taken from a closed port). Calling it again does
    // nothing.
    void Shutdown();

private:
    void startThread(std::jthread& thread, void (TSerialDispatcher::*body)());
    void commThread();
    void dispatchThread();
    void outputThread();
    void moveReceivedData();
    bool receiveCheck(); // true: a notification was fully handled
    bool sendNotification(std::uint16_t count);
    std::size_t unreadLocked() const;
    void stopThreads();
    void closeDevice();
    void reportLost(int err);
    void logEvent(std::uint8_t type, std::uint8_t subtype, std::uint32_t data,
                  std::span<const std::uint8_t> bytes = {});
    std::uint32_t elapsedMs() const;

    std::string label_;
    int handle_ = -1;
    UniqueFd fd_;
    UniqueFd commWake_; // eventfd that ends the comm thread's poll
    UniqueFd outWake_;  // eventfd that ends the output thread's wait for the device
    int lastErrno_ = 0;
    std::uint16_t inSize_ = 4096;

    // Dispatch ring, under dispatchLock_.
    std::mutex dispatchLock_;
    std::vector<char> dbuf_;
    std::size_t dRead_ = 0;
    std::size_t dWrite_ = 0;
    bool dFull_ = false;
    std::uint64_t totalReceived_ = 0; // bytes ever moved in: "has the write index moved"
    std::uint64_t notifiedAt_ = 0;
    bool inNotification_ = false;
    std::size_t readCount_ = 0;
    std::size_t maxReadCount_ = 0;
    bool dispatchActive_ = false;
    std::uint32_t availThreshold_ = 0;
    std::condition_variable spaceFreed_;

    // Output ring, under outputLock_.
    std::mutex outputLock_;
    std::condition_variable outputCv_;
    std::vector<char> obuf_;
    std::size_t oRead_ = 0;
    std::size_t oWrite_ = 0;
    bool oFull_ = false;
    bool flushRequested_ = false;
    bool flushAck_ = false;
    std::uint64_t flushGeneration_ = 0;

    // General lock: handlers, trace, log, line state.
    mutable std::mutex generalLock_;
    PostAvail postAvail_;
    PostLost postLost_;
    bool windowRegistered_ = false;
    bool handlerPresent_ = false;
    std::optional<TraceBuffer> trace_;
    bool traceRecording_ = false;
    std::optional<DispatchLog> log_;
    bool logRecording_ = false;
    std::chrono::steady_clock::time_point logStart_;
    bool dtr_ = true;
    bool rts_ = true;
    unsigned hwOptions_ = 0;

    // Comm/dispatch hand-over and notification wait. recheck_ asks the dispatch thread to run
    // the receive check now (a window was registered).
    std::mutex signalLock_;
    std::condition_variable signalCv_;
    bool commEvent_ = false;
    bool ready_ = false;
    bool recheck_ = false;
    std::mutex notifyLock_;
    std::condition_variable notifyCv_;

    std::atomic<bool> stop_{false};
    std::atomic<bool> closePending_{false};
    std::atomic<bool> lostReported_{false};
    std::atomic<int> running_{0};

    // Each thread's started signal. It lives here, not on the starter's stack, so that a
    // thread that starts after its starter stopped waiting still signals into a live object.
    std::mutex startLock_;
    std::condition_variable startCv_;
    int started_ = 0;  // under startLock_
    int launched_ = 0; // main thread only

    // Declared last: destroyed first, and each joins its thread (the destructor has stopped
    // them by then).
    std::jthread comm_;
    std::jthread dispatch_;
    std::jthread output_;
};

} // namespace px708
