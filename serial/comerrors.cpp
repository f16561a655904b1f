#include "serial/comerrors.h"

#include <cerrno>

namespace px708 {

namespace {

const char* systemText(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Path not found";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 6:
        return "Invalid file handle";
    case 8:
        return "Insufficient memory";
    case 15:
        return "Invalid drive";
    case 18:
        return "No more files";
    case 100:
        return "Attempt to read beyond end of file";
    case 101:
        return "Disk is full";
    case 102:
        return "File/device not assigned";
    case 103:
        return "File/device not open";
    case 104:
        return "File/device not open for input";
    case 105:
        return "File/device not open for output";
    case 150:
        return "Disk is write-protected";
    case 151:
        return "Unknown disk unit";
    case 152:
        return "Drive is not ready";
    case 153:
        return "Unknown command";
    case 154:
        return "Data error";
    case 155:
        return "Bad request structure length";
    case 156:
        return "Seek error";
    case 157:
        return "Unknown media type";
    case 158:
        return "Disk sector not found";
    case 159:
        return "Printer is out of paper";
    case 160:
        return "Device write error";
    case 161:
        return "Device read error";
    case 162:
        return "General failure";
    default:
        return nullptr;
    }
}

class ComPortCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "comport"; }
    std::string message(int code) const override { return comPortMessage(code); }
};

} // namespace

const std::error_category& comPortCategory() {
    static const ComPortCategory category;
    return category;
}

std::string comPortMessage(int code) {
    switch (code) {
    case comerr::ecBadId:
        return "Specified comport doesn't exist";
    case comerr::ecAlreadyOpen:
        return "Device already open";
    case comerr::ecCommNotOpen:
        return "Device not open";
    case comerr::ecNoPortSelected:
        return "The ComNumber property of the TComPort has not been set";
    case comerr::ecOutputBufferTooSmall:
        return "Output buffer too small for block";
    case comerr::ecBufferIsEmpty:
        return "Buffer is empty";
    case comerr::ecBadArgument:
        return "Bad argument passed to function";
    case comerr::ecOutOfMemory:
        return systemErrorText(ENOMEM);
    default:
        break;
    }
    if (code <= -2 && code >= -162)
        if (const char* text = systemText(-code))
            return text;
    return "ComPort exception";
}

std::optional<int> systemCodeForErrno(int err) {
    switch (err) {
    case ENOENT:
        return 2;
    case ENOTDIR:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
        return 5;
    case EBADF:
        return 6;
    case ENOMEM:
        return 8;
    case ENOSPC:
    case EDQUOT:
        return 101;
    case EROFS:
        return 150;
    default:
        return std::nullopt;
    }
}

std::string systemErrorText(int err) {
    // The category's text comes from strerror_r, which, unlike strerror, is safe on any thread.
    return std::system_category().message(err);
}

void raiseComPortError(int code, int systemError) {
    const std::string msg = comPortMessage(code);
    switch (code) {
    case comerr::ecBadId:
        throw EBadId(code, msg, systemError);
    case comerr::ecAlreadyOpen:
        throw EAlreadyOpen(code, msg, systemError);
    case comerr::ecCommNotOpen:
        throw ECommNotOpen(code, msg, systemError);
    case comerr::ecNoPortSelected:
        throw ENoPortSelected(code, msg, systemError);
    case comerr::ecOutputBufferTooSmall:
        throw EOutputBufferTooSmall(code, msg, systemError);
    case comerr::ecBufferIsEmpty:
        throw EBufferIsEmpty(code, msg, systemError);
    case comerr::ecBadArgument:
        throw EBadArgument(code, msg, systemError);
    case comerr::ecOutOfMemory:
        throw EOutOfMemory(code, msg, systemError);
    default:
        break;
    }
    if (code <= -2 && code >= -162)
        throw EInOutError(code, msg, systemError);
    throw EComPortException(code, msg, systemError);
}

void raiseSystemError(int err) {
    if (err == ENOMEM)
        throw EOutOfMemory(comerr::ecOutOfMemory, comPortMessage(comerr::ecOutOfMemory), err);
    if (const std::optional<int> code = systemCodeForErrno(err))
        throw EInOutError(-*code, comPortMessage(-*code), err);
    throw EInOutError(comerr::ecSystemError, systemErrorText(err), err);
}

void raiseComPortError(std::error_code error) {
    if (error.category() == comPortCategory())
        raiseComPortError(error.value());
    raiseSystemError(error.value());
}

} // namespace px708
