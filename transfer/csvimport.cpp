#include "transfer/csvimport.h"

#include "store/bulkappend.h"
#include "store/rowvalues.h"
#include "store/schemas.h"
#include "store/storeerror.h"

#include <QFile>

namespace px708 {
namespace {

constexpr int kColumns = 10;
constexpr qsizetype kTagPadding = 10;

// The order in which a line's values are given to their fields: the first value a field
// cannot take is the one reported.
constexpr std::array<int, 11> kAssignOrder{readings::tag,   readings::Type,    readings::C_Code,
                                           readings::Lot,   readings::Flagged, readings::Alpha,
                                           readings::Bravo, readings::Charly,  readings::Date_,
                                           readings::Time_, readings::Comment};

class BulkSink : public CsvImportSink {
public:
    explicit BulkSink(BulkAppend& bulk) : bulk_(bulk), row_(bulk.newRow()) {}
    void append(const CsvLineValues& values) override {
        row_.clear();
        for (const int field : kAssignOrder)
            row_.setText(field, values[static_cast<std::size_t>(field)]);
        bulk_.append(row_);
    }

private:
    BulkAppend& bulk_;
    RowValues row_;
};

QString rowsBefore(int rows) {
    if (rows == 0)
        return QStringLiteral("No row was imported.");
    if (rows == 1)
        return QStringLiteral("The row before it was imported and stays in the table.");
    return QStringLiteral("The %L1 rows before it were imported and stay in the table.").arg(rows);
}

} // namespace

std::optional<QChar> csvSeparatorOfItem(int item) {
    switch (item) {
    case 0:
        return QLatin1Char(';');
    case 1:
        return QLatin1Char(':');
    case 2:
        return QLatin1Char(',');
    case 3:
        return QLatin1Char('\t');
    default:
        return std::nullopt;
    }
}

std::optional<CsvLineValues> splitCsvImportLine(QString line, QChar separator) {
    line.remove(QLatin1Char('"'));
    CsvLineValues values;
    std::array<bool, kColumns> present{};
    QStringView rest(line);
    for (int c = 0; c < kColumns; ++c) {
        const qsizetype at = rest.indexOf(separator);
        if (at < 0)
            continue; // this and every later column stay empty; the rest stays whole
        values[c] = rest.left(at).toString();
        present[c] = true;
        rest = rest.sliced(at + 1);
    }
    QString& tag = values[readings::tag];
    if (present[readings::tag] && tag.size() < kTagPadding)
        tag.prepend(QString(kTagPadding - tag.size(), QLatin1Char('0')));
    QString& lot = values[readings::Lot];
    if (lot.size() == 1)
        lot.prepend(QLatin1Char('0'));
    if (rest.size() >= 2)
        values[readings::Comment] = rest.toString();

    if (tag.size() <= 6 || values[readings::Flagged] == QLatin1String("Flagged"))
        return std::nullopt;
    if (values[readings::Type] == QLatin1String("AVID"))
        tag.remove(0, 1);
    return values;
}

CsvRecordReader::CsvRecordReader(QByteArrayView content, QChar separator)
    : content_(content), separator_(separator.toLatin1()), encoding_(detectTextEncoding(content)) {
    if (encoding_ == TextEncoding::Utf8)
        pos_ = utf8BomLength(content);
}

CsvRecordReader::Extent CsvRecordReader::scan(qsizetype from, bool quoteAware) const {
    const char* d = content_.data();
    const qsizetype n = content_.size();
    const auto lineEnd = [&](qsizetype i) {
        return Extent{i, (d[i] == '\r' && i + 1 < n && d[i + 1] == '\n') ? i + 2 : i + 1, 0, false};
    };
    if (!quoteAware) {
        for (qsizetype i = from; i < n; ++i)
            if (d[i] == '\r' || d[i] == '\n')
                return lineEnd(i);
        return {n, n, 0, false};
    }
    int breaks = 0;
    bool columnStart = true;
    bool quoted = false;
    for (qsizetype i = from; i < n; ++i) {
        const char c = d[i];
        if (quoted) {
            if (c == '"') {
                const char after = i + 1 < n ? d[i + 1] : '\n';
                if (after == separator_ || after == '\r' || after == '\n')
                    quoted = false;
            } else if (c == '\r' || c == '\n') {
                ++breaks;
                if (c == '\r' && i + 1 < n && d[i + 1] == '\n')
                    ++i;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            Extent e = lineEnd(i);
            e.lineBreaks = breaks;
            return e;
        }
        if (c == separator_) {
            columnStart = true;
            continue;
        }
        if (c == '"' && columnStart)
            quoted = true;
        columnStart = false;
    }
    return {n, n, breaks, quoted};
}

bool CsvRecordReader::next(QString& text, int& line) {
    if (pos_ >= content_.size())
        return false;
    Extent e = scan(pos_, true);
    if (e.openQuote)
        e = scan(pos_, false);
    text = decodeText(content_.sliced(pos_, e.textEnd - pos_), encoding_);
    line = line_;
    line_ += 1 + e.lineBreaks;
    pos_ = e.nextRecord;
    return true;
}

int importCsvContent(QByteArrayView content, QChar separator, CsvImportSink& sink,
                     const CsvImportProgressFn& progress) {
    CsvRecordReader reader(content, separator);
    CsvImportProgress state;
    state.bytesTotal = content.size();
    const auto report = [&] {
        if (progress) {
            state.bytesRead = reader.bytesRead();
            progress(state);
        }
    };
    QString text;
    int line = 0;
    if (!reader.next(text, line)) { // the header
        report();
        return 0;
    }
    int sinceReport = 0;
    while (reader.next(text, line)) {
        if (const std::optional<CsvLineValues> values = splitCsvImportLine(text, separator)) {
            try {
                sink.append(*values);
            } catch (const StoreError& e) {
                throw CsvLineError(line, e.text(), state.rowsStored);
            }
            ++state.rowsStored;
        }
        if (++sinceReport == kTransferProgressLines) {
            sinceReport = 0;
            report();
        }
    }
    report();
    return state.rowsStored;
}

int importCsvFile(Table& readings, const QString& path, QChar separator,
                  const CsvImportProgressFn& progress) {
    QFile file(path);
    const auto unreadable = [&] {
        return TransferError(
            QStringLiteral("Cannot open file %1\n%2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable();
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw unreadable();
    file.close();

    BulkAppend bulk(readings);
    BulkSink sink(bulk);
    // What is said of the rows before the failure counts the rows the table holds once the
    // operation has ended: when the engine gave the operation up (a full disk), none is left.
    const auto failed = [&](const QString& reason) {
        return TransferError(
            QStringLiteral("%1\n%2\n%3").arg(path, reason, rowsBefore(bulk.appended())));
    };
    int stored = 0;
    try {
        stored = importCsvContent(content, separator, sink, progress);
    } catch (const CsvLineError& e) {
        // The rows before the failing line stay: they are committed before the error is told.
        try {
            bulk.finish();
        } catch (const StoreError& commit) {
            throw failed(commit.text());
        }
        throw failed(e.text());
    }
    try {
        bulk.finish();
    } catch (const StoreError& e) {
        throw failed(e.text());
    }
    return stored;
}

} // namespace px708
