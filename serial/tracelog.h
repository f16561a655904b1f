#pragma once
// The character trace and the dispatch log of a port: ring buffers kept in memory while the
// port is open and written to text files on a dump.
//
// Thread affinity: none of their own. The dispatcher guards both with its general lock; the
// dump runs on the main thread under that lock.
//
// Writing never empties or releases a buffer: discarding it after a dump, whether the dump
// succeeded or raised, is the caller's job.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace px708 {

// A ring of two-byte entries: the kind ('T' queued for sending, 'R' taken by ReadChar, any
// other kind prints as "Special-" and the kind) and the data byte. When the ring is full the
// oldest entries are overwritten.
class TraceBuffer {
public:
    static constexpr std::uint32_t kMaxSize = 4000000;
    explicit TraceBuffer(std::uint32_t entries); // above kMaxSize is taken as kMaxSize

    // A buffer of 0 entries records nothing.
    void add(char kind, std::uint8_t byte);
    void clear();
    bool empty() const;
    std::uint32_t capacity() const { return size_; }

    // Writes the entries, oldest first, to path (replacing it, or appending when append is
    // true and the file exists). Writes no file when the buffer is empty. Raises the
    // component's input/output error (EInOutError) when the file cannot be opened or written.
    void write(const std::string& path, bool append, bool hex, bool allHex) const;

private:
    std::vector<std::uint8_t> ring_; // kind, byte, kind, byte, ...
    std::uint32_t size_;
    std::uint32_t pos_ = 0;
    bool wrapped_ = false;
};

// A ring of LogSize bytes holding variable-length records (16-byte header plus data bytes).
// Room for a new record is made by dropping the oldest whole records; a record of LogSize
// bytes or more (header and data together) is not stored.
class DispatchLog {
public:
    static constexpr std::uint32_t kMaxSize = 16000000;
    static constexpr std::uint32_t kHeaderSize = 16;
    explicit DispatchLog(std::uint32_t bytes); // above kMaxSize is taken as kMaxSize

    // Event types and subtypes that the program's use of the port produces.
    enum : std::uint8_t { tDispatch = 1, tTrigger = 2, tTrgHdAlc = 7, tTrDatChg = 9 };
    enum : std::uint8_t { sReadCom = 1, sWriteCom = 2, sAvail = 5, sWindow = 17, sTrigAvail = 16 };

    // timeMs: milliseconds since the port was opened; data: the event's number.
    void add(std::uint8_t type, std::uint8_t subtype, std::uint32_t timeMs, std::uint32_t data,
             std::span<const std::uint8_t> bytes = {});
    void clear();
    bool empty() const;
    std::uint32_t capacity() const { return size_; }

    // Writes the heading and every record, oldest first; deviceLabel is "COM" and the number.
    // Same file rules and errors as TraceBuffer::write.
    void write(const std::string& path, bool append, bool hex, bool allHex,
               const std::string& deviceLabel) const;

private:
    struct Header {
        std::uint8_t type;
        std::uint8_t subtype;
        std::uint32_t time;
        std::uint32_t data;
        std::uint32_t length;
    };

    void put(std::uint32_t at, const std::uint8_t* src, std::uint32_t n);
    void get(std::uint32_t at, std::uint8_t* dst, std::uint32_t n) const;
    Header headerAt(std::uint32_t at) const;
    void dropOldest();
    std::uint32_t advance(std::uint32_t at, std::uint32_t n) const;

    std::vector<std::uint8_t> ring_;
    std::uint32_t size_;
    std::uint32_t head_ = 0;  // oldest record
    std::uint32_t tail_ = 0;  // where the next record goes
    std::uint32_t used_ = 0;  // bytes held by whole records
    std::uint32_t count_ = 0; // records held
};

} // namespace px708
