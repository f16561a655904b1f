#include "serial/tracelog.h"

#include "serial/comerrors.h"
#include "serial/uniquefd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace px708 {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A text file written through a small buffer; every failure raises the component's
// input/output error for the errno. The descriptor is closed on every path.
class TextFile {
public:
    TextFile(const std::string& path, bool append) {
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
        int fd;
        do {
            fd = ::open(path.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            const int err = errno;
            // With O_CREAT a missing file is made, so ENOENT means a folder on the way is missing.
            if (err == ENOENT)
                throw EInOutError(-3, comPortMessage(-3), err);
            raiseSystemError(err);
        }
        fd_.reset(fd);
        buffer_.reserve(kBufferSize);
    }

    void put(std::string_view text) {
        if (buffer_.size() + text.size() > kBufferSize)
            flush();
        if (text.size() > kBufferSize)
            writeAll(text);
        else
            buffer_.append(text);
    }
    void put(char c) { put(std::string_view(&c, 1)); }
    void line(std::string_view text) {
        put(text);
        put(kLineEnd);
    }

    // Writes what is buffered and closes the file; a failure of either raises.
    void close() {
        flush();
        if (::close(fd_.release()) != 0 && errno != EINTR)
            raiseSystemError(errno);
    }

private:
    static constexpr std::size_t kBufferSize = 4096;

    void flush() {
        writeAll(buffer_);
        buffer_.clear();
    }
    void writeAll(std::string_view text) {
        while (!text.empty()) {
            const ssize_t n = ::write(fd_.get(), text.data(), text.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                raiseSystemError(errno);
            }
            text.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    UniqueFd fd_;
    std::string buffer_;
};

struct Item {
    std::array<char, 8> text{};
    int width = 0;
    std::string_view view() const { return {text.data(), static_cast<std::size_t>(width)}; }
};

Item hexItem(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Item item;
    item.text = {'[', kDigits[b >> 4], kDigits[b & 0x0F], ']'};
    item.width = 4;
    return item;
}

// One byte as the trace and the log print it. Printable bytes start at "!" when
// non-printable ones are shown in hexadecimal, at the blank when they are shown in decimal.
Item byteItem(std::uint8_t b, bool hex, bool allHex) {
    if (allHex)
        return hexItem(b);
    const std::uint8_t lowest = hex ? 33 : 32;
    Item item;
    if (b >= lowest && b <= 126) {
        item.text[0] = static_cast<char>(b);
        item.width = 1;
    } else if (hex) {
        item = hexItem(b);
    } else {
        item.width = std::snprintf(item.text.data(), item.text.size(), "[%u]", unsigned{b});
    }
    return item;
}

std::string traceHeading(char kind) {
    switch (kind) {
    case 'T':
        return "Transmit: ";
    case 'R':
        return "Receive: ";
    default:
        return std::string("Special-") + kind + ": ";
    }
}

constexpr std::array<const char*, 20> kTypeNames = {
    "No event", "Dispatch", "Trigger",  "Error",  "Thread", "TrigAllc", "TrigDisp",
    "TrgHdAlc", "TrgHdDsp", "TrDatChg", "Telnet", "Fax",    "XModem",   "YModem",
    "ZModem",   "Kermit",   "Ascii",    "BPlus",  "Packet", "User"};

constexpr std::array<const char*, 20> kSubtypeNames = {
    "",      "ReadCom", "WriteCom", "Line status", "Modem status", "Avail", "Timer",
    "Data",  "Status",  "Start",    "Exit",        "Sleep",        "Wake",  "Data",
    "Timer", "Status",  "Avail",    "Window",      "Procedure",    "Method"};

constexpr std::array<const char*, 6> kStatusTriggerNames = {
    "(Not active)",         "(Modem status)",       "(Line status)",
    "(Output buffer free)", "(Output buffer used)", "(Output sent)"};

constexpr std::array<const char*, 8> kModemBitNames = {"DCTS ", "DDSR ", "TERI ", "DDCD ",
                                                       "CTS ",  "DSR ",  "RI ",   "DCD "};

constexpr std::uint8_t kTypeUser = 19;
constexpr std::uint8_t kSubtypeModemStatus = 4;
constexpr std::uint8_t kSubtypeStatusTrigger = 15;

// Names outside the tables print as empty names.
const char* nameIn(const auto& table, std::uint8_t index) {
    return index < table.size() ? table[index] : "";
}

// Seconds and milliseconds since the port was opened, at least 4 digits before the point.
std::string logTime(std::uint32_t ms) {
    std::string digits = std::to_string(ms);
    if (digits.size() < 7)
        digits.insert(0, 7 - digits.size(), '0');
    digits.insert(digits.size() - 3, 1, '.');
    return digits;
}

std::string compilerName() {
#if defined(__clang__)
    return "Clang " __clang_version__;
#elif defined(__GNUC__)
    return "GNU C++ " __VERSION__;
#else
    return "C++";
#endif
}

std::string operatingSystem() {
    utsname u{};
    if (::uname(&u) != 0)
        return "Unknown";
    std::string text = std::string(u.sysname) + " " + u.release + " " + u.version;
    if (text.size() > 80)
        text.resize(80);
    return text;
}

std::uint32_t load32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

void store32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

TraceBuffer::TraceBuffer(std::uint32_t entries)
    : ring_(std::size_t{std::min(entries, kMaxSize)} * 2), size_(std::min(entries, kMaxSize)) {}

void TraceBuffer::add(char kind, std::uint8_t byte) {
    if (size_ == 0)
        return;
    ring_[std::size_t{pos_} * 2] = static_cast<std::uint8_t>(kind);
    ring_[std::size_t{pos_} * 2 + 1] = byte;
    if (++pos_ == size_) {
        pos_ = 0;
        wrapped_ = true;
    }
}

void TraceBuffer::clear() {
    pos_ = 0;
    wrapped_ = false;
}

bool TraceBuffer::empty() const {
    return pos_ == 0 && !wrapped_;
}

void TraceBuffer::write(const std::string& path, bool append, bool hex, bool allHex) const {
    if (empty())
        return;
    TextFile file(path, append);
    const std::uint32_t count = wrapped_ ? size_ : pos_;
    const std::uint32_t start = wrapped_ ? pos_ : 0;
    int column = 0;
    char previous = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = (std::size_t{start} + i) % size_;
        const char kind = static_cast<char>(ring_[at * 2]);
        if (i == 0 || kind != previous) {
            if (i != 0) {
                file.put(kLineEnd); // ends the run's last line
                file.put(kLineEnd); // the empty line between runs
                column = 0;
            }
            file.line(traceHeading(kind));
            previous = kind;
        }
        const Item item = byteItem(ring_[at * 2 + 1], hex, allHex);
        column += item.width;
        if (column > 78) {
            file.put(kLineEnd);
            column = item.width;
        }
        file.put(item.view());
    }
    file.close();
}

DispatchLog::DispatchLog(std::uint32_t bytes)
    : ring_(std::min(bytes, kMaxSize)), size_(std::min(bytes, kMaxSize)) {}

std::uint32_t DispatchLog::advance(std::uint32_t at, std::uint32_t n) const {
    return static_cast<std::uint32_t>((std::uint64_t{at} + n) % size_);
}

void DispatchLog::put(std::uint32_t at, const std::uint8_t* src, std::uint32_t n) {
    if (n == 0)
        return; // an empty span may carry no pointer at all
    const std::uint32_t first = std::min(n, size_ - at);
    std::memcpy(ring_.data() + at, src, first);
    std::memcpy(ring_.data(), src + first, n - first);
}

void DispatchLog::get(std::uint32_t at, std::uint8_t* dst, std::uint32_t n) const {
    if (n == 0)
        return; // an empty span may carry no pointer at all
    const std::uint32_t first = std::min(n, size_ - at);
    std::memcpy(dst, ring_.data() + at, first);
    std::memcpy(dst + first, ring_.data(), n - first);
}

DispatchLog::Header DispatchLog::headerAt(std::uint32_t at) const {
    std::array<std::uint8_t, kHeaderSize> raw{};
    get(at, raw.data(), kHeaderSize);
    return Header{raw[0], raw[1], load32(&raw[4]), load32(&raw[8]), load32(&raw[12])};
}

void DispatchLog::dropOldest() {
    const std::uint32_t length = kHeaderSize + headerAt(head_).length;
    head_ = advance(head_, length);
    used_ -= length;
    --count_;
}

void DispatchLog::add(std::uint8_t type, std::uint8_t subtype, std::uint32_t timeMs,
                      std::uint32_t data, std::span<const std::uint8_t> bytes) {
    // A record must fit beside its own header, or storing it would overwrite itself.
    const std::uint64_t need = std::uint64_t{kHeaderSize} + bytes.size();
    if (need >= size_)
        return;
    while (size_ - used_ < need)
        dropOldest();
    std::array<std::uint8_t, kHeaderSize> raw{};
    raw[0] = type;
    raw[1] = subtype;
    store32(&raw[4], timeMs);
    store32(&raw[8], data);
    store32(&raw[12], static_cast<std::uint32_t>(bytes.size()));
    put(tail_, raw.data(), kHeaderSize);
    put(advance(tail_, kHeaderSize), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    tail_ = advance(tail_, static_cast<std::uint32_t>(need));
    used_ += static_cast<std::uint32_t>(need);
    ++count_;
}

void DispatchLog::clear() {
    head_ = tail_ = used_ = count_ = 0;
}

bool DispatchLog::empty() const {
    return count_ == 0;
}

void DispatchLog::write(const std::string& path, bool append, bool hex, bool allHex,
                        const std::string& deviceLabel) const {
    if (empty())
        return;
    TextFile file(path, append);
    file.line("ComPort v1.0");
    file.line("Compiler : " + compilerName());
    file.line("Operating System : " + operatingSystem());
    file.line("Device: " + deviceLabel);
    file.line("Time      Type      SubType       Data      OtherData");
    file.line("--------  --------  ------------  --------  ---------");

    const std::string continuation(44, ' ');
    std::vector<std::uint8_t> bytes;
    std::uint32_t at = head_;
    for (std::uint32_t r = 0; r < count_; ++r) {
        const Header h = headerAt(at);
        bytes.resize(h.length);
        get(advance(at, kHeaderSize), bytes.data(), h.length);
        at = advance(at, kHeaderSize + h.length);

        std::array<char, 128> prefix{};
        const int n = std::snprintf(prefix.data(), prefix.size(), "%8s  %-8s  %-12s  %08X  ",
                                    logTime(h.time).c_str(), nameIn(kTypeNames, h.type),
                                    nameIn(kSubtypeNames, h.subtype), unsigned{h.data});
        file.put(std::string_view(prefix.data(), static_cast<std::size_t>(n)));

        if ((h.type == 5 || h.type == 6) && h.subtype == kSubtypeStatusTrigger) {
            if (!bytes.empty() && bytes[0] < kStatusTriggerNames.size())
                file.put(kStatusTriggerNames[bytes[0]]);
        } else {
            int column = 45;
            for (const std::uint8_t b : bytes) {
                Item item;
                if (allHex && h.type == kTypeUser) {
                    item.text[0] = static_cast<char>(b);
                    item.width = 1;
                } else {
                    item = byteItem(b, hex, allHex);
                }
                column += item.width;
                if (column >= 79) {
                    file.put(kLineEnd);
                    file.put(continuation);
                    column = 45 + item.width;
                }
                file.put(item.view());
            }
        }

        if (h.subtype == kSubtypeModemStatus) {
            std::string bits;
            for (std::size_t bit = 0; bit < kModemBitNames.size(); ++bit)
                if (h.data & (1u << bit))
                    bits += kModemBitNames[bit];
            while (!bits.empty() && bits.back() == ' ')
                bits.pop_back();
            file.put(" (" + bits + ")");
        }
        file.put(kLineEnd);
    }
    file.close();
}

} // namespace px708
