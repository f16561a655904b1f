#pragma once
// Errors of the serial port component. Every failure of the component is raised as an
// exception of a class derived from EComPortException, carrying the error code and the
// message text of the component's message table (keyed by the code's absolute value).

#include <stdexcept>
#include <string>

namespace px708 {

class EComPortException : public std::runtime_error {
public:
    EComPortException(int code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int ErrorCode() const { return code_; }

private:
    int code_;
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
// Codes of our own for the two Linux cases the original never had.
constexpr int ecPermissionDenied = -9001;
constexpr int ecDeviceLost = -9002;
} // namespace comerr

// The message table's text for a code (its absolute value is the key).
std::string comPortMessage(int code);

// Maps an errno of a file operation onto the system error code of the message table
// (2 "File not found", 3 "Path not found", 5 "File access denied", 101 "Disk is full", ...).
int systemCodeForErrno(int err);

// Raises the exception for a code: the right class, the table's message.
[[noreturn]] void raiseComPortError(int code);

// Raises the input/output error of a failed file operation (trace and log dumps).
[[noreturn]] void raiseFileError(int err);

} // namespace px708
