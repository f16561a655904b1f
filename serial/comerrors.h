#pragma once
// Errors of the serial port component. Every failure of the component is raised as an
// exception of a class derived from EComPortException, carrying the error code and the
// message text of the component's message table (keyed by the code's absolute value), and,
// when a system call failed, the errno behind it.
//
// Two kinds of error value travel inside the component: the component's own codes (no such
// device, in use, buffer empty, ...) in comPortCategory(), and errno values of failed system
// calls in std::system_category(). Keeping them apart means an errno can never be read as
// one of the component's codes, nor the other way round.

#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace px708 {

class EComPortException : public std::runtime_error {
public:
    EComPortException(int code, const std::string& message, int systemError = 0)
        : std::runtime_error(message), code_(code), systemError_(systemError) {}
    int ErrorCode() const { return code_; }
    // The errno of the system call that failed; 0 when none did.
    int SystemError() const { return systemError_; }

private:
    int code_;
    int systemError_;
};

#define PX708_COM_ERROR(Name)                                                                      \
    class Name : public EComPortException {                                                        \
    public:                                                                                        \
        using EComPortException::EComPortException;                                                \
    };
PX708_COM_ERROR(EBadId)
PX708_COM_ERROR(EAlreadyOpen)
PX708_COM_ERROR(ECommNotOpen)
PX708_COM_ERROR(ENoPortSelected)
PX708_COM_ERROR(EOutputBufferTooSmall)
PX708_COM_ERROR(EBufferIsEmpty)
PX708_COM_ERROR(EBadArgument)
PX708_COM_ERROR(EOutOfMemory)
PX708_COM_ERROR(EInOutError)
PX708_COM_ERROR(EDeviceLost)
PX708_COM_ERROR(EPermissionDenied)
#undef PX708_COM_ERROR

namespace comerr {
constexpr int ecBadId = -2001;
constexpr int ecCommNotOpen = -2007;
constexpr int ecAlreadyOpen = -2008;
constexpr int ecNoPortSelected = -2011;
constexpr int ecOutputBufferTooSmall = -3006;
constexpr int ecBufferIsEmpty = -3007;
constexpr int ecBadArgument = -1002;
constexpr int ecOutOfMemory = -8;
// Codes of our own for the Linux cases the original never had.
constexpr int ecPermissionDenied = -9001;
constexpr int ecDeviceLost = -9002;
// A failed system call whose errno has no text in the message table: the exception carries
// the system's own text for it.
constexpr int ecSystemError = -9003;
} // namespace comerr

// The category of the component's own codes (the comerr values above).
const std::error_category& comPortCategory();
inline std::error_code comPortError(int code) {
    return {code, comPortCategory()};
}
// An errno as an error value.
inline std::error_code systemError(int err) {
    return {err, std::system_category()};
}

// The message table's text for a code (its absolute value is the key).
std::string comPortMessage(int code);

// The message table's system code for an errno of a file or device operation (2 "File not
// found", 3 "Path not found", 5 "File access denied", 101 "Disk is full", ...), or nothing
// when the table has no text that says what the errno says.
std::optional<int> systemCodeForErrno(int err);

// The system's own text for an errno ("File name too long").
std::string systemErrorText(int err);

// Raises the exception for one of the component's codes: the right class, the table's
// message; systemError is the errno behind it, if any.
[[noreturn]] void raiseComPortError(int code, int systemError = 0);

// Raises the input/output error of a failed system call: the table's code and text when it
// has one for the errno, else ecSystemError with the system's own text.
[[noreturn]] void raiseSystemError(int err);

// Raises the exception for an error value of either kind.
[[noreturn]] void raiseComPortError(std::error_code error);

} // namespace px708
