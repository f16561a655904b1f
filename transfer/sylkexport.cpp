#include "transfer/exportoutput.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace px708::exporting {
namespace {

const QLatin1String kCrLf("\r\n");
constexpr qsizetype kMaxText = 255;

// A text value: cut to its first 255 characters, every line break (CRLF, or a lone CR or LF)
// a blank, every ";" doubled. The text is cut before the doubling, so a doubled ";" is never
// split into a lone one that would end the record early.
void appendSylkText(QString& out, QStringView value) {
    value = value.left(kMaxText);
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        if (c != u';' && c != u'\r' && c != u'\n')
            continue;
        out.append(value.sliced(from, i - from));
        if (c == u';') {
            out.append(QLatin1String(";;"));
        } else {
            out.append(QLatin1Char(' '));
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
        }
        from = i + 1;
    }
    out.append(value.sliced(from));
}

QString sylkText(QStringView value) {
    QString out;
    appendSylkText(out, value);
    return out;
}

// A number with up to 15 significant digits and "." as the decimal point, without an exponent
// (0.604224537037037, 0.5, 0.0000115740740740741).
QString sylkNumber(double v) {
    if (v == 0.0)
        return QStringLiteral("0");
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    QString s = QString::number(v, 'f', std::max(0, 14 - magnitude));
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}

// The spreadsheet's serial date: days since 30 December 1899.
qint64 serialDate(QDate date) {
    return QDate(1899, 12, 30).daysTo(date);
}

double dayFraction(QTime time) {
    return time.msecsSinceStartOfDay() / 86400000.0;
}

// appendSylkText straight into Windows-1252 bytes.
void appendSylkBytes(QByteArray& out, QStringView value) {
    value = value.left(kMaxText);
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        if (c != u';' && c != u'\r' && c != u'\n')
            continue;
        appendWindows1252(out, value.sliced(from, i - from));
        if (c == u';') {
            out.append(";;", 2);
        } else {
            out.append(' ');
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
        }
        from = i + 1;
    }
    appendWindows1252(out, value.sliced(from));
}

void appendValueRecord(QByteArray& out, const QVariant& value) {
    out.append("C;K", 3);
    if (value.isNull()) {
        out.append("\"\"", 2);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        out.append(value.toBool() ? QByteArrayView("\"TRUE\"") : QByteArrayView("\"FALSE\""));
        return;
    case QMetaType::QDate:
        out.append(QByteArray::number(serialDate(value.toDate())));
        return;
    case QMetaType::QTime:
        out.append(sylkNumber(dayFraction(value.toTime())).toLatin1());
        return;
    default:
        out.append('"');
        appendSylkBytes(out, value.toString());
        out.append('"');
        return;
    }
}

} // namespace

void writeSylk(ExportOutput& out, const ExportSource& source,
               const std::vector<ExportColumn>& columns, const ExportAppearance& appearance,
               const ExportProgressFn& progress) {
    const int columnCount = static_cast<int>(columns.size());
    const int rows = source.rowCount();
    QString& text = out.text();
    text += QLatin1String("ID;PW2W 3000;N;E") + kCrLf;

    // Format 0 is General; every date or time column adds a format of its own, numbered on.
    text += QLatin1String("P;PGeneral") + kCrLf;
    std::vector<int> formatOf(columns.size(), 0);
    int formats = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].kind == FieldKind::Date) {
            text += QLatin1String("P;Pm/d/yyyy") + kCrLf;
            formatOf[c] = ++formats;
        } else if (columns[c].kind == FieldKind::Time) {
            text += QLatin1String("P;Ph:mm\\ AM/PM") + kCrLf;
            formatOf[c] = ++formats;
        }
    }
    // The grid font and the title font are the same.
    text += QStringLiteral("P;F%1;M%2")
                .arg(sylkText(appearance.fontName))
                .arg(appearance.fontPoints * 20) +
            kCrLf;
    text += QStringLiteral("B;Y%1;X%2").arg(rows + 1).arg(columnCount) + kCrLf;
    text += QLatin1String("F;G;M255") + kCrLf;
    for (int c = 1; c <= columnCount; ++c)
        text += QStringLiteral("F;W%1 %1 %2")
                    .arg(c)
                    .arg(columns[static_cast<std::size_t>(c - 1)].widthChars) +
                kCrLf;
    for (int c = 1; c <= columnCount; ++c) {
        text += QStringLiteral("F;SLRTBM0;FG0L;Y1;X%1").arg(c) + kCrLf;
        // A title with "~" gives its first part only.
        const QString title = sylkText(
            columns[static_cast<std::size_t>(c - 1)].title.section(QLatin1Char('~'), 0, 0));
        if (!title.isEmpty())
            text += QLatin1String("C;K\"") + title + QLatin1Char('"') + kCrLf;
    }
    text += kCrLf;
    out.written();

    // Each cell's format record is its column's start, the row, and its column's end.
    std::vector<QByteArray> formatStart, formatEnd;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        formatStart.push_back(formatOf[c]
                                  ? "F;P" + QByteArray::number(formatOf[c]) + ";SLTRBM0;FG0L;Y"
                                  : QByteArray("F;SLTRBM0;FG0L;Y"));
        formatEnd.push_back(";X" + QByteArray::number(static_cast<int>(c) + 1) + "\r\n");
    }
    QByteArray& bytes = out.bytes();
    ProgressEvery every(progress, rows);
    for (int r = 0; r < rows; ++r) {
        const QByteArray y = QByteArray::number(r + 2);
        for (int c = 0; c < columnCount; ++c) {
            const auto at = static_cast<std::size_t>(c);
            bytes.append(formatStart[at]);
            bytes.append(y);
            bytes.append(formatEnd[at]);
            appendValueRecord(bytes, source.value(r, c));
            bytes.append("\r\n", 2);
        }
        out.written();
        every.rowDone(r + 1);
    }
    bytes.append('E');
    every.finished();
}

} // namespace px708::exporting
