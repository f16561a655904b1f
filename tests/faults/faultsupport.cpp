#include "tests/faults/faultsupport.h"

#include <QFile>

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faults {
namespace {

bool& privateMountsFlag() {
    static bool available = false;
    return available;
}

[[noreturn]] void failWith(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

bool privateMounts() {
    return privateMountsFlag();
}

void setPrivateMounts(bool available) {
    privateMountsFlag() = available;
}

SmallDisk::SmallDisk(const std::filesystem::path& folder, std::size_t bytes)
    : folder_(folder), filler_(folder / "filler") {
    std::map<std::string, std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        kept[entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("px708-small", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        failWith("mount tmpfs on " + folder.string());
    for (const auto& [name, content] : kept)
        std::ofstream(folder / name, std::ios::binary) << content;
}

SmallDisk::~SmallDisk() {
    ::umount2(folder_.c_str(), MNT_DETACH);
}

void SmallDisk::fill() {
    const int fd = ::open(filler_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        failWith("filler");
    static const std::string block(4096, 'x');
    while (true) {
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    // The last pages, smaller than a block.
    while (::write(fd, "x", 1) == 1) {
    }
    ::close(fd);
}

void SmallDisk::makeRoom() {
    std::filesystem::remove(filler_);
}

void SmallDisk::setReadOnly(bool readOnly) {
    unsigned long flags = MS_REMOUNT;
    if (readOnly)
        flags |= MS_RDONLY;
    if (::mount("px708-small", folder_.c_str(), "tmpfs", flags, nullptr) != 0)
        failWith("remount " + folder_.string());
}

std::vector<std::string> childArgs(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--faults-child"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

StoredTable readStored(const QString& folder, const QString& fileName) {
    StoredTable stored;
    const QByteArray path = (folder + QLatin1Char('/') + fileName).toLocal8Bit();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return stored;
    }
    const auto query = [db](const char* sql, const auto& row) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return false;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            row(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    };
    const auto text = [](sqlite3_stmt* stmt, int column) {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return data ? QString::fromUtf8(data, sqlite3_column_bytes(stmt, column)) : QString();
    };
    QString table;
    query("PRAGMA integrity_check", [&](sqlite3_stmt* s) { stored.integrity += text(s, 0); });
    query("SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite_%'",
          [&](sqlite3_stmt* s) { table = text(s, 0); });
    if (!table.isEmpty()) {
        const QByteArray sql =
            QStringLiteral("SELECT tag, Alpha FROM \"%1\" ORDER BY rowid").arg(table).toUtf8();
        stored.opened = query(sql.constData(), [&](sqlite3_stmt* s) {
            stored.rows.emplace_back(text(s, 0), text(s, 1));
        });
    }
    sqlite3_close(db);
    return stored;
}

QByteArray contentOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& file, const QByteArray& content) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        throw std::runtime_error("cannot write " + file.toStdString());
}

QByteArray csvFile(int rows) {
    QByteArray content = "C_Code;Tag ID;Type;Lot;Flag;Alpha;Bravo;Charly;Date_;Time_;Comment\r\n";
    content.reserve(content.size() + rows * 72);
    for (int i = 1; i <= rows; ++i)
        content += "985;" + QByteArray::number(i) + ";ISO FDX-B Non;01;False;csv " +
                   QByteArray::number(i) + ";b;c;15/04/2023;14:30:05;imported\r\n";
    return content;
}

} // namespace faults
