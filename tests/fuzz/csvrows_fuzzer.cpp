// CSV import lines turned into rows as the readings table's fields take them, with every
// separator and every date order and date separator: the values a row stores are what the
// fields can hold, and a stored date or time reads back as itself when written as the grid
// and the export write it.
//
// Input: the first byte picks the CSV separator (bits 0-1), the date order (bit 2) and the
// date separator (bits 3-5); the rest is the file.

#include "store/database.h"
#include "store/datesettings.h"
#include "store/rowvalues.h"
#include "store/schemas.h"
#include "store/storeerror.h"
#include "store/table.h"
#include "transfer/csvimport.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDate>
#include <QTime>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace px708;

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "finding: %s\n", what);
        std::abort();
    }
}

// The order in which the import gives a line's values to their fields.
constexpr std::array<int, 11> kAssignOrder{readings::tag,   readings::Type,    readings::C_Code,
                                           readings::Lot,   readings::Flagged, readings::Alpha,
                                           readings::Bravo, readings::Charly,  readings::Date_,
                                           readings::Time_, readings::Comment};

class RowSink : public CsvImportSink {
public:
    explicit RowSink(const Table& table) : table_(table), row_(table) {}
    void append(const CsvLineValues& values) override {
        row_.clear();
        for (const int field : kAssignOrder)
            row_.setText(field, values[static_cast<std::size_t>(field)]);
        for (int f = 0; f < table_.fieldCount(); ++f) {
            const QVariant& v = row_.stored(f);
            if (v.isNull())
                continue;
            const Field& field = table_.field(f);
            switch (field.kind()) {
            case FieldKind::String:
                // The width counts characters: a surrogate pair is one.
                check(v.toString().toUcs4().size() <= field.size(), "a text longer than its field");
                break;
            case FieldKind::Boolean:
                check(v.toLongLong() == 0 || v.toLongLong() == 1, "a flag neither true nor false");
                break;
            case FieldKind::Date: {
                const QDate d = QDate::fromString(v.toString(), Qt::ISODate);
                check(d.isValid(), "a stored date that is no date");
                const std::optional<QDate> again =
                    DateSettings::parseDate(DateSettings::formatDate(d));
                check(again && *again == d, "a stored date does not read back as itself");
                break;
            }
            case FieldKind::Time: {
                const QTime t = QTime::fromString(v.toString(), QStringLiteral("HH:mm:ss"));
                check(t.isValid(), "a stored time that is no time");
                const std::optional<QTime> again =
                    DateSettings::parseTime(DateSettings::formatTime(t));
                check(again && *again == t, "a stored time does not read back as itself");
                break;
            }
            case FieldKind::Integer:
                break;
            }
        }
        ++rows;
    }
    int rows = 0;

private:
    const Table& table_;
    RowValues row_;
};

const char16_t kDateSeparators[] = {u'/', u'-', u'.', u' ', u':', u';', u',', u'\t'};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The fields convert without an open table.
    static Database db;
    static const Table table(db, QStringLiteral("tbld"), readingsSchema());
    if (size == 0)
        return 0;
    const QChar separator = *csvSeparatorOfItem(data[0] & 3);
    const QChar dateSeparator(kDateSeparators[(data[0] >> 3) & 7]);
    DateSettings::applyAtStartUp((data[0] >> 2) & 1, QStringView(&dateSeparator, 1));
    const QByteArrayView content(reinterpret_cast<const char*>(data) + 1,
                                 static_cast<qsizetype>(size - 1));
    RowSink sink(table);
    try {
        const int stored = importCsvContent(content, separator, sink);
        check(stored == sink.rows, "the count of stored rows is wrong");
    } catch (const CsvLineError& e) {
        check(e.line() >= 2, "an error on the header line");
        check(e.rowsStored() == sink.rows, "the rows before the error are miscounted");
        check(!e.reason().isEmpty(), "an error without a reason");
    }
    return 0;
}
