#pragma once
// TableSearch: finds the row of an open table whose text field contains a given text, in the
// table's file, so that a table of a million rows is searched without reading its rows into
// memory. Letters are compared without regard to case.
//
// The search runs in stored order from a position and wraps round the table's end; the row at
// the starting position is looked at last, so a search repeated from a found row finds the
// next one. Rows another program added since the table's last opening or refresh, and the new
// row of an insert, are not searched: only the rows the grid shows.
//
// The search reads the file through a connection of its own, with the file mapped into memory,
// which it keeps between searches of the same file (a search repeated at once then finds the
// file's pages already mapped); release() lets it go. The table's own connection and its lock
// on the file stay as they are.
//
// Failures raise DatabaseError of the table's component.
//
// Thread affinity: main thread, as its Table. The Table must outlive the search.

#include "store/sqlitehandle.h"

#include <QString>

namespace px708 {

class Table;

class TableSearch {
public:
    enum class Direction { Forward, Backward };

    explicit TableSearch(const Table& table);
    ~TableSearch();
    TableSearch(const TableSearch&) = delete;
    TableSearch& operator=(const TableSearch&) = delete;

    // The position of the first row after from (before it, backward), wrapping round, whose
    // field at fieldIndex contains text; from itself comes last. from may be -1 (no current
    // row: the search starts at the first row, or the last one backward). -1 when no row
    // contains the text, or text is empty.
    int find(int fieldIndex, const QString& text, int from, Direction direction);

    // Closes the search's connection (and unmaps the file) until the next search.
    void release();

private:
    const Table& table_;
    QString path_;
    sql::Connection connection_;
};

} // namespace px708
