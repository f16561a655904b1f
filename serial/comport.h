#pragma once
// TComPort: the serial port component placed on the main window as Com1.
//
// Thread affinity: every member is called on the main thread only. OnTriggerAvail and
// OnDeviceError run on the main thread, from its event loop. The worker threads of the
// dispatcher reach the component only through its notifier object, which lives on the
// main thread.

#include "serial/comerrors.h"
#include "serial/tracelog_state.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace px708 {

class TSerialDispatcher;
struct AvailDelivery;
class ComNotifier;

enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum THWFlowOption : unsigned {
    hwfNone = 0,
    hwfUseDTR = 1,
    hwfUseRTS = 2,
    hwfRequireDSR = 4,
    hwfRequireCTS = 8,
};

class TComPort : public QObject {
    Q_OBJECT
public:
    explicit TComPort(QObject* parent = nullptr);
    ~TComPort() override; // closes an open port first

    // Raised when received data is waiting; Count is the number of unread bytes.
    std::function<void(TComPort& CP, std::uint16_t Count)> OnTriggerAvail;

    // "Select Port": given the port numbers that can be opened now, returns the chosen one,
    // or 0 when the operator cancels. Without a chooser, ComNumber 0 fails as if cancelled.
    std::function<int(const std::vector<int>& available)> OnSelectPort;

    // A device that disappeared while open (hang-up, EIO). Called once on the main thread,
    // after the port has been closed, with an exception that names the system's reason.
    std::function<void(const EComPortException&)> OnDeviceError;

    // An exception that escaped OnTriggerAvail, or an error of work the component finished
    // on its own (a deferred close or reopening). The delivery counts as handled.
    std::function<void(const std::exception&)> OnHandlerError;

    // Published properties.
    std::uint16_t ComNumber() const { return comNumber_; }
    void setComNumber(std::uint16_t n);
    std::int32_t Baud() const { return baud_; }
    void setBaud(std::int32_t baud);
    TParity Parity() const { return parity_; }
    void setParity(TParity p) { parity_ = p; }
    std::uint16_t DataBits() const { return dataBits_; }
    void setDataBits(std::uint16_t b) { dataBits_ = b; }
    std::uint16_t StopBits() const { return stopBits_; }
    void setStopBits(std::uint16_t b) { stopBits_ = b; }
    std::uint16_t InSize() const { return inSize_; }
    void setInSize(std::uint16_t s) { inSize_ = s; }
    std::uint16_t OutSize() const { return outSize_; }
    void setOutSize(std::uint16_t s) { outSize_ = s; }
    bool AutoOpen() const { return autoOpen_; }
    void setAutoOpen(bool a) { autoOpen_ = a; }
    bool PromptForPort() const { return promptForPort_; }
    void setPromptForPort(bool p) { promptForPort_ = p; }
    bool DTR() const { return dtr_; }
    void setDTR(bool on);
    bool RTS() const { return rts_; }
    void setRTS(bool on);
    unsigned HWFlowOptions() const { return hwFlow_; }
    void setHWFlowOptions(unsigned o) { hwFlow_ = o; }
    TSWFlowOptions SWFlowOptions() const { return swFlow_; }
    void setSWFlowOptions(TSWFlowOptions o) { swFlow_ = o; }
    char XOnChar() const { return xon_; }
    void setXOnChar(char c) { xon_ = c; }
    char XOffChar() const { return xoff_; }
    void setXOffChar(char c) { xoff_ = c; }
    std::uint16_t BufferFull() const { return bufferFull_; }
    void setBufferFull(std::uint16_t v) { bufferFull_ = v; }
    std::uint16_t BufferResume() const { return bufferResume_; }
    void setBufferResume(std::uint16_t v) { bufferResume_ = v; }

    TTraceLogState Tracing() const;
    void setTracing(TTraceLogState s);
    std::uint32_t TraceSize() const { return traceSize_; }
    void setTraceSize(std::uint32_t n);
    std::string TraceName() const { return traceName_; }
    void setTraceName(std::string n) { traceName_ = std::move(n); }
    bool TraceHex() const { return traceHex_; }
    void setTraceHex(bool h) { traceHex_ = h; }
    bool TraceAllHex() const { return traceAllHex_; }
    void setTraceAllHex(bool h) { traceAllHex_ = h; }

    TTraceLogState Logging() const;
    void setLogging(TTraceLogState s);
    std::uint32_t LogSize() const { return logSize_; }
    void setLogSize(std::uint32_t n);
    std::string LogName() const { return logName_; }
    void setLogName(std::string n) { logName_ = std::move(n); }
    bool LogHex() const { return logHex_; }
    void setLogHex(bool h) { logHex_ = h; }
    bool LogAllHex() const { return logAllHex_; }
    void setLogAllHex(bool h) { logAllHex_ = h; }

    // Open reads true only in the open state. Setting it opens or closes the port; setting
    // the value it already has does nothing. Failures raise EComPortException. Closing writes
    // the trace and the log first; when a dump fails the port is closed all the same and the
    // first dump error is raised afterwards. A close asked for from inside OnTriggerAvail
    // (nested modal loops included) completes when the outermost handler returns; an opening
    // asked for meanwhile is carried out then.
    bool Open() const;
    void setOpen(bool open);

    // The window's close step: sets Tracing to dump, then Logging to dump, then closes the
    // port. Each step runs even when one before it failed; the first failure is raised once
    // the port is closed.
    void DumpAndClose();

    // Takes the next received character. Raises "Device not open" on a closed port
    // (AutoOpen false) and "Buffer is empty" when nothing is unread; returns 0 while the
    // port is shutting down.
    char ReadChar();

    // Queues the bytes for sending and returns at once. Raises "Device not open" on a closed
    // port and "Output buffer too small for block" (nothing queued) when they do not fit.
    void SendString(std::string_view s);

    // True while a close asked for from inside OnTriggerAvail is still completing.
    bool ShuttingDown() const;

private:
    friend class ComNotifier;
    enum class State { closed, shuttingDown, open };

    void doOpen();
    void doClose();
    void finishClose();
    void completeDeferredClose();
    void deliverAvail(const std::shared_ptr<AvailDelivery>& d);
    void deviceLost(int err);
    void traceCommand(bool trace, TTraceLogState s);
    void reportHandlerError(const std::exception& e);

    State state_ = State::closed;
    bool openRequested_ = false;
    int handlerDepth_ = 0; // OnTriggerAvail calls running now (nested through modal loops)
    std::unique_ptr<TSerialDispatcher> dispatcher_;
    std::unique_ptr<ComNotifier> notifier_;

    std::uint16_t comNumber_ = 0;
    std::int32_t baud_ = 19200;
    TParity parity_ = TParity::pNone;
    std::uint16_t dataBits_ = 8;
    std::uint16_t stopBits_ = 1;
    std::uint16_t inSize_ = 4096;
    std::uint16_t outSize_ = 4096;
    bool autoOpen_ = true;
    bool promptForPort_ = true;
    bool dtr_ = true;
    bool rts_ = true;
    unsigned hwFlow_ = hwfNone;
    TSWFlowOptions swFlow_ = TSWFlowOptions::swfNone;
    char xon_ = 0x11;
    char xoff_ = 0x13;
    std::uint16_t bufferFull_ = 0;
    std::uint16_t bufferResume_ = 0;

    TTraceLogState tracing_ = TTraceLogState::tlOff;
    std::uint32_t traceSize_ = 10000;
    std::string traceName_ = "COMPORT.TRC";
    bool traceHex_ = true;
    bool traceAllHex_ = false;
    TTraceLogState logging_ = TTraceLogState::tlOff;
    std::uint32_t logSize_ = 10000;
    std::string logName_ = "COMPORT.LOG";
    bool logHex_ = true;
    bool logAllHex_ = false;
};

} // namespace px708
