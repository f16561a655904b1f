#pragma once
// BulkAppend: many new rows appended to a table as one operation (a download to the database,
// an import, a CSV import).
//
// The operation is one write transaction (BEGIN IMMEDIATE) on the table's connection, with the
// INSERT prepared once and a savepoint around each row: a row the engine refuses is rolled back
// alone and raised as DatabaseError from append(), the rows before it stay in the operation,
// and the caller may stop there or go on. finish() commits: the rows are on disk, durable,
// when it returns. An operation that ends without finish() (an exception passing through the
// caller, the table being closed) commits the rows appended so far all the same, since rows
// before a failing one stay in the table; a failure of that late commit cannot be reported and
// leaves the table as it was before the operation.
//
// The views are told of the new rows once at finish() and, for a long operation, at most once
// per progress interval (the grid then grows while the operation runs), never per row. At the
// end the cursor stands on the last new row, as appending them one by one would leave it,
// unless the operation was made with AfterAppend::KeepCursor.
//
// Starting the operation first writes what the operator typed and has not stored, then posts a
// changed row being edited or inserted and drops an untouched edit, as any move does. While
// the operation runs, the table refuses edit, insert, post, delete, refresh and the other
// writes of its own ("the table is busy with a transfer ..."); reading and moving the cursor
// go on. Another program cannot write the table meanwhile: its writes wait up to its busy time
// and then fail, as with any write of this program.
//
// Use:
//     px708::BulkAppend bulk(tbld);
//     for (...) {
//         px708::RowValues row = bulk.newRow();
//         row.setText(px708::readings::tag, code);   // ConvertError ends the loop here:
//         bulk.append(row);                           // the rows before it stay
//     }
//     bulk.finish();
//
// Thread affinity: that of its Table (main thread). One operation at a time per table; the
// Table must outlive the operation.

#include "store/rowvalues.h"
#include "store/sqlitehandle.h"
#include "store/tablehooks.h"

#include <chrono>
#include <functional>
#include <vector>

namespace px708 {

class Table;

class BulkAppend {
public:
    // How often the views and the progress callback hear of the rows appended so far.
    static constexpr std::chrono::milliseconds kDefaultProgressInterval{250};

    // Begins the operation. Raises DatabaseError when the table is closed, busy with another
    // operation, or cannot be had for writing (another program writing it: "database is
    // locked" after the busy time); ConvertError when the operator's pending text cannot be
    // taken into the row being edited.
    explicit BulkAppend(Table& table, AfterAppend after = AfterAppend::MoveToRow);
    // Commits what was appended, if finish() did not (see above).
    ~BulkAppend();
    BulkAppend(const BulkAppend&) = delete;
    BulkAppend& operator=(const BulkAppend&) = delete;

    // An empty row for this table.
    RowValues newRow() const;

    // Appends one row. Raises DatabaseError when the engine refuses it; the row is then not in
    // the table and the operation goes on. When the engine gave up the whole transaction (the
    // disk full, an I/O error), the error is raised and the operation is over: every row of it
    // is gone, the views show the table as it is, and later calls raise the store's error.
    void append(const RowValues& row);

    // Rows appended so far (rows refused are not counted).
    int appended() const { return appended_; }

    // progress(appended) runs at most once per interval while rows are appended, and once at
    // finish(); the views have been told of those rows when it runs.
    void setProgress(std::function<void(int appended)> progress,
                     std::chrono::milliseconds interval = kDefaultProgressInterval);

    // Commits the rows and tells the views. Raises DatabaseError when the commit fails; every
    // row of the operation is then gone and the views show the table as it is. Does nothing
    // the second time.
    void finish();

    bool active() const { return table_ != nullptr; }

private:
    friend class Table;
    // The table closes or is destroyed: commit quietly and let go of it.
    void endQuietly() noexcept;
    void publish();
    void giveUp() noexcept;
    [[noreturn]] void over() const;

    Table* table_;
    AfterAppend after_;
    sql::Statement savepoint_;
    sql::Statement release_;
    sql::Statement rollbackTo_;
    std::vector<qint64> unpublished_;
    qint64 lastKey_ = 0;
    int appended_ = 0;
    std::function<void(int)> progress_;
    std::chrono::milliseconds interval_ = kDefaultProgressInterval;
    std::chrono::steady_clock::time_point lastPublished_;
};

} // namespace px708
