#pragma once
// The text views (Memo1 to Memo5) as lists of lines, the way the reader link fills them: every
// line added is a line of the view, the empty one included. A plain appendPlainText drops an
// empty line added to an empty view (the document's single empty block stands for "no lines")
// and then writes the next line into that block; appendMemoLine keeps it.
//
// Thread affinity: main thread only, like the views.

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace px708::pages {

// Adds line as the view's new last line.
void appendMemoLine(QPlainTextEdit* memo, const QString& line);

// The number of lines the view holds: 0 for an empty view, 1 for a view holding one empty line.
int memoLineCount(const QPlainTextEdit* memo);

// The view's lines, first to last (empty for an empty view).
QStringList memoLines(const QPlainTextEdit* memo);

} // namespace px708::pages
