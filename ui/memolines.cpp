#include "ui/memolines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace px708::pages {

namespace {

// The user state of the first block of a document whose only line is an empty one.
constexpr int kHeldEmptyLine = 0x70708;

bool holdsEmptyLine(const QTextDocument* doc) {
    return doc->isEmpty() && doc->firstBlock().userState() == kHeldEmptyLine;
}

} // namespace

void appendMemoLine(QPlainTextEdit* memo, const QString& line) {
    QTextDocument* doc = memo->document();
    const bool wasEmpty = doc->isEmpty();
    const bool heldEmptyLine = holdsEmptyLine(doc);
    memo->appendPlainText(line);
    if (heldEmptyLine) {
        // appendPlainText wrote the line into the block of the held empty line: give that line
        // its own block again, in front.
        QTextCursor start(doc);
        start.insertBlock();
        doc->firstBlock().setUserState(-1);
    } else if (wasEmpty && line.isEmpty()) {
        doc->firstBlock().setUserState(kHeldEmptyLine);
    }
}

int memoLineCount(const QPlainTextEdit* memo) {
    const QTextDocument* doc = memo->document();
    if (doc->isEmpty())
        return holdsEmptyLine(doc) ? 1 : 0;
    return doc->blockCount();
}

QStringList memoLines(const QPlainTextEdit* memo) {
    QStringList lines;
    if (memoLineCount(memo) == 0)
        return lines;
    // Block by block: the document's plain text would turn a no-break space into a blank.
    const QTextDocument* doc = memo->document();
    lines.reserve(doc->blockCount());
    for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

} // namespace px708::pages
