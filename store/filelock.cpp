#include "store/filelock.h"

#include "store/storeerror.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace px708 {
namespace {

struct Entry {
    int users = 0;
    std::vector<int> parked;
};

struct Registry {
    std::mutex mutex;
    std::map<std::pair<dev_t, ino_t>, Entry> files;
};

Registry& registry() {
    static Registry r;
    return r;
}

void registerUser(dev_t dev, ino_t ino) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    ++r.files[{dev, ino}].users;
}

// Unlocks fd and closes it, or parks it while other descriptors of the file are in use.
void unregisterUser(int fd, dev_t dev, ino_t ino) noexcept {
    ::flock(fd, LOCK_UN);
    Registry& r = registry();
    std::vector<int> toClose;
    {
        std::lock_guard lock(r.mutex);
        auto it = r.files.find({dev, ino});
        if (it != r.files.end() && --it->second.users > 0) {
            it->second.parked.push_back(fd);
            return;
        }
        if (it != r.files.end()) {
            toClose = std::move(it->second.parked);
            r.files.erase(it);
        }
        toClose.push_back(fd);
    }
    for (int f : toClose)
        ::close(f);
}

QString errnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

TableFileLock::TableFileLock(const QString& component, const QString& path, Mode mode) {
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        throw DatabaseError(
            component, QStringLiteral("cannot open table file %1: %2").arg(path, errnoText(err)),
            err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw DatabaseError(
            component, QStringLiteral("cannot open table file %1: %2").arg(path, errnoText(err)),
            err);
    }
    registerUser(st.st_dev, st.st_ino);
    if (mode == Mode::Unlocked) {
        fd_ = fd;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        return;
    }
    int rc;
    do {
        rc = ::flock(fd, (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        unregisterUser(fd, st.st_dev, st.st_ino);
        if (err == EWOULDBLOCK)
            throw DatabaseError(
                component, QStringLiteral("table file %1 is in use by another program").arg(path),
                err);
        throw DatabaseError(
            component, QStringLiteral("cannot lock table file %1: %2").arg(path, errnoText(err)),
            err);
    }
    fd_ = fd;
    dev_ = st.st_dev;
    ino_ = st.st_ino;
}

TableFileLock::TableFileLock(TableFileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), dev_(other.dev_), ino_(other.ino_) {}

TableFileLock& TableFileLock::operator=(TableFileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        dev_ = other.dev_;
        ino_ = other.ino_;
    }
    return *this;
}

TableFileLock::~TableFileLock() {
    release();
}

void TableFileLock::release() noexcept {
    if (fd_ < 0)
        return;
    unregisterUser(std::exchange(fd_, -1), dev_, ino_);
}

} // namespace px708
