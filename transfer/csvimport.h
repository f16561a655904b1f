#pragma once
// "Import CSV File" of the Data page: the lines of a character-separated file become new rows
// of the current readings table.
//
// The first line is a header and is skipped, whatever it holds. Every later line is split at
// the chosen separator into at most ten columns and a remainder, in the column order of the
// CSV export: C_Code, tag, Type, Lot, Flagged, Alpha, Bravo, Charly, Date_, Time_ and the
// remainder as Comment (taken when it is at least two characters long; it may hold further
// separators). Double quotes carry no meaning inside a line: every one is removed before the
// line is split, and a separator inside quotes still splits. Column 2 (tag) is padded on the
// left with "0" to ten characters, and loses its first character again when column 3 is
// exactly "AVID"; a one-character column 4 (Lot) gets a "0" in front. A line without column 2
// (no separator in it) and a line whose fifth column is exactly "Flagged" (a header repeated
// inside the file) are skipped. Values are not trimmed; each field converts its text as the
// store does (widths, booleans, dates in the short date pattern, times).
//
// Lines end at a carriage return, a line feed or the pair of them, except inside a quoted
// value (a double quote that opens a column, up to a double quote that stands before the
// separator or the line's end): a line break there belongs to the value, which is how the
// export writes a value holding a line break and how spreadsheets write one. A quoted value
// left open at the end of the file is taken as a stray quote instead, and its lines end at
// their line breaks as any other.
//
// The file is read as UTF-8 when it is valid UTF-8, otherwise as Windows-1252.
//
// Thread affinity: main thread (the table's).

#include "transfer/textencoding.h"
#include "transfer/transfererror.h"

#include <QByteArrayView>
#include <QChar>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace px708 {

class Table;

inline constexpr const char* kNoCsvSeparatorText = "You must select a CSV separator!";

// The separator of an item of the radio group "CSV Separator" (rgsep): 0 ";", 1 ":", 2 ",",
// 3 the tab character; none for no selection (-1) or any other index.
std::optional<QChar> csvSeparatorOfItem(int item);

// The values of one imported line, by readings field (store/schemas.h readings::C_Code ...).
using CsvLineValues = std::array<QString, 11>;

// One line of the file (after the header) split into its values, with the adjustments above;
// none when the line is skipped.
std::optional<CsvLineValues> splitCsvImportLine(QString line, QChar separator);

// The records of a file's content, one line each except where a quoted value holds line
// breaks.
class CsvRecordReader {
public:
    // separator: an ASCII character. The content must outlive the reader.
    CsvRecordReader(QByteArrayView content, QChar separator);
    // A temporary would be gone before the first record is read.
    CsvRecordReader(QByteArray&& content, QChar separator) = delete;

    TextEncoding encoding() const { return encoding_; }
    // The next record's text without its line break, and the number of the line it starts on
    // (from 1). False at the end of the content.
    bool next(QString& text, int& line);
    qsizetype bytesRead() const { return pos_; }

private:
    struct Extent {
        qsizetype textEnd;
        qsizetype nextRecord;
        int lineBreaks; // line breaks inside the record
        bool openQuote; // a quoted value still open at the end of the content
    };
    Extent scan(qsizetype from, bool quoteAware) const;

    QByteArrayView content_;
    char separator_;
    TextEncoding encoding_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

// Receives the rows of an import, in file order.
class CsvImportSink {
public:
    // Stores one row. Raises StoreError (a value a field cannot take, a row the store refuses).
    virtual void append(const CsvLineValues& values) = 0;

protected:
    ~CsvImportSink() = default;
};

struct CsvImportProgress {
    qint64 bytesRead = 0;
    qint64 bytesTotal = 0;
    int rowsStored = 0;
};
using CsvImportProgressFn = std::function<void(const CsvImportProgress&)>;

// A line that could not be stored: "Line <n>: <the store's text>".
class CsvLineError : public TransferError {
public:
    CsvLineError(int line, const QString& reason, int rowsStored)
        : TransferError(QStringLiteral("Line %1: %2").arg(line).arg(reason)), line_(line),
          reason_(reason), rowsStored_(rowsStored) {}
    int line() const { return line_; }
    const QString& reason() const { return reason_; }
    // Rows stored before the failing line.
    int rowsStored() const { return rowsStored_; }

private:
    int line_;
    QString reason_;
    int rowsStored_;
};

// How often, in lines, an import or export reports its progress.
inline constexpr int kTransferProgressLines = 512;

// Imports the lines of content after the first into sink. Returns the number of rows stored.
// A StoreError from the sink ends the import with CsvLineError; the rows before stay with the
// sink. progress runs every kTransferProgressLines lines and at the end.
int importCsvContent(QByteArrayView content, QChar separator, CsvImportSink& sink,
                     const CsvImportProgressFn& progress = {});

// Imports a file into the readings table through the store's bulk path: one operation, the
// views told of the new rows at intervals and at the end, the cursor left on the last new row.
// Returns the number of rows stored. Raises TransferError naming the file when it cannot be
// read ("Cannot open file <name>" and the system's reason) and when a line cannot be stored
// (the file, "Line <n>: <the store's text>", and how many rows before it were stored: those
// stay in the table); DatabaseError when the table cannot take the operation at all.
int importCsvFile(Table& readings, const QString& path, QChar separator,
                  const CsvImportProgressFn& progress = {});

} // namespace px708
