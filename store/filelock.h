#pragma once
// Shared or exclusive use of a table file: flock(LOCK_SH) or flock(LOCK_EX | LOCK_NB) on a
// descriptor of its own.
//
// SQLite keeps its own locks on the same file as fcntl locks, and closing any descriptor of
// a file drops every fcntl lock the process holds on it. So a descriptor is never closed while
// another lock of this process on the same file is alive: it is unlocked at once and parked,
// and the parked descriptors are closed with the last one (SQLite does the same with its own).
// Every SQLite connection to a table file must therefore live inside a TableFileLock.
//
// Thread affinity: any thread; the registry of parked descriptors is guarded by a mutex.

#include <QString>

#include <sys/types.h>

namespace px708 {

class TableFileLock {
public:
    // Unlocked: a descriptor counted with the others but without a flock of its own, for a
    // second connection of this program to a file it already holds (a flock from a second
    // descriptor would be refused by an exclusive one of the same program).
    enum class Mode { Shared, Exclusive, Unlocked };

    TableFileLock() = default;
    // Opens path and locks it without waiting. Raises DatabaseError of component when the file
    // cannot be opened or another program holds a conflicting lock.
    TableFileLock(const QString& component, const QString& path, Mode mode);
    TableFileLock(TableFileLock&& other) noexcept;
    TableFileLock& operator=(TableFileLock&& other) noexcept;
    TableFileLock(const TableFileLock&) = delete;
    TableFileLock& operator=(const TableFileLock&) = delete;
    ~TableFileLock();

    bool held() const { return fd_ >= 0; }
    void release() noexcept;

private:
    int fd_ = -1;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

} // namespace px708
