#include "store/tablesnapshot.h"

#include "store/database.h"
#include "store/field.h"
#include "store/storeerror.h"
#include "store/table.h"

namespace px708 {
namespace {

constexpr int kSnapshotPageRows = 256;

} // namespace

TableSnapshot::TableSnapshot(const Table& table) : table_(table), component_(table.name_) {
    table.requireOpen();
    const QString path = table.db_.tablePath(table.fileName_);
    // A table this program holds for exclusive use already keeps every other program out; a
    // second flock on it would be refused by the first.
    lock_ = TableFileLock(component_, path,
                          table.exclusive_ ? TableFileLock::Mode::Unlocked
                                           : TableFileLock::Mode::Shared);
    try {
        conn_ = sql::open(component_, path, false);
        sqlite3_busy_timeout(conn_.get(), static_cast<int>(Table::kBusyTimeout.count()));
        sql::exec(component_, conn_.get(), QStringLiteral("BEGIN"));
        // The first read fixes the snapshot: everything below sees the file as it is now.
        sql::Statement keys(component_, conn_.get(),
                            QStringLiteral("SELECT %2 FROM %1 ORDER BY %2")
                                .arg(table.quoted(table.tableName_), table.keyColumn_));
        while (keys.step())
            ids_.push_back(keys.int64(0));
        pageStmt_ = sql::Statement(
            component_, conn_.get(),
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 BETWEEN ?1 AND ?2 "
                           "ORDER BY %3")
                .arg(table.selectList_, table.quoted(table.tableName_), table.keyColumn_));
    } catch (...) {
        pageStmt_ = sql::Statement();
        conn_.reset();
        lock_.release();
        throw;
    }
}

TableSnapshot::~TableSnapshot() {
    pageStmt_ = sql::Statement();
    if (conn_)
        sqlite3_exec(conn_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    // The connection goes before the file lock: see TableFileLock.
    conn_.reset();
    lock_.release();
}

int TableSnapshot::fieldCount() const {
    return table_.fieldCount();
}

const Field& TableSnapshot::field(int index) const {
    return table_.field(index);
}

const TableSnapshot::Row& TableSnapshot::row(int pos) const {
    if (pageFirst_ >= 0 && pos >= pageFirst_ && pos < pageFirst_ + static_cast<int>(rows_.size()))
        return rows_[static_cast<std::size_t>(pos - pageFirst_)];
    const int first = pos - pos % kSnapshotPageRows;
    const int last = std::min(first + kSnapshotPageRows, rowCount()) - 1;
    std::vector<Row> rows(static_cast<std::size_t>(last - first + 1),
                          Row(static_cast<std::size_t>(fieldCount())));
    pageStmt_.reset();
    pageStmt_.bindInt64(1, ids_[static_cast<std::size_t>(first)]);
    pageStmt_.bindInt64(2, ids_[static_cast<std::size_t>(last)]);
    try {
        // Within one snapshot every key read at the start is still there, in order.
        int j = first;
        while (j <= last && pageStmt_.step()) {
            const qint64 key = pageStmt_.int64(0);
            while (j <= last && ids_[static_cast<std::size_t>(j)] < key)
                ++j;
            if (j <= last && ids_[static_cast<std::size_t>(j)] == key) {
                Row& r = rows[static_cast<std::size_t>(j - first)];
                for (std::size_t i = 0; i < r.size(); ++i)
                    r[i] = pageStmt_.value(static_cast<int>(i) + 1);
                ++j;
            }
        }
    } catch (...) {
        pageStmt_.reset();
        throw;
    }
    pageStmt_.reset();
    rows_ = std::move(rows);
    pageFirst_ = first;
    return rows_[static_cast<std::size_t>(pos - first)];
}

QVariant TableSnapshot::storedValue(int pos, int fieldIndex) const {
    if (pos < 0 || pos >= rowCount())
        return {};
    return row(pos).at(static_cast<std::size_t>(fieldIndex));
}

QString TableSnapshot::displayText(int pos, int fieldIndex) const {
    return field(fieldIndex).textOf(storedValue(pos, fieldIndex));
}

} // namespace px708
