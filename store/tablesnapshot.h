#pragma once
// TableSnapshot: the rows of a table as they are stored at one moment, read by position, for
// the exporters.
//
// The snapshot has a connection of its own to the table's file and holds one read transaction
// for its whole life, so it sees every row committed before it was made and nothing written
// after (by this program or another): rows appended, changed or deleted meanwhile do not show.
// A row being edited or inserted through the table shows as stored. To take in the operator's
// pending change first, call Table::checkBrowseMode() before making the snapshot.
//
// Reading never moves the table's cursor and wakes none of its views, and the table may go on
// writing (single posts, a bulk operation) while the snapshot is read. Positions are 0-based,
// in stored order; the cell texts are the grid's (Field::textOf: dates in the short date
// pattern, times "HH:mm:ss", booleans "True"/"False", null as the empty text).
//
// Failures raise DatabaseError of the table's component (the file gone, a disk error).
//
// Thread affinity: main thread, as its Table. The Table must outlive the snapshot (its fields
// give the texts); the snapshot may outlive the table's opening.

#include "store/filelock.h"
#include "store/sqlitehandle.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace px708 {

class Field;
class Table;

class TableSnapshot {
public:
    // Raises DatabaseError when the table is closed or its file cannot be read.
    explicit TableSnapshot(const Table& table);
    ~TableSnapshot();
    TableSnapshot(const TableSnapshot&) = delete;
    TableSnapshot& operator=(const TableSnapshot&) = delete;

    int rowCount() const { return static_cast<int>(ids_.size()); }
    int fieldCount() const;
    const Field& field(int index) const;

    // The stored value (null, integer or text) of a field in the row at pos; null outside the
    // rows.
    QVariant storedValue(int pos, int field) const;
    // The text the grid shows for it.
    QString displayText(int pos, int field) const;

private:
    using Row = std::vector<QVariant>;
    const Row& row(int pos) const;

    const Table& table_;
    QString component_;
    TableFileLock lock_;
    sql::Connection conn_;
    mutable sql::Statement pageStmt_;
    std::vector<qint64> ids_;
    mutable int pageFirst_ = -1; // position of rows_[0]
    mutable std::vector<Row> rows_;
};

} // namespace px708
