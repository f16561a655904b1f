#include "transfer/csvimport.h"

#include "store/schemas.h"
#include "store/storeerror.h"

#include <gtest/gtest.h>

#include <vector>

namespace px708 {
namespace {

using Values = std::vector<QString>; // C_Code ... Comment

Values toVector(const CsvLineValues& v) {
    return Values(v.begin(), v.end());
}

struct LineCase {
    const char* name;
    QString line;
    char separator;
    std::optional<Values> values; // none: skipped
};

class ImportLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ImportLine, SplitsAdjustsOrSkips) {
    const LineCase& c = GetParam();
    const std::optional<CsvLineValues> got = splitCsvImportLine(c.line, QLatin1Char(c.separator));
    ASSERT_EQ(got.has_value(), c.values.has_value());
    if (got) {
        EXPECT_EQ(toVector(*got), *c.values);
    }
}

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportLine,
    ::testing::Values(
        LineCase{"all_eleven_columns",
                 q("985;12345678901;ISO FDX-B Non;3;False;a;b;c;15/04/2023;14:30:05;note one"), ';',
                 Values{q("985"), q("12345678901"), q("ISO FDX-B Non"), q("03"), q("False"), q("a"),
                        q("b"), q("c"), q("15/04/2023"), q("14:30:05"), q("note one")}},
        LineCase{"short_tag_padded_to_ten", q("985;123;ISO;01;;;;;;;"), ';',
                 Values{q("985"), q("0000000123"), q("ISO"), q("01"), {}, {}, {}, {}, {}, {}, {}}},
        LineCase{"avid_tag_loses_a_padding_zero", q("985,123,AVID,01,,,,,,,"), ',',
                 Values{q("985"), q("000000123"), q("AVID"), q("01"), {}, {}, {}, {}, {}, {}, {}}},
        LineCase{"repeated_header_skipped",
                 q("C_Code;Tag ID;Type;Lot;Flagged;Alpha;Bravo;Charly;Date_;Time_;Comment"), ';',
                 std::nullopt},
        LineCase{
            "lower_case_flagged_is_a_value", q("1;2;3;4;flagged;"), ';',
            Values{q("1"), q("0000000002"), q("3"), q("04"), q("flagged"), {}, {}, {}, {}, {}, {}}},
        LineCase{"no_separator_skipped_however_long", QString(300, QLatin1Char('7')), ';',
                 std::nullopt},
        LineCase{"one_separator_leaves_tag_missing", q("985;123456789012"), ';', std::nullopt},
        LineCase{
            "quotes_dropped_separator_in_quotes_splits",
            q("\"985\":\"12:34\":\"ISO\":\"1\"::::::\"x\"\"y\""), ':',
            Values{
                q("985"), q("0000000012"), q("34"), q("ISO"), q("1"), {}, {}, {}, {}, {}, q("xy")}},
        LineCase{"one_character_remainder_is_no_comment", q("1\t2\t3\t4\t5\t6\t7\t8\t9\t10\tX"),
                 '\t',
                 Values{q("1"),
                        q("0000000002"),
                        q("3"),
                        q("04"),
                        q("5"),
                        q("6"),
                        q("7"),
                        q("8"),
                        q("9"),
                        q("10"),
                        {}}},
        LineCase{"comment_keeps_its_separators_and_blanks", q(" 1 ;2;3;4;5;6;7;8;9;10; a;b ; "),
                 ';',
                 Values{q(" 1 "), q("0000000002"), q("3"), q("04"), q("5"), q("6"), q("7"), q("8"),
                        q("9"), q("10"), q(" a;b ; ")}},
        LineCase{"empty_tag_column_counts_as_present", q("985;;;"), ';',
                 Values{q("985"), q("0000000000"), {}, {}, {}, {}, {}, {}, {}, {}, {}}}),
    [](const auto& row) { return std::string(row.param.name); });

struct Record {
    QString text;
    int line;
    bool operator==(const Record&) const = default;
};
void PrintTo(const Record& r, std::ostream* os) {
    *os << r.line << ":" << r.text.toStdString();
}

std::vector<Record> records(const QByteArray& content, char separator = ';') {
    CsvRecordReader reader(content, QLatin1Char(separator));
    std::vector<Record> out;
    Record r;
    while (reader.next(r.text, r.line))
        out.push_back(r);
    EXPECT_EQ(reader.bytesRead(), content.size());
    return out;
}

TEST(CsvRecords, LinesEndAtCarriageReturnLineFeedOrThePair) {
    EXPECT_EQ(records("h\r\na\nb\rc\r\n\r\nd"),
              (std::vector<Record>{{"h", 1}, {"a", 2}, {"b", 3}, {"c", 4}, {"", 5}, {"d", 6}}));
    EXPECT_TRUE(records("").empty());
    EXPECT_EQ(records("only header\r\n"), (std::vector<Record>{{"only header", 1}}));
}

TEST(CsvRecords, LineBreakInsideAQuotedValueBelongsToTheValue) {
    EXPECT_EQ(records("h\r\n\"985\";\"first\r\nsecond\nthird\";x\r\nnext;\"a\"\r\n"),
              (std::vector<Record>{
                  {"h", 1}, {"\"985\";\"first\r\nsecond\nthird\";x", 2}, {"next;\"a\"", 5}}));
    // A doubled quote inside the value does not close it; one before the separator does.
    EXPECT_EQ(records("\"say \"\"hi\r\nthere\"\"\";b\r\nc", ';'),
              (std::vector<Record>{{"\"say \"\"hi\r\nthere\"\"\";b", 1}, {"c", 3}}));
    EXPECT_EQ(records("\"a\",\"b\r\nc\"\r\nd", ','),
              (std::vector<Record>{{"\"a\",\"b\r\nc\"", 1}, {"d", 3}}));
}

TEST(CsvRecords, QuoteLeftOpenAtTheEndIsAStrayQuote) {
    EXPECT_EQ(records("h\r\n1;\"2;3\r\n4;5\r\n"),
              (std::vector<Record>{{"h", 1}, {"1;\"2;3", 2}, {"4;5", 3}}));
    // A quote inside a value (not opening it) never joins lines.
    EXPECT_EQ(records("1;2\"3\r\n4;5\r\n"), (std::vector<Record>{{"1;2\"3", 1}, {"4;5", 2}}));
}

TEST(CsvRecords, ReadsUtf8OrWindows1252) {
    const QString cafe = QStringLiteral("café €5");
    const QByteArray file = QByteArray("\xEF\xBB\xBFh\r\n") + cafe.toUtf8();
    CsvRecordReader utf8(file, QLatin1Char(';'));
    EXPECT_EQ(utf8.encoding(), TextEncoding::Utf8);
    QString text;
    int line = 0;
    ASSERT_TRUE(utf8.next(text, line));
    EXPECT_EQ(text, QStringLiteral("h")) << "the byte-order mark is dropped";
    ASSERT_TRUE(utf8.next(text, line));
    EXPECT_EQ(text, cafe);

    const QByteArray old = QByteArray("h\r\n") + toWindows1252(cafe);
    CsvRecordReader windows(old, QLatin1Char(';'));
    EXPECT_EQ(windows.encoding(), TextEncoding::Windows1252);
    windows.next(text, line);
    windows.next(text, line);
    EXPECT_EQ(text, cafe);
}

class RecordingSink : public CsvImportSink {
public:
    void append(const CsvLineValues& values) override {
        if (values[readings::Flagged] == QLatin1String("yes"))
            throw ConvertError(QStringLiteral("'yes' is not a valid boolean value for field "
                                              "'Flag'"));
        rows.push_back(toVector(values));
    }
    std::vector<Values> rows;
};

TEST(CsvImportContent, SkipsTheHeaderAndReportsTheFailingLine) {
    RecordingSink sink;
    EXPECT_EQ(importCsvContent("1;2;3;4;5;6;7;8;9;10;11", QLatin1Char(';'), sink), 0)
        << "a single line is the header";
    EXPECT_TRUE(sink.rows.empty());

    const QByteArray file = "C_Code;tag\r\n"
                            "985;1;;;;;;;;;\"two\r\nlines\"\r\n"
                            "no separator here\r\n"
                            "985;2;;;yes;\r\n"
                            "985;3;\r\n";
    std::vector<CsvImportProgress> progress;
    try {
        importCsvContent(file, QLatin1Char(';'), sink,
                         [&](const CsvImportProgress& p) { progress.push_back(p); });
        FAIL() << "the boolean error should end the import";
    } catch (const CsvLineError& e) {
        EXPECT_EQ(e.line(), 5) << "counted in the file's lines";
        EXPECT_EQ(e.rowsStored(), 1);
        EXPECT_EQ(e.text(), QStringLiteral("Line 5: 'yes' is not a valid boolean value for "
                                           "field 'Flag'"));
    }
    ASSERT_EQ(sink.rows.size(), 1u) << "the line after the failing one is not read";
    EXPECT_EQ(sink.rows[0][readings::Comment], QStringLiteral("two\r\nlines"));
}

TEST(CsvImportContent, ReportsProgressUpToTheWholeFile) {
    RecordingSink sink;
    QByteArray file = "header\r\n";
    for (int i = 0; i < 1500; ++i)
        file += "985;" + QByteArray::number(i) + ";ISO\r\n";
    std::vector<CsvImportProgress> seen;
    EXPECT_EQ(importCsvContent(file, QLatin1Char(';'), sink,
                               [&](const CsvImportProgress& p) { seen.push_back(p); }),
              1500);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.back().bytesRead, file.size());
    EXPECT_EQ(seen.back().bytesTotal, file.size());
    EXPECT_EQ(seen.back().rowsStored, 1500);
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_LE(seen[i - 1].rowsStored, seen[i].rowsStored);
}

} // namespace
} // namespace px708
