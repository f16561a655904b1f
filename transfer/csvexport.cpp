#include "transfer/exportoutput.h"

namespace px708::exporting {
namespace {

// A value in double quotes with every double quote in it doubled; nothing for the empty text.
// Separators and line breaks stay inside the quotes as they are.
void appendQuoted(QString& line, const QString& value) {
    if (value.isEmpty())
        return;
    line.append(QLatin1Char('"'));
    if (value.contains(QLatin1Char('"'))) {
        QString doubled = value;
        doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
        line.append(doubled);
    } else {
        line.append(value);
    }
    line.append(QLatin1Char('"'));
}

} // namespace

void writeCsv(ExportOutput& out, const ExportSource& source,
              const std::vector<ExportColumn>& columns, QChar separator,
              const ExportProgressFn& progress) {
    const int columnCount = static_cast<int>(columns.size());
    QString& text = out.text();
    for (int c = 0; c < columnCount; ++c) {
        if (c > 0)
            text.append(separator);
        QString title = columns[static_cast<std::size_t>(c)].title;
        appendQuoted(text, title.replace(QLatin1Char('~'), QLatin1Char(' ')));
    }
    text.append(QLatin1String("\r\n"));
    out.written();

    const int rows = source.rowCount();
    ProgressEvery every(progress, rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columnCount; ++c) {
            if (c > 0)
                text.append(separator);
            appendQuoted(text, source.cellText(r, c));
        }
        text.append(QLatin1String("\r\n"));
        out.written();
        every.rowDone(r + 1);
    }
    every.finished();
}

} // namespace px708::exporting
