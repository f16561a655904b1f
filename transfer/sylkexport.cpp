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
QString sylkText(const QString& value) {
    QString text = value.left(kMaxText);
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1String(";"), QLatin1String(";;"));
    return text;
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

QString valueRecord(const QVariant& value) {
    if (value.isNull())
        return QStringLiteral("C;K\"\"");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("C;K\"TRUE\"") : QStringLiteral("C;K\"FALSE\"");
    case QMetaType::QDate:
        return QStringLiteral("C;K%1").arg(serialDate(value.toDate()));
    case QMetaType::QTime:
        return QStringLiteral("C;K") + sylkNumber(dayFraction(value.toTime()));
    default:
        return QStringLiteral("C;K\"") + sylkText(value.toString()) + QLatin1Char('"');
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
    text += QStringLiteral("P;F%1;M%2").arg(appearance.fontName).arg(appearance.fontPoints * 20) +
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

    std::vector<QString> formatRecords;
    for (std::size_t c = 0; c < columns.size(); ++c)
        formatRecords.push_back(formatOf[c]
                                    ? QStringLiteral("F;P%1;SLTRBM0;FG0L;Y").arg(formatOf[c])
                                    : QStringLiteral("F;SLTRBM0;FG0L;Y"));
    ProgressEvery every(progress, rows);
    for (int r = 0; r < rows; ++r) {
        const QString y = QString::number(r + 2);
        for (int c = 0; c < columnCount; ++c) {
            text += formatRecords[static_cast<std::size_t>(c)] + y + QLatin1String(";X") +
                    QString::number(c + 1) + kCrLf;
            text += valueRecord(source.value(r, c)) + kCrLf;
        }
        out.written();
        every.rowDone(r + 1);
    }
    text += QLatin1Char('E');
    every.finished();
}

} // namespace px708::exporting
