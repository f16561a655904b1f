#pragma once
// The six readings tables and the choice of the current one (the table tbld has open), with
// the Data page's table operations that need no window: selecting a table, emptying it,
// clearing every flag.
//
// Thread affinity: main thread (as Table).

#include <QString>

#include <optional>

namespace px708 {

class Table;

// "<n>data.db" for table n (1 to 6).
QString readingsTableFileName(int n);
// The number a readings table file name stands for, 0 when it names none of the six.
int readingsTableNumber(const QString& fileName);

struct PanelColour {
    int red;
    int green;
    int blue;
};
// The record panel's colour that tells which table is current; none for table 1 (the standard
// button face) and for numbers outside 1 to 6.
std::optional<PanelColour> readingsPanelColour(int n);

// Closes tbld, names table n and opens it for shared use; the grid then shows its first row.
// Raises DatabaseError when it cannot be opened, leaving tbld closed.
void selectReadingsTable(Table& tbld, int n);

enum class EmptyTableResult { Emptied, NotExclusive };

// The two lines the operator is shown when the table cannot be had for exclusive use (joined
// by a line feed, which is what breaks the line in a message box here).
inline constexpr const char* kNotExclusiveText =
    "Cannot get exclusive use of table\nShut down other programs that use this table.";

// Closes tbld, opens it for exclusive use, removes every row, and opens it again for shared
// use. When the exclusive open fails for any reason, nothing is removed, the table is opened
// again for shared use and NotExclusive is returned. Raises DatabaseError when the shared
// reopening fails (tbld stays closed) or the removal fails (tbld is opened again for shared
// use first, so it is never left held exclusively).
EmptyTableResult emptyReadingsTable(Table& tbld);

// Sets Flagged to false in every row, in one transaction (all rows or, on failure, none),
// leaving the cursor on the last row. An empty table is left as it is.
void cancelAllFlags(Table& tbld);

} // namespace px708
