#include "store/bulkappend.h"

#include "store/storeerror.h"
#include "store/table.h"

namespace px708 {

BulkAppend::BulkAppend(Table& table, AfterAppend after) : table_(&table), after_(after) {
    table.requireOpen();
    table.refuseWhileBusy();
    table.checkBrowseMode();
    table.beginWrite();
    try {
        // One savepoint name serves every row: each is released before the next begins.
        sqlite3* db = table.conn_.get();
        savepoint_ = sql::Statement(table.name_, db, QStringLiteral("SAVEPOINT bulk_row"));
        release_ = sql::Statement(table.name_, db, QStringLiteral("RELEASE bulk_row"));
        rollbackTo_ = sql::Statement(table.name_, db, QStringLiteral("ROLLBACK TO bulk_row"));
    } catch (...) {
        table.rollbackQuietly();
        throw;
    }
    table.bulk_ = this;
    lastPublished_ = std::chrono::steady_clock::now();
}

BulkAppend::~BulkAppend() {
    endQuietly();
}

void BulkAppend::over() const {
    throw DatabaseError(QStringLiteral("BulkAppend"), QStringLiteral("the operation is over"));
}

RowValues BulkAppend::newRow() const {
    if (!table_)
        over();
    return RowValues(*table_);
}

void BulkAppend::setProgress(std::function<void(int)> progress,
                             std::chrono::milliseconds interval) {
    progress_ = std::move(progress);
    interval_ = interval;
}

void BulkAppend::append(const RowValues& row) {
    if (!table_)
        over();
    Table& t = *table_;
    if (&row.table() != &t)
        t.fail(QStringLiteral("the row's values belong to another table"));
    sqlite3* db = t.conn_.get();
    qint64 key = 0;
    try {
        savepoint_.step();
        savepoint_.reset();
        key = t.insertValues(row.storedValues(), row.setMask());
        release_.step();
        release_.reset();
    } catch (...) {
        if (sqlite3_get_autocommit(db) != 0) {
            // The engine gave up the whole transaction: no row of the operation is left.
            giveUp();
            throw;
        }
        // The failing row alone is undone; the rows before it stay in the transaction.
        try {
            rollbackTo_.step();
            rollbackTo_.reset();
            release_.step();
            release_.reset();
        } catch (...) {
            giveUp();
        }
        throw;
    }
    unpublished_.push_back(key);
    lastKey_ = key;
    ++appended_;
    if (std::chrono::steady_clock::now() - lastPublished_ >= interval_) {
        publish();
        if (progress_)
            progress_(appended_);
    }
}

void BulkAppend::publish() {
    lastPublished_ = std::chrono::steady_clock::now();
    if (unpublished_.empty())
        return;
    std::vector<qint64> keys;
    keys.swap(unpublished_);
    // The cursor moves at the end only: the operator's row stays put while the grid grows.
    table_->takeAppendedKeys(keys, AfterAppend::KeepCursor);
}

void BulkAppend::finish() {
    if (!table_)
        return;
    Table& t = *table_;
    savepoint_ = sql::Statement();
    release_ = sql::Statement();
    rollbackTo_ = sql::Statement();
    try {
        t.commitWrite();
    } catch (...) {
        giveUp();
        throw;
    }
    t.bulk_ = nullptr;
    publish();
    table_ = nullptr;
    if (after_ == AfterAppend::MoveToRow && appended_ > 0)
        t.moveToKey(lastKey_);
    if (progress_)
        progress_(appended_);
}

void BulkAppend::giveUp() noexcept {
    if (!table_)
        return;
    Table& t = *table_;
    savepoint_ = sql::Statement();
    release_ = sql::Statement();
    rollbackTo_ = sql::Statement();
    t.rollbackQuietly();
    t.bulk_ = nullptr;
    table_ = nullptr;
    unpublished_.clear();
    appended_ = 0;
    // Rows the views were told of may be gone: show the table as it is.
    t.reloadKeys();
}

void BulkAppend::endQuietly() noexcept {
    try {
        finish();
    } catch (...) {
        // finish() gave the rows up and the views show the table as it is; there is no one
        // left to tell.
    }
}

} // namespace px708
