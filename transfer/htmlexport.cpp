#include "transfer/exportoutput.h"

namespace px708::exporting {
namespace {

const QLatin1String kCrLf("\r\n");

QString colour(quint32 rgb) {
    return QStringLiteral("%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

// Text as the content of an element or a quoted attribute: a value holding "<script>" shows
// as text.
void appendEscaped(QString& out, QStringView text) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QLatin1String entity;
        switch (text[i].unicode()) {
        case '&':
            entity = QLatin1String("&amp;");
            break;
        case '<':
            entity = QLatin1String("&lt;");
            break;
        case '>':
            entity = QLatin1String("&gt;");
            break;
        case '"':
            entity = QLatin1String("&quot;");
            break;
        default:
            continue;
        }
        out.append(text.sliced(from, i - from));
        out.append(entity);
        from = i + 1;
    }
    out.append(text.sliced(from));
}

QString escaped(QStringView text) {
    QString out;
    appendEscaped(out, text);
    return out;
}

// A cell: escaped, without trailing blanks, every line break (CRLF, or a lone CR or LF) as
// <BR>, and &nbsp; when nothing is left.
void appendCell(QString& out, const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    if (end == 0) {
        out.append(QLatin1String("&nbsp;"));
        return;
    }
    const QStringView value = QStringView(text).left(end);
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        appendEscaped(out, value.sliced(from, i - from));
        out.append(QLatin1String("<BR>"));
        if (c == QLatin1Char('\r') && i + 1 < value.size() && value[i + 1] == QLatin1Char('\n'))
            ++i;
        from = i + 1;
    }
    appendEscaped(out, value.sliced(from));
}

} // namespace

void writeHtml(ExportOutput& out, const ExportSource& source,
               const std::vector<ExportColumn>& columns, const ExportOptions& options,
               const ExportProgressFn& progress) {
    const ExportAppearance& look = options.appearance;
    const QString style = QStringLiteral("STYLE=\"font-family: %1;font-size: %2 pt;color:#%3;\"")
                              .arg(escaped(look.fontName))
                              .arg(look.fontPoints)
                              .arg(colour(look.fontColour));
    const QString titleColour = colour(look.titleColour);
    const int columnCount = static_cast<int>(columns.size());

    QString& text = out.text();
    text += QLatin1String("<HTML>") + kCrLf + QLatin1String("<HEAD>") + kCrLf;
    text += QLatin1String("<META http-equiv=\"Content-Type\" content=\"text/html; "
                          "charset=utf-8\">") +
            kCrLf;
    text +=
        QLatin1String("<TITLE>") + escaped(options.fileName) + QLatin1String("</TITLE>") + kCrLf;
    text += QLatin1String("</HEAD>") + kCrLf + QLatin1String("<BODY>") + kCrLf;
    text += QStringLiteral("<TABLE ALIGN=Center BORDER=\"1\" CELLPADDING=\"1\" CELLSPACING=\"0\" "
                           "dir=\"LTR\" BGCOLOR=#%1>")
                .arg(colour(look.gridColour)) +
            kCrLf;
    text += QLatin1String("<THEAD>") + kCrLf;
    text += QStringLiteral("<TR %1 BGCOLOR=#%2>").arg(style, titleColour) + kCrLf;
    text += QStringLiteral("<TH colspan=\"%1\" scope=\"colgroup\"></TH>").arg(columnCount) + kCrLf;
    text += QLatin1String("</TR>") + kCrLf;
    text += QStringLiteral("<TR %1 ALIGN=left>").arg(style) + kCrLf;
    for (const ExportColumn& column : columns) {
        text += QStringLiteral("<TD ALIGN=\"left\" SCOPE=\"col\" bgcolor=#%1 RowSpan=\"2\">")
                    .arg(titleColour);
        text += escaped(column.title).replace(QLatin1Char('~'), QLatin1String("<BR>"));
        text += QLatin1String("</TD>") + kCrLf;
    }
    text += QLatin1String("</TR>") + kCrLf + QLatin1String("<TR></TR>") + kCrLf;
    text += QLatin1String("</THEAD>") + kCrLf + QLatin1String("<TBODY>") + kCrLf;
    out.written();

    // The cell openings of odd and even rows; even rows carry the alternate shade.
    std::vector<QString> openOdd, openEven;
    for (const ExportColumn& column : columns) {
        const QString width = QString::number(column.widthPixels);
        openOdd.push_back(
            QStringLiteral("<TD NOWRAP ALIGN=\"left\" WIDTH=\"%1\" SCOPE=\"row\">").arg(width));
        openEven.push_back(QStringLiteral("<TD NOWRAP ALIGN=\"left\" BGCOLOR=#FFFFFF "
                                          "WIDTH=\"%1\" SCOPE=\"row\">")
                               .arg(width));
    }
    const QString rowOpen = QStringLiteral("<TR VALIGN=\"TOP\" %1>").arg(style) + kCrLf;
    const int rows = source.rowCount();
    ProgressEvery every(progress, rows);
    for (int r = 0; r < rows; ++r) {
        const std::vector<QString>& open = (r % 2 == 0) ? openOdd : openEven;
        text.append(rowOpen);
        for (int c = 0; c < columnCount; ++c) {
            text.append(open[static_cast<std::size_t>(c)]);
            appendCell(text, source.cellText(r, c));
            text.append(QLatin1String("</TD>\r\n"));
        }
        text.append(QLatin1String("</TR>\r\n"));
        out.written();
        every.rowDone(r + 1);
    }
    // The table is closed inside the body, where it was opened.
    text += QLatin1String("</TBODY>") + kCrLf + QLatin1String("</TABLE>") + kCrLf;
    text += QLatin1String("</BODY>") + kCrLf + QLatin1String("</HTML>") + kCrLf;
    out.written();
    every.finished();
}

} // namespace px708::exporting
