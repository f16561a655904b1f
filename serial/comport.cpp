#include "serial/comport.h"

#include "serial/dispatcher.h"
#include "serial/portmap.h"
#include "serial/portprobe.h"
#include "serial/uniquefd.h"

#include <QSocketNotifier>

#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace px708 {

namespace {

constexpr int kSelectPortFirst = 1;
constexpr int kSelectPortLast = 50;

} // namespace

// The hidden notification target of an open port. It lives on the main thread. The
// dispatcher's threads queue their messages here under a lock of our own and wake the main
// thread through an eventfd watched by a socket notifier, so that every hand-over between the
// threads goes through synchronisation that the sanitizers see.
class ComNotifier : public QObject {
public:
    struct Message {
        enum class Kind { avail, lost } kind;
        std::shared_ptr<AvailDelivery> delivery;
        int err = 0;
    };

    explicit ComNotifier(TComPort* port)
        : port_(port), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (!wakeFd_)
            raiseSystemError(errno);
        notifier_ = std::make_unique<QSocketNotifier>(wakeFd_.get(), QSocketNotifier::Read, this);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &ComNotifier::drain);
    }
    ~ComNotifier() override {
        // The notifier watches the descriptor: it goes first.
        notifier_.reset();
    }

    // Any thread.
    void post(Message m) {
        {
            std::lock_guard lock(lock_);
            queue_.push_back(std::move(m));
        }
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_.get(), &one, sizeof one);
    }

    // After its port has closed, messages still on their way are dropped.
    void detach() {
        port_ = nullptr;
        std::lock_guard lock(lock_);
        queue_.clear();
    }

private:
    void drain() {
        std::uint64_t value;
        (void)!::read(wakeFd_.get(), &value, sizeof value);
        // One message at a time: a handler may run a nested event loop that drains the rest.
        while (port_) {
            Message m;
            {
                std::lock_guard lock(lock_);
                if (queue_.empty())
                    return;
                m = std::move(queue_.front());
                queue_.pop_front();
            }
            switch (m.kind) {
            case Message::Kind::avail:
                port_->deliverAvail(m.delivery);
                break;
            case Message::Kind::lost:
                port_->deviceLost(m.err);
                break;
            }
        }
    }

    TComPort* port_;
    UniqueFd wakeFd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex lock_;
    std::deque<Message> queue_;
};

TComPort::TComPort(QObject* parent) : QObject(parent) {}

TComPort::~TComPort() {
    if (state_ == State::open) {
        try {
            doClose();
        } catch (...) {
            // A failed trace or log dump must not keep the port from closing.
        }
    }
    if (dispatcher_) {
        dispatcher_->Shutdown();
        finishClose();
    }
}

bool TComPort::Open() const {
    return state_ == State::open;
}
bool TComPort::ShuttingDown() const {
    return state_ == State::shuttingDown;
}

void TComPort::setOpen(bool open) {
    if (open) {
        if (state_ == State::shuttingDown) {
            openRequested_ = true;
            return;
        }
        if (state_ == State::closed)
            doOpen();
    } else if (state_ == State::open) {
        doClose();
    }
}

void TComPort::setComNumber(std::uint16_t n) {
    if (state_ != State::open) {
        comNumber_ = n;
        return;
    }
    const TTraceLogState tracing = tracing_;
    const TTraceLogState logging = logging_;
    // A dump that fails at the close must not keep the port on its old number or closed:
    // reopen on the new one, then report the dump's error.
    std::exception_ptr dumpError;
    try {
        doClose();
    } catch (...) {
        dumpError = std::current_exception();
    }
    comNumber_ = n;
    tracing_ = tracing;
    logging_ = logging;
    setOpen(true);
    if (dumpError)
        std::rethrow_exception(dumpError);
}

void TComPort::setBaud(std::int32_t baud) {
    baud_ = baud;
    if (state_ == State::open)
        if (const std::error_code e = dispatcher_->SetLine(baud_, parity_, dataBits_, stopBits_))
            raiseComPortError(e);
}

void TComPort::setDTR(bool on) {
    dtr_ = on;
    if (state_ == State::open)
        dispatcher_->SetDTR(on);
}

void TComPort::setRTS(bool on) {
    rts_ = on;
    if (state_ == State::open)
        dispatcher_->SetRTS(on);
}

void TComPort::doOpen() {
    if (comNumber_ == 0) {
        if (!promptForPort_ || !OnSelectPort)
            raiseComPortError(comerr::ecNoPortSelected);
        const int chosen = OnSelectPort(availablePorts(kSelectPortFirst, kSelectPortLast));
        if (chosen <= 0 || chosen > 0xFFFF)
            raiseComPortError(comerr::ecNoPortSelected);
        comNumber_ = static_cast<std::uint16_t>(chosen);
    }

    const std::string label = "COM" + std::to_string(comNumber_);
    const std::string device = devicePathForPort(comNumber_);
    auto dispatcher = std::make_unique<TSerialDispatcher>(label);
    auto notifier = std::make_unique<ComNotifier>(this);
    // The worker threads post to the notifier; they are joined before it is destroyed.
    ComNotifier* target = notifier.get();
    dispatcher->SetLostHandler([target](int err) {
        target->post({ComNotifier::Message::Kind::lost, nullptr, err});
    });

    if (const std::error_code e = dispatcher->InitPort(device, baud_, parity_, dataBits_, stopBits_,
                                                       inSize_, outSize_, dtr_, rts_, hwFlow_)) {
        const int err = dispatcher->lastErrno();
        dispatcher.reset();
        if (e == comPortError(comerr::ecPermissionDenied))
            throw EPermissionDenied(
                comerr::ecPermissionDenied,
                "Permission denied for the serial port " + label + " (" + device + ": " +
                    systemErrorText(err) +
                    "). Add your user to the group that owns the device (dialout on "
                    "Debian: sudo adduser $USER dialout), then log in again.",
                err);
        if (e.category() == comPortCategory())
            raiseComPortError(e.value(), err);
        raiseSystemError(e.value());
    }

    dispatcher_ = std::move(dispatcher);
    notifier_ = std::move(notifier);
    state_ = State::open;
    try {
        if (tracing_ == TTraceLogState::tlOn)
            dispatcher_->StartTrace(traceSize_);
        if (logging_ == TTraceLogState::tlOn)
            dispatcher_->StartLog(logSize_);

        std::uint16_t full = bufferFull_;
        std::uint16_t resume = bufferResume_;
        const bool hw = hwFlow_ != hwfNone;
        const bool sw = swFlow_ != TSWFlowOptions::swfNone;
        if (hw || sw) {
            const double fullShare = hw ? 0.90 : 0.75;
            const double resumeShare = hw ? 0.10 : 0.25;
            if (full == 0 || full > inSize_)
                full = static_cast<std::uint16_t>(inSize_ * fullShare);
            if (resume == 0 || resume > full)
                resume = static_cast<std::uint16_t>(inSize_ * resumeShare);
        }
        if (const std::error_code e = dispatcher_->SetHWFlowOptions(full, resume, hwFlow_))
            raiseComPortError(e);
        if (const std::error_code e =
                dispatcher_->SetSWFlowOptions(full, resume, swFlow_, xon_, xoff_))
            raiseComPortError(e);
        dispatcher_->SetAvailThreshold(1);
        dispatcher_->SetDTR(dtr_);
        dispatcher_->SetRTS(rts_);

        const bool handlerPresent = static_cast<bool>(OnTriggerAvail);
        dispatcher_->RegisterWindow(
            [target](std::shared_ptr<AvailDelivery> d) {
                target->post({ComNotifier::Message::Kind::avail, std::move(d), 0});
            },
            handlerPresent);
    } catch (...) {
        state_ = State::closed;
        dispatcher_->Shutdown();
        dispatcher_.reset();
        notifier_.reset();
        throw;
    }
}

void TComPort::doClose() {
    // Both dumps run before the port is released; a failure of either is reported after the
    // port has closed, so the window stays closable and the port ends up closed.
    std::exception_ptr dumpError;
    try {
        traceCommand(true, TTraceLogState::tlDump);
    } catch (...) {
        dumpError = std::current_exception();
    }
    try {
        traceCommand(false, TTraceLogState::tlDump);
    } catch (...) {
        if (!dumpError)
            dumpError = std::current_exception();
    }
    state_ = State::shuttingDown;
    dispatcher_->Shutdown();
    // Asked for from inside a handler: the handler still runs on this port's notifier and
    // dispatcher, so the close is completed when the outermost handler returns.
    if (handlerDepth_ == 0)
        finishClose();
    if (dumpError)
        std::rethrow_exception(dumpError);
}

void TComPort::DumpAndClose() {
    std::exception_ptr first;
    const auto step = [&first](const std::function<void()>& work) {
        try {
            work();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    };
    step([this] { setTracing(TTraceLogState::tlDump); });
    step([this] { setLogging(TTraceLogState::tlDump); });
    step([this] { setOpen(false); });
    if (first)
        std::rethrow_exception(first);
}

void TComPort::finishClose() {
    if (dispatcher_)
        dispatcher_->UnregisterWindow();
    // The notifier may be the object whose event is running now: delete it later, and drop
    // what was posted to it for this opening (a loss reported while closing, say).
    if (notifier_) {
        notifier_->detach();
        notifier_.release()->deleteLater();
    }
    dispatcher_.reset();
    state_ = State::closed;
}

void TComPort::deliverAvail(const std::shared_ptr<AvailDelivery>& d) {
    TSerialDispatcher* dispatcher = dispatcher_.get();
    if (state_ != State::open || !dispatcher || !dispatcher->beginDelivery(d))
        return;
    ++handlerDepth_;
    try {
        if (OnTriggerAvail)
            OnTriggerAvail(*this, d->count);
    } catch (const std::exception& e) {
        reportHandlerError(e);
    }
    --handlerDepth_;
    dispatcher->endDelivery(d);
    if (handlerDepth_ == 0 && state_ == State::shuttingDown)
        completeDeferredClose();
}

void TComPort::completeDeferredClose() {
    finishClose();
    if (openRequested_) {
        openRequested_ = false;
        try {
            doOpen();
        } catch (const std::exception& e) {
            reportHandlerError(e);
        }
    }
}

void TComPort::reportHandlerError(const std::exception& e) {
    if (OnHandlerError)
        OnHandlerError(e);
}

void TComPort::deviceLost(int err) {
    if (state_ != State::open)
        return;
    const std::string label = "COM" + std::to_string(comNumber_);
    const std::string device = devicePathForPort(comNumber_);
    try {
        doClose();
    } catch (...) {
        // The loss is what the operator needs to hear about; the port is closed either way.
    }
    const EDeviceLost lost(comerr::ecDeviceLost,
                           "The serial port " + label + " (" + device +
                               ") stopped working: " + systemErrorText(err) +
                               ". The port has been closed. Reconnect the reader's cable or "
                               "adapter, then reopen the port.",
                           err);
    if (OnDeviceError)
        OnDeviceError(lost);
}

char TComPort::ReadChar() {
    if (state_ == State::shuttingDown)
        return 0;
    if (state_ == State::closed) {
        if (!autoOpen_)
            raiseComPortError(comerr::ecCommNotOpen);
        setOpen(true);
    }
    char c = 0;
    if (const std::error_code e = dispatcher_->GetChar(c))
        raiseComPortError(e);
    return c;
}

void TComPort::SendString(std::string_view s) {
    if (state_ == State::shuttingDown)
        return;
    if (state_ == State::closed) {
        if (!autoOpen_)
            raiseComPortError(comerr::ecCommNotOpen);
        setOpen(true);
    }
    if (const std::error_code e = dispatcher_->PutBlock(std::span(s.data(), s.size())))
        raiseComPortError(e);
}

TTraceLogState TComPort::Tracing() const {
    return tracing_;
}
TTraceLogState TComPort::Logging() const {
    return logging_;
}

void TComPort::setTracing(TTraceLogState s) {
    traceCommand(true, s);
}
void TComPort::setLogging(TTraceLogState s) {
    traceCommand(false, s);
}

void TComPort::traceCommand(bool trace, TTraceLogState s) {
    using enum TTraceLogState;
    TTraceLogState& current = trace ? tracing_ : logging_;
    if (state_ != State::open) {
        current = s == tlOn ? tlOn : tlOff;
        return;
    }
    if (s == current)
        return;
    const bool active = current == tlOn || current == tlPause;
    TSerialDispatcher& d = *dispatcher_;
    switch (s) {
    case tlOff:
        if (active) {
            trace ? d.StopTrace() : d.StopLog();
            current = tlOff;
        }
        break;
    case tlOn:
        if (current == tlPause)
            trace ? d.PauseTrace(false) : d.PauseLog(false);
        else
            trace ? d.StartTrace(traceSize_) : d.StartLog(logSize_);
        current = tlOn;
        break;
    case tlDump:
    case tlAppend:
        if (active) {
            current = tlOff;
            const bool append = s == tlAppend;
            if (trace)
                d.DumpTrace(traceName_, append, traceHex_, traceAllHex_);
            else
                d.DumpLog(logName_, append, logHex_, logAllHex_);
        }
        break;
    case tlClear:
        if (active)
            trace ? d.ClearTrace() : d.ClearLog();
        break;
    case tlPause:
        if (current == tlOn) {
            trace ? d.PauseTrace(true) : d.PauseLog(true);
            current = tlPause;
        }
        break;
    }
}

void TComPort::setTraceSize(std::uint32_t n) {
    traceSize_ = std::min(n, TraceBuffer::kMaxSize);
    if (state_ != State::open)
        return;
    if (tracing_ == TTraceLogState::tlOn) {
        dispatcher_->StartTrace(traceSize_);
    } else if (tracing_ == TTraceLogState::tlPause) {
        dispatcher_->StopTrace();
        tracing_ = TTraceLogState::tlOff;
    }
}

void TComPort::setLogSize(std::uint32_t n) {
    logSize_ = std::min(n, DispatchLog::kMaxSize);
    if (state_ != State::open)
        return;
    if (logging_ == TTraceLogState::tlOn) {
        dispatcher_->StartLog(logSize_);
    } else if (logging_ == TTraceLogState::tlPause) {
        dispatcher_->StopLog();
        logging_ = TTraceLogState::tlOff;
    }
}

} // namespace px708
