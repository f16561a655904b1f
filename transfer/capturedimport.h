#pragma once
// "Import into Database" of the page "On-Line Settings (3)": the transponder codes collected in
// the on-line readings view (Memo3) or the download store view (Memo4) become rows of the
// current readings table, stamped with the PC's date and time.
//
// A line qualifies when it is exactly 10 characters long (blanks included); every other line
// (the "Download completed" line, empty lines) is skipped. The view is not changed, so a second
// import stores the same codes again. The rows go in as one bulk operation (one transaction, a
// savepoint per row, the views told once): on disk together when the import returns. A row
// that cannot be stored ends the import with the store's error; the rows before it stay.
//
// Thread affinity: main thread only (the table's).

#include <QDateTime>
#include <QStringList>

#include <functional>

namespace px708 {

class Table;

inline constexpr qsizetype kCapturedReadingLength = 10;

// Stores the qualifying lines of a view in the order they stand; now is read once per row.
// Returns the number of rows stored.
int importCapturedReadings(Table& readings, const QStringList& lines,
                           const std::function<QDateTime()>& now = &QDateTime::currentDateTime);

} // namespace px708
