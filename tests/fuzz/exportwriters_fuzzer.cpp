// The HTML and SYLK export writers fed arbitrary titles and cell texts, typed dates, times and
// flags. The HTML must be well formed (every tag one the writer makes, opened and closed in
// order, every "&" an entity) and every cell must read back as its text; the SYLK is read back
// with a small reader of its records, and every cell must come back as its value.
//
// Input: pieces separated by 1Fh: the 11 column titles, then the cells row by row.

#include "transfer/exportoutput.h"
#include "transfer/tableexport.h"
#include "transfer/textencoding.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QHash>
#include <QTime>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

using namespace px708;

constexpr int kColumns = 11;
constexpr int kMaxRows = 40;
constexpr int kDateColumn = 8;
constexpr int kTimeColumn = 9;
constexpr int kFlagColumn = 4;

[[noreturn]] void finding(const char* what) {
    fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition)
        finding(what);
}

class PiecesSource : public ExportSource {
public:
    std::vector<std::vector<QString>> cells;
    int rowCount() const override { return static_cast<int>(cells.size()); }
    QString cellText(int row, int column) const override { return cells[row][column]; }
    QVariant value(int row, int column) const override {
        const QString& text = cells[row][column];
        if (text.isEmpty())
            return {};
        const std::size_t h = qHash(text);
        switch (column) {
        case kDateColumn:
            return QDate(1899, 12, 30).addDays(static_cast<qint64>(h % 400000) - 100000);
        case kTimeColumn:
            return QTime::fromMSecsSinceStartOfDay(static_cast<int>(h % 86400000));
        case kFlagColumn:
            return (h & 1) != 0;
        default:
            return text;
        }
    }
};

std::vector<ExportColumn> columnsOf(const std::vector<QString>& titles) {
    std::vector<ExportColumn> columns(kColumns);
    for (int c = 0; c < kColumns; ++c) {
        columns[c].title = titles[c];
        columns[c].kind = c == kDateColumn   ? FieldKind::Date
                          : c == kTimeColumn ? FieldKind::Time
                          : c == kFlagColumn ? FieldKind::Boolean
                                             : FieldKind::String;
        columns[c].widthChars = 3 + c;
        columns[c].widthPixels = 30 + c;
    }
    return columns;
}

QByteArray write(const PiecesSource& source, const std::vector<ExportColumn>& columns,
                 ExportFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ExportOptions options;
    options.format = format;
    options.fileName = QStringLiteral("/tmp/a<b>&\"c\".htm");
    writeExport(buffer, source, columns, options);
    return bytes;
}

// ---- HTML ----

const std::set<QString> kPaired{"HTML",  "HEAD",  "TITLE", "BODY", "TABLE",
                                "THEAD", "TBODY", "TR",    "TH",   "TD"};
const std::set<QString> kVoid{"BR", "META"};

// What a cell shows: its text without trailing blanks, each line break one "\n", nothing at
// all as a no-break space.
QString shownText(const QString& text) {
    QString t = QString::fromUtf8(text.toUtf8()); // what survives UTF-8
    qsizetype end = t.size();
    while (end > 0 && t[end - 1].isSpace())
        --end;
    t.truncate(end);
    if (t.isEmpty())
        return QString(QChar(0xA0));
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

// Reads the document: checks its tags and entities, and collects the text of every TD in the
// order met (titles first, then the cells row by row).
std::vector<QString> readHtml(const QString& html) {
    std::vector<QString> stack;
    std::vector<QString> tdTexts;
    QString current;
    bool inTd = false;
    qsizetype i = 0;
    while (i < html.size()) {
        const QChar ch = html[i];
        if (ch == QLatin1Char('<')) {
            const qsizetype close = html.indexOf(QLatin1Char('>'), i);
            check(close > i, "a tag is not closed");
            const QString tag = html.mid(i + 1, close - i - 1);
            check(!tag.contains(QLatin1Char('<')), "a '<' inside a tag");
            check(tag.count(QLatin1Char('"')) % 2 == 0, "a quote left open in a tag");
            const bool closing = tag.startsWith(QLatin1Char('/'));
            const QString name = tag.mid(closing ? 1 : 0).section(QLatin1Char(' '), 0, 0);
            if (kVoid.count(name)) {
                check(!closing, "a closing void tag");
                if (inTd && name == QLatin1String("BR"))
                    current += QLatin1Char('\n');
            } else {
                check(kPaired.count(name) == 1, "a tag the writer does not make");
                if (closing) {
                    check(!stack.empty() && stack.back() == name, "tags closed out of order");
                    stack.pop_back();
                    if (name == QLatin1String("TD")) {
                        tdTexts.push_back(current);
                        inTd = false;
                    }
                } else {
                    check(!inTd, "a tag opened inside a cell");
                    stack.push_back(name);
                    if (name == QLatin1String("TD")) {
                        inTd = true;
                        current.clear();
                    }
                }
            }
            i = close + 1;
            continue;
        }
        check(ch != QLatin1Char('>'), "a '>' outside a tag");
        if (ch == QLatin1Char('&')) {
            static const std::pair<QLatin1String, QChar> kEntities[] = {
                {QLatin1String("&amp;"), QLatin1Char('&')},
                {QLatin1String("&lt;"), QLatin1Char('<')},
                {QLatin1String("&gt;"), QLatin1Char('>')},
                {QLatin1String("&quot;"), QLatin1Char('"')},
                {QLatin1String("&nbsp;"), QChar(0xA0)}};
            bool known = false;
            for (const auto& [entity, meaning] : kEntities) {
                if (QStringView(html).sliced(i).startsWith(entity)) {
                    if (inTd)
                        current += meaning;
                    i += entity.size();
                    known = true;
                    break;
                }
            }
            check(known, "an '&' that is no entity");
            continue;
        }
        if (inTd)
            current += ch;
        ++i;
    }
    check(stack.empty(), "tags left open at the end");
    return tdTexts;
}

void checkHtml(const PiecesSource& source, const std::vector<ExportColumn>& columns,
               const std::vector<QString>& titles) {
    const QByteArray bytes = write(source, columns, ExportFormat::Html);
    const std::vector<QString> tds = readHtml(QString::fromUtf8(bytes));
    check(tds.size() == std::size_t(kColumns) * (source.cells.size() + 1), "a cell is missing");
    std::size_t at = 0;
    for (int c = 0; c < kColumns; ++c) {
        QString title = QString::fromUtf8(titles[c].toUtf8());
        title.replace(QLatin1Char('~'), QLatin1Char('\n'));
        check(tds[at++] == title, "a title does not read back");
    }
    for (const auto& row : source.cells)
        for (const QString& cell : row)
            check(tds[at++] == shownText(cell), "a cell does not read back");
}

// ---- SYLK ----

struct SylkCell {
    int y = 0;
    int x = 0;
    QByteArray value; // after K, its ";;" read as ";"
    bool seen = false;
};

// The fields of a record: ";" separates, ";;" stands for ";" inside a value.
std::vector<QByteArray> fieldsOf(const QByteArray& record) {
    std::vector<QByteArray> fields(1);
    for (qsizetype i = 0; i < record.size(); ++i) {
        if (record[i] == ';') {
            if (i + 1 < record.size() && record[i + 1] == ';') {
                fields.back() += ';';
                ++i;
            } else {
                fields.emplace_back();
            }
        } else {
            fields.back() += record[i];
        }
    }
    return fields;
}

QByteArray expectedText(const QString& text) {
    QString t = text.left(255);
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return toWindows1252(t);
}

void checkSylk(const PiecesSource& source, const std::vector<ExportColumn>& columns,
               const std::vector<QString>& titles) {
    const QByteArray bytes = write(source, columns, ExportFormat::Sylk);
    check(bytes.endsWith("\r\nE"), "the last record is not E");
    const QList<QByteArray> records = bytes.left(bytes.size() - 1).split('\n');
    std::vector<std::vector<SylkCell>> grid(source.cells.size() + 1,
                                            std::vector<SylkCell>(kColumns));
    int y = 0, x = 0;
    bool blankSeen = false;
    for (qsizetype r = 0; r + 1 < records.size(); ++r) {
        QByteArray record = records[r];
        check(record.endsWith('\r'), "a record not ended by CRLF");
        record.chop(1);
        check(!record.contains('\r'), "a line break inside a record");
        if (record.isEmpty()) {
            check(!blankSeen, "two empty records");
            blankSeen = true;
            continue;
        }
        const std::vector<QByteArray> fields = fieldsOf(record);
        const QByteArray& type = fields[0];
        if (type == "ID" || type == "P" || type == "B")
            continue;
        if (type == "F") {
            for (const QByteArray& f : fields) {
                if (f.startsWith('Y'))
                    y = f.mid(1).toInt();
                else if (f.startsWith('X'))
                    x = f.mid(1).toInt();
            }
            continue;
        }
        check(type == "C", "a record of an unknown type");
        check(fields.size() >= 2 && fields.back().startsWith('K'), "a value record without K");
        // A text value runs from its opening quote to the quote that ends the record.
        QByteArray value = record.mid(record.indexOf(";K") + 2);
        check(y >= 1 && y <= int(grid.size()) && x >= 1 && x <= kColumns,
              "a value outside the sheet");
        SylkCell& cell = grid[y - 1][x - 1];
        check(!cell.seen, "a cell written twice");
        cell.seen = true;
        value.replace(";;", ";");
        cell.value = value;
    }
    check(blankSeen, "no empty record after the titles");
    for (int c = 0; c < kColumns; ++c) {
        const QByteArray title = expectedText(titles[c].section(QLatin1Char('~'), 0, 0));
        const SylkCell& cell = grid[0][c];
        check(cell.seen == !title.isEmpty(), "a title record missing or extra");
        if (cell.seen)
            check(cell.value == '"' + title + '"', "a title does not read back");
    }
    for (std::size_t r = 0; r < source.cells.size(); ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const SylkCell& cell = grid[r + 1][c];
            check(cell.seen, "a cell without a value record");
            const QVariant v = source.value(static_cast<int>(r), c);
            if (v.isNull()) {
                check(cell.value == "\"\"", "an empty cell not written empty");
            } else if (c == kDateColumn) {
                check(cell.value.toLongLong() == QDate(1899, 12, 30).daysTo(v.toDate()) &&
                          QByteArray::number(cell.value.toLongLong()) == cell.value,
                      "a date does not read back");
            } else if (c == kTimeColumn) {
                bool ok = false;
                const double fraction = cell.value.toDouble(&ok);
                const double want = v.toTime().msecsSinceStartOfDay() / 86400000.0;
                check(ok && !cell.value.contains('e') && !cell.value.contains('E'),
                      "a time is not a plain number");
                check(std::fabs(fraction - want) <= 1e-14, "a time does not read back");
            } else if (c == kFlagColumn) {
                check(cell.value == (v.toBool() ? "\"TRUE\"" : "\"FALSE\""),
                      "a flag does not read back");
            } else {
                check(cell.value == '"' + expectedText(v.toString()) + '"',
                      "a text does not read back");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<QByteArray> pieces =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .split('\x1f');
    std::vector<QString> titles(kColumns);
    PiecesSource source;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString text = QString::fromUtf8(pieces[i]);
        if (i < kColumns) {
            titles[i] = text;
            continue;
        }
        const qsizetype cell = i - kColumns;
        if (cell / kColumns >= kMaxRows)
            break;
        if (cell % kColumns == 0)
            source.cells.emplace_back(kColumns);
        source.cells.back()[cell % kColumns] = text;
    }
    const std::vector<ExportColumn> columns = columnsOf(titles);
    checkHtml(source, columns, titles);
    checkSylk(source, columns, titles);
    return 0;
}
