// The CSV import and the export against real readings tables in a scratch database folder: the
// import through the store's bulk path, the export from a snapshot of the table, and the round
// trip between them.

#include "store/schemas.h"
#include "store/storeerror.h"
#include "store/table.h"
#include "tests/store/storefixture.h"
#include "tests/transfer/exportsupport.h"
#include "transfer/csvimport.h"
#include "transfer/tableexport.h"
#include "transfer/textencoding.h"

#include <QFile>

#include <gtest/gtest.h>

namespace px708 {
namespace {

class ReadingsFiles : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        table = readings();
        table->open();
    }

    QString path(const char* name) const {
        return tmp_.path() + QLatin1Char('/') + QString::fromUtf8(name);
    }
    QString writeFile(const char* name, const QByteArray& content) const {
        const QString file = path(name);
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return file;
    }
    static QByteArray contentOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The stored values of every row, field by field.
    static std::vector<std::vector<QVariant>> storedRows(const Table& t) {
        std::vector<std::vector<QVariant>> rows;
        for (int r = 0; r < t.recordCount(); ++r) {
            rows.emplace_back();
            for (int c = 0; c < t.fieldCount(); ++c)
                rows.back().push_back(t.storedValue(r, c));
        }
        return rows;
    }
    void addReading(const std::vector<QString>& texts) {
        table->append();
        for (std::size_t c = 0; c < texts.size(); ++c)
            table->field(static_cast<int>(c)).setAsString(texts[c]);
        table->post();
    }
    void exportAs(ExportFormat format, const QString& file, QChar separator = QLatin1Char(';')) {
        ExportOptions options;
        options.format = format;
        options.separator = separator;
        options.fileName = file;
        exportReadingsTable(*table, {}, options);
    }

    std::unique_ptr<Table> table;
};

TEST_F(ReadingsFiles, ImportStoresEachFieldOfTheExampleLine) {
    const QString file = writeFile(
        "a.csv", "header line\r\n"
                 "985;12345678901;ISO FDX-B Non;3;False;a;b;c;15/04/2023;14:30:05;note one\r\n");
    EXPECT_EQ(importCsvFile(*table, file, QLatin1Char(';')), 1);
    ASSERT_EQ(table->recordCount(), 1);
    const std::vector<QVariant> expected{
        "985", "12345678901", "ISO FDX-B Non", "03",       qint64(0), "a",
        "b",   "c",           "2023-04-15",    "14:30:05", "note one"};
    EXPECT_EQ(storedRows(*table)[0], expected);
    EXPECT_EQ(table->recNo(), 0) << "the cursor stands on the last new row";
}

TEST_F(ReadingsFiles, ImportCutsValuesToTheirFieldsWidths) {
    const QString file =
        writeFile("w.csv", "h\r\n1234;1234567890123;ISO FDX-B Non-X;ABCD;t;" + QByteArray(40, 'a') +
                               ";;;1/2/23;9:5;" + QByteArray(300, 'c') + "\r\n");
    ASSERT_EQ(importCsvFile(*table, file, QLatin1Char(';')), 1);
    EXPECT_EQ(table->displayText(0, readings::C_Code), QStringLiteral("123"));
    EXPECT_EQ(table->displayText(0, readings::tag), QStringLiteral("123456789012"));
    EXPECT_EQ(table->displayText(0, readings::Type), QStringLiteral("ISO FDX-B Non"));
    EXPECT_EQ(table->displayText(0, readings::Lot), QStringLiteral("ABC"));
    EXPECT_EQ(table->displayText(0, readings::Flagged), QStringLiteral("True"));
    EXPECT_EQ(table->displayText(0, readings::Alpha).size(), 30);
    EXPECT_EQ(table->displayText(0, readings::Date_), QStringLiteral("01/02/2023"));
    EXPECT_EQ(table->displayText(0, readings::Time_), QStringLiteral("09:05:00"));
    EXPECT_EQ(table->displayText(0, readings::Comment).size(), 250);
}

struct BadValue {
    const char* name;
    const char* line;
    const char* reason;
};

class ImportStopsAtTheLine : public ReadingsFiles,
                             public ::testing::WithParamInterface<BadValue> {};

TEST_P(ImportStopsAtTheLine, KeepingTheRowsBeforeIt) {
    const BadValue& c = GetParam();
    const QString file = writeFile("bad.csv", QByteArray("h\r\n985;1;;;;\r\n\r\n985;2;;;;\r\n") +
                                                  c.line + "\r\n985;4;;;;\r\n");
    try {
        importCsvFile(*table, file, QLatin1Char(';'));
        FAIL() << "the import should stop";
    } catch (const TransferError& e) {
        EXPECT_EQ(e.text(), file + QStringLiteral("\nLine 5: ") + QString::fromUtf8(c.reason) +
                                QStringLiteral("\nThe 2 rows before it were imported and stay "
                                               "in the table."));
    }
    ASSERT_EQ(table->recordCount(), 2);
    EXPECT_EQ(table->displayText(1, readings::tag), QStringLiteral("0000000002"));
    EXPECT_EQ(table->state(), Table::State::Browse);
    // The table takes writes again at once.
    addReading({QStringLiteral("1"), QStringLiteral("x")});
    EXPECT_EQ(table->recordCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportStopsAtTheLine,
    ::testing::Values(
        BadValue{"yes_is_no_boolean", "985;3;;;yes;",
                 "'yes' is not a valid boolean value for field 'Flag'"},
        BadValue{"lower_case_header_word", "C_Code;Tag;Type;Lot;flagged;",
                 "'flagged' is not a valid boolean value for field 'Flag'"},
        BadValue{"falsehood_is_longer_than_false", "985;3;;;Falsehood;",
                 "'Falsehood' is not a valid boolean value for field 'Flag'"},
        BadValue{"no_such_date", "985;3;;;;;;;32/01/2024;", "'32/01/2024' is not a valid date"},
        BadValue{"no_such_time", "985;3;;;;;;;;25:00;", "'25:00' is not a valid time"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ReadingsFiles, UnreadableFileNamesTheFileAndImportsNothing) {
    for (const QString& file : {path("missing.csv"), tmp_.path()}) {
        try {
            importCsvFile(*table, file, QLatin1Char(';'));
            FAIL() << file.toStdString();
        } catch (const TransferError& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot open file ") + file + "\n"))
                << e.text().toStdString();
        }
    }
    EXPECT_EQ(table->recordCount(), 0);
}

TEST_F(ReadingsFiles, ClosedTableImportsNothing) {
    table->close();
    EXPECT_THROW(importCsvFile(*table, writeFile("a.csv", "h\r\n1;2;3\r\n"), QLatin1Char(';')),
                 DatabaseError);
}

TEST_F(ReadingsFiles, CafeEuroImportsFromUtf8AndFromWindows1252) {
    const QString line = QStringLiteral("h\r\n1;2;3;4;;café €5;\r\n");
    importCsvFile(*table, writeFile("u.csv", line.toUtf8()), QLatin1Char(';'));
    importCsvFile(*table, writeFile("w.csv", toWindows1252(line)), QLatin1Char(';'));
    ASSERT_EQ(table->recordCount(), 2);
    EXPECT_EQ(table->displayText(0, readings::Alpha), QStringLiteral("café €5"));
    EXPECT_EQ(table->displayText(1, readings::Alpha), QStringLiteral("café €5"));
}

// Export, import into an empty table, compare every field of every row.
TEST_F(ReadingsFiles, CsvRoundTripKeepsEveryField) {
    addReading({"985", "012345678901", "ISO FDX-B Non", "01", "False", "a", "", "", "15/04/2023",
                "14:30:05", ""});
    addReading({"999", "000000123", "AVID", "FE", "True", "café €5", "b", "Ωmega", "31/12/1999",
                "00:00:01", "two\r\nlines; with a separator"});
    addReading({"", "0000000001", "", "", "", "", "", "", "", "", ""});
    table->fieldByName(u"tag").setDisplayLabel(QStringLiteral("Chip"));
    const QString file = path("round.csv");
    int tableNumber = 2;
    for (const char sep : {';', ',', '\t'}) {
        SCOPED_TRACE(sep);
        exportAs(ExportFormat::Csv, file, QLatin1Char(sep));
        std::unique_ptr<Table> back = readings(QStringLiteral("%1data.db").arg(tableNumber++));
        back->open();
        ASSERT_EQ(importCsvFile(*back, file, QLatin1Char(sep)), 3);
        EXPECT_EQ(storedRows(*back), storedRows(*table));
    }
}

TEST_F(ReadingsFiles, ExportTakesThePendingRowLeavesTheCursorAndUsesTheTitles) {
    for (int i = 1; i <= 3; ++i)
        addReading({"985", QString::number(i)});
    table->fieldByName(u"Alpha").setDisplayLabel(QStringLiteral("Owner"));
    table->moveTo(1);
    table->edit();
    table->fieldByName(u"Comment").setAsString(QStringLiteral("typed, not posted"));
    const QString file = path("t.csv");
    exportAs(ExportFormat::Csv, file);
    EXPECT_EQ(table->recNo(), 1);
    EXPECT_EQ(table->state(), Table::State::Browse);
    const QList<QByteArray> lines = contentOf(file).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].contains(";\"Owner\";")) << lines[0].toStdString();
    EXPECT_TRUE(lines[2].endsWith(";\"typed, not posted\"\r"));
}

TEST_F(ReadingsFiles, SylkValuesComeFromTheStoredFields) {
    addReading({"985", "012345678901", "", "01", "False", "", "", "", "15/04/2023", "14:30:05"});
    addReading({"985", "2", "", "", "True", "", "", "", "", "12:00:00"});
    addReading({"985", "3"});
    const QString file = path("t.xls");
    exportAs(ExportFormat::Sylk, file);
    const std::vector<QStringList> cells = test::readSylkWithGnumeric(file, path("t.txt"));
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[1], (QStringList{"985", "012345678901", "", "01", "FALSE", "", "", "", "45031",
                                     "0.604224537037037", ""}));
    EXPECT_EQ(cells[2].mid(4, 6), (QStringList{"TRUE", "", "", "", "", "0.5"}));
    EXPECT_EQ(cells[3][4], QString()) << "an empty flag stays empty";
}

TEST_F(ReadingsFiles, ClosedTableExportsNothing) {
    const QString file = path("closed.csv");
    table->close();
    EXPECT_THROW(exportAs(ExportFormat::Csv, file), DatabaseError);
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
} // namespace px708
