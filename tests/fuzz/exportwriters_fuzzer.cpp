// The HTML and SYLK export writers fed arbitrary titles and cell texts, typed dates, times and
// flags. The HTML must be well formed (every tag one the writer makes, opened and closed in
// order, every "&" an entity) and every cell must read back as its text; the SYLK is read back
// with a small reader of its records, and every cell must come back as its value.
//
// Input: pieces separated by 1Fh: the 11 column titles, then the cells row by row.

#include "transfer/exportoutput.h"
#include "transfer/textencoding.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QHash>
#include <QTime>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

using namespace px708;

constexpr int kColumns = 11;
constexpr int kMaxRows = 3;
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

// What a writer wrote, for this input. One device and one output per format serve every
// input, as writeExport would make them: the output's large buffers are made once, which keeps
// the sanitizer's allocator from mapping and unmapping them for every input.
const QByteArray& write(const PiecesSource& source, const std::vector<ExportColumn>& columns,
                        ExportFormat format) {
    struct Device {
        QBuffer buffer;
        exporting::ExportOutput out;
        explicit Device(TextEncoding encoding) : out(buffer, encoding) {
            buffer.open(QIODevice::WriteOnly);
        }
    };
    static Device html(TextEncoding::Utf8);
    static Device sylk(TextEncoding::Windows1252);
    Device& device = format == ExportFormat::Html ? html : sylk;
    device.buffer.buffer().resize(0);
    device.buffer.seek(0);
    ExportOptions options;
    options.format = format;
    options.fileName = QStringLiteral("/tmp/a<b>&\"c\".htm");
    if (format == ExportFormat::Html)
        exporting::writeHtml(device.out, source, columns, options, {});
    else
        exporting::writeSylk(device.out, source, columns, options.appearance, {});
    device.out.flush();
    return device.buffer.data();
}

// ---- HTML ----

constexpr QLatin1String kPaired[] = {
    QLatin1String("HTML"),  QLatin1String("HEAD"),  QLatin1String("TITLE"), QLatin1String("BODY"),
    QLatin1String("TABLE"), QLatin1String("THEAD"), QLatin1String("TBODY"), QLatin1String("TR"),
    QLatin1String("TH"),    QLatin1String("TD")};

int pairedTag(QStringView name) {
    for (int i = 0; i < int(std::size(kPaired)); ++i)
        if (name == kPaired[i])
            return i;
    return -1;
}
constexpr int kTd = 9;

// What a cell shows: its text without trailing blanks, each line break one "\n", nothing at
// all as a no-break space; as UTF-8 turns it (a lone surrogate becomes a replacement).
void shownText(const QString& text, QString& out) {
    out = QString::fromUtf8(text.toUtf8());
    qsizetype end = out.size();
    while (end > 0 && out[end - 1].isSpace())
        --end;
    out.truncate(end);
    if (out.isEmpty()) {
        out = QChar(0xA0);
        return;
    }
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// Reads the document: checks its tags and entities, and hands the text of every TD, in the
// order met (titles first, then the cells row by row), to cell().
template <class CellFn> void readHtml(QStringView html, CellFn cell) {
    int stack[16];
    int depth = 0;
    static QString current;
    bool inTd = false;
    qsizetype i = 0;
    while (i < html.size()) {
        const QChar ch = html[i];
        if (ch == QLatin1Char('<')) {
            const qsizetype close = html.indexOf(QLatin1Char('>'), i);
            check(close > i, "a tag is not closed");
            const QStringView tag = html.sliced(i + 1, close - i - 1);
            check(!tag.contains(QLatin1Char('<')), "a '<' inside a tag");
            check(tag.count(QLatin1Char('"')) % 2 == 0, "a quote left open in a tag");
            const bool closing = tag.startsWith(QLatin1Char('/'));
            QStringView name = tag.sliced(closing ? 1 : 0);
            if (const qsizetype blank = name.indexOf(QLatin1Char(' ')); blank >= 0)
                name = name.left(blank);
            if (name == QLatin1String("BR") || name == QLatin1String("META")) {
                check(!closing, "a closing void tag");
                if (inTd && name == QLatin1String("BR"))
                    current += QLatin1Char('\n');
            } else {
                const int which = pairedTag(name);
                check(which >= 0, "a tag the writer does not make");
                if (closing) {
                    check(depth > 0 && stack[depth - 1] == which, "tags closed out of order");
                    --depth;
                    if (which == kTd) {
                        cell(current);
                        inTd = false;
                    }
                } else {
                    check(!inTd, "a tag opened inside a cell");
                    check(depth < 16, "tags nested too deep");
                    stack[depth++] = which;
                    if (which == kTd) {
                        inTd = true;
                        current.resize(0);
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
                if (html.sliced(i).startsWith(entity)) {
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
    check(depth == 0, "tags left open at the end");
}

void checkHtml(const PiecesSource& source, const std::vector<ExportColumn>& columns,
               const std::vector<QString>& titles) {
    static QString html;
    html = QString::fromUtf8(write(source, columns, ExportFormat::Html));
    static QString expected;
    std::size_t at = 0;
    const std::size_t total = std::size_t(kColumns) * (source.cells.size() + 1);
    readHtml(html, [&](const QString& text) {
        check(at < total, "a cell too many");
        if (at < std::size_t(kColumns)) {
            expected = QString::fromUtf8(titles[at].toUtf8());
            expected.replace(QLatin1Char('~'), QLatin1Char('\n'));
            check(text == expected, "a title does not read back");
        } else {
            const std::size_t cell = at - kColumns;
            shownText(source.cells[cell / kColumns][cell % kColumns], expected);
            check(text == expected, "a cell does not read back");
        }
        ++at;
    });
    check(at == total, "a cell is missing");
}

// ---- SYLK ----

// The records of the file, each without its CRLF; the last, "E", has none.
template <class RecordFn> void forEachRecord(QByteArrayView bytes, RecordFn record) {
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', from);
        if (nl < 0) {
            record(bytes.sliced(from), false);
            return;
        }
        check(nl > from && bytes[nl - 1] == '\r', "a record not ended by CRLF");
        record(bytes.sliced(from, nl - 1 - from), true);
        from = nl + 1;
    }
}

// A number field of an F record (Y or X), or 0.
int coordinate(QByteArrayView record, char which) {
    qsizetype from = 0;
    while (from < record.size()) {
        qsizetype semi = record.indexOf(';', from);
        if (semi < 0)
            semi = record.size();
        const QByteArrayView field = record.sliced(from, semi - from);
        if (field.size() > 1 && field[0] == which)
            return field.sliced(1).toInt();
        from = semi + 1;
    }
    return 0;
}

void expectedText(const QString& text, QByteArray& out) {
    static QString t;
    t = text.left(255);
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    out.resize(0);
    out += '"';
    appendWindows1252(out, t);
    out += '"';
}

void checkSylk(const PiecesSource& source, const std::vector<ExportColumn>& columns,
               const std::vector<QString>& titles) {
    const QByteArray& bytes = write(source, columns, ExportFormat::Sylk);
    const int rows = static_cast<int>(source.cells.size());
    // The value record of each cell, read back with its ";;" as ";".
    static std::vector<QByteArray> values;
    static std::vector<bool> seen;
    values.resize(std::size_t(kColumns) * (rows + 1));
    seen.assign(values.size(), false);
    int y = 0, x = 0;
    bool blankSeen = false;
    bool ended = false;
    forEachRecord(bytes, [&](QByteArrayView record, bool withCrLf) {
        check(!ended, "a record after E");
        if (!withCrLf) {
            check(record == "E", "the last record is not E");
            ended = true;
            return;
        }
        check(!record.contains('\r'), "a line break inside a record");
        if (record.isEmpty()) {
            check(!blankSeen, "two empty records");
            blankSeen = true;
            return;
        }
        if (record.startsWith("ID;") || record.startsWith("P;") || record.startsWith("B;"))
            return;
        if (record.startsWith("F;")) {
            y = coordinate(record, 'Y');
            x = coordinate(record, 'X');
            return;
        }
        check(record.startsWith("C;K"), "a record of an unknown type");
        check(y >= 1 && y <= rows + 1 && x >= 1 && x <= kColumns, "a value outside the sheet");
        const std::size_t at = std::size_t(y - 1) * kColumns + (x - 1);
        check(!seen[at], "a cell written twice");
        seen[at] = true;
        // A value runs to the end of its record; ";;" in it stands for ";".
        QByteArray& value = values[at];
        value = record.sliced(3).toByteArray();
        value.replace(";;", ";");
        const QByteArrayView raw = record.sliced(3);
        for (qsizetype k = 0; k < raw.size(); ++k) {
            if (raw[k] == ';') {
                check(k + 1 < raw.size() && raw[k + 1] == ';', "a lone ';' ends a value early");
                ++k;
            }
        }
    });
    check(ended, "no E at the end");
    check(blankSeen, "no empty record after the titles");
    static QByteArray expected;
    for (int c = 0; c < kColumns; ++c) {
        expectedText(titles[c].section(QLatin1Char('~'), 0, 0), expected);
        const bool titled = expected.size() > 2;
        check(seen[c] == titled, "a title record missing or extra");
        if (titled)
            check(values[c] == expected, "a title does not read back");
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const std::size_t at = std::size_t(r + 1) * kColumns + c;
            const QByteArray& value = values[at];
            check(seen[at], "a cell without a value record");
            const QVariant v = source.value(r, c);
            if (v.isNull()) {
                check(value == "\"\"", "an empty cell not written empty");
            } else if (c == kDateColumn) {
                check(value == QByteArray::number(QDate(1899, 12, 30).daysTo(v.toDate())),
                      "a date does not read back");
            } else if (c == kTimeColumn) {
                bool ok = false;
                const double fraction = value.toDouble(&ok);
                const double want = v.toTime().msecsSinceStartOfDay() / 86400000.0;
                check(ok && !value.contains('e') && !value.contains('E'),
                      "a time is not a plain number");
                check(std::fabs(fraction - want) <= 1e-14, "a time does not read back");
            } else if (c == kFlagColumn) {
                check(value == (v.toBool() ? "\"TRUE\"" : "\"FALSE\""),
                      "a flag does not read back");
            } else {
                expectedText(v.toString(), expected);
                check(value == expected, "a text does not read back");
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
