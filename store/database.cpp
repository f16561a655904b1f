#include "store/database.h"

#include "store/schemas.h"
#include "store/sqlitehandle.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace px708 {
namespace {

QString errnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

void syncPath(const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

Database::Database(QString componentName)
    : name_(std::move(componentName)), folder_(defaultFolder()) {}

QString Database::defaultFolder() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    QString base;
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        base = xdg;
    else
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/px708/database"));
}

void Database::setFolder(const QString& folder) {
    folder_ = QDir::cleanPath(folder);
}

QString Database::tablePath(const QString& fileName) const {
    return folder_ + QLatin1Char('/') + fileName;
}

void Database::createTables(const QString& component, const QString& folder) {
    auto make = [&](const QString& fileName, const QString& tableName,
                    std::span<const FieldDef> fields) {
        const QString path = folder + QLatin1Char('/') + fileName;
        sql::Connection db = sql::open(component, path, true);
        sql::exec(component, db.get(),
                  QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; ") +
                      createTableSql(tableName, fields));
        // Closing the last connection checkpoints the log into the file and removes it.
        db.reset();
        syncPath(path);
    };
    make(QString::fromLatin1(kSettingsFileName), QStringLiteral("settings"), settingsSchema());
    for (int n = 1; n <= kReadingsTableCount; ++n)
        make(QStringLiteral("%1data.db").arg(n), QStringLiteral("readings"), readingsSchema());
}

void Database::connect() {
    connected_ = false;
    created_ = false;
    const QFileInfo info(folder_);
    if (info.exists()) {
        if (!info.isDir())
            throw DatabaseError(name_, QStringLiteral("%1 is not a folder").arg(folder_), ENOTDIR);
        connected_ = true;
        return;
    }

    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent))
        throw DatabaseError(name_, QStringLiteral("cannot create folder %1").arg(parent));

    // The tables are made in a folder of their own and moved into place in one step.
    QByteArray tmpl = (parent + QStringLiteral("/.database-new-XXXXXX")).toLocal8Bit();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        const int err = errno;
        throw DatabaseError(
            name_, QStringLiteral("cannot create folder in %1: %2").arg(parent, errnoText(err)),
            err);
    }
    const QString staging = QString::fromLocal8Bit(tmpl);
    try {
        createTables(name_, staging);
    } catch (...) {
        QDir(staging).removeRecursively();
        throw;
    }
    syncPath(staging);
    const QByteArray target = folder_.toLocal8Bit();
    if (::renameat2(AT_FDCWD, tmpl.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) !=
        0) {
        const int err = errno;
        QDir(staging).removeRecursively();
        // Another instance made the folder first: use its tables.
        if (err != EEXIST || !QFileInfo(folder_).isDir())
            throw DatabaseError(
                name_, QStringLiteral("cannot create folder %1: %2").arg(folder_, errnoText(err)),
                err);
    } else {
        created_ = true;
    }
    syncPath(parent);
    connected_ = true;
}

} // namespace px708
