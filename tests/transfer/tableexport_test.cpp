#include "transfer/tableexport.h"

#include "store/schemas.h"
#include "tests/transfer/exportsupport.h"
#include "transfer/csvimport.h"
#include "transfer/textencoding.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace px708 {
namespace {

using test::RowsSource;

QVariant text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The example reading: 985, 012345678901, ISO FDX-B Non, lot 01, not flagged, Alpha a, read on
// 15 April 2023 at 14:30:05.
std::vector<QVariant> exampleRow() {
    return {
        text("985"), text("012345678901"), text("ISO FDX-B Non"), text("01"), false, text("a"), {},
        {},          QDate(2023, 4, 15),   QTime(14, 30, 5),      {}};
}

QByteArray exported(const RowsSource& source, ExportFormat format, QChar separator = {},
                    std::vector<ExportColumn> columns = test::readingsColumns()) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportOptions options;
    options.format = format;
    options.separator = separator;
    options.fileName = QStringLiteral("/home/ann/lot.htm");
    writeExport(buffer, source, columns, options);
    return buffer.data();
}

QList<QByteArray> lines(const QByteArray& bytes) {
    return bytes.split('\n');
}

TEST(ExportNames, ExtensionIsAppendedWhateverTheNameEndsWith) {
    EXPECT_EQ(exportFileName(QStringLiteral("/tmp/data.csv"), ExportFormat::Csv),
              QStringLiteral("/tmp/data.csv.csv"));
    EXPECT_EQ(exportFileName(QStringLiteral("data"), ExportFormat::Html),
              QStringLiteral("data.htm"));
    EXPECT_EQ(exportFileName(QStringLiteral("data"), ExportFormat::Sylk),
              QStringLiteral("data.xls"));
    EXPECT_EQ(exportFormatOfItem(2), ExportFormat::Sylk);
    EXPECT_EQ(exportFormatOfItem(-1), std::nullopt);
    EXPECT_EQ(csvSeparatorOfItem(3), QLatin1Char('\t'));
    EXPECT_EQ(csvSeparatorOfItem(-1), std::nullopt);
}

TEST(CsvExport, WritesTheExampleLines) {
    RowsSource source;
    source.rows.push_back(exampleRow());
    EXPECT_EQ(exported(source, ExportFormat::Csv, QLatin1Char(';')),
              QByteArray("\"C_Code\";\"Tag ID\";\"Type\";\"Lot\";\"Flag\";\"Alpha\";\"Bravo\";"
                         "\"Charly\";\"Date_\";\"Time_\";\"Comment\"\r\n"
                         "\"985\";\"012345678901\";\"ISO FDX-B Non\";\"01\";\"False\";\"a\";;;"
                         "\"15/04/2023\";\"14:30:05\";\r\n"));
}

TEST(CsvExport, EmptyTableGivesTheHeaderLineWithItsTitlesAsShown) {
    std::vector<ExportColumn> columns = test::readingsColumns();
    columns[1].title = QStringLiteral("Tag~ID");
    columns[3].title.clear();
    const QByteArray csv = exported(RowsSource(), ExportFormat::Csv, QLatin1Char(','), columns);
    EXPECT_EQ(csv, QByteArray("\"C_Code\",\"Tag ID\",\"Type\",,\"Flag\",\"Alpha\",\"Bravo\","
                              "\"Charly\",\"Date_\",\"Time_\",\"Comment\"\r\n"));
}

TEST(CsvExport, QuotesAreDoubledAndLineBreaksStayInsideTheValue) {
    RowsSource source;
    source.rows.push_back({text("985"),
                           text("1"),
                           {},
                           {},
                           {},
                           text("say \"hi\""),
                           {},
                           {},
                           {},
                           {},
                           text("a;b\r\nsecond line")});
    const QList<QByteArray> out = lines(exported(source, ExportFormat::Csv, QLatin1Char(';')));
    ASSERT_EQ(out.size(), 4);
    EXPECT_EQ(out[1], QByteArray("\"985\";\"1\";;;;\"say \"\"hi\"\"\";;;;;\"a;b\r"));
    EXPECT_EQ(out[2], QByteArray("second line\"\r"));
}

// Export, then the program's own import: every field comes back (the tag padded, as the
// import pads it), a line break and a separator in the comment, "café €5" and a tab.
TEST(CsvExport, ProgramsOwnImportReadsEveryFieldBack) {
    RowsSource source;
    source.rows.push_back(exampleRow());
    source.rows.push_back({text("999"), text("123"), text("AVID"), text("FE"), true,
                           text("café €5"), text("b\tc"), text("Ωmega"), QDate(1999, 12, 31),
                           QTime(0, 0, 1), text("two\r\nlines; and a separator")});
    source.rows.push_back({{}, text("0000000001"), {}, {}, {}, {}, {}, {}, {}, {}, {}});
    for (const char sep : {';', ','}) {
        SCOPED_TRACE(sep);
        const QByteArray csv = exported(source, ExportFormat::Csv, QLatin1Char(sep));
        EXPECT_TRUE(isValidUtf8(csv));
        struct Collect : CsvImportSink {
            void append(const CsvLineValues& v) override { rows.push_back(v); }
            std::vector<CsvLineValues> rows;
        } sink;
        ASSERT_EQ(importCsvContent(csv, QLatin1Char(sep), sink), 3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 11; ++c) {
                const QString expected = (c == readings::tag && r == 1)
                                             ? QStringLiteral("000000123") // AVID: nine
                                             : source.cellText(r, c);
                EXPECT_EQ(sink.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)],
                          expected)
                    << "row " << r << " column " << c;
            }
    }
}

class ExportFiles : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void exportTo(const QString& file, ExportFormat format, const ExportSource& source,
                  std::vector<ExportColumn> columns = test::readingsColumns()) {
        ExportOptions options;
        options.format = format;
        options.separator = QLatin1Char(';');
        options.fileName = file;
        exportToFile(source, columns, options);
    }
    static QByteArray contentOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
};

// Every cell of the HTML as Python's HTML parser reads it: titles, texts, the escaped cases,
// the alternate shade, the character set and the order of the closing tags.
TEST_F(ExportFiles, HtmlReadsBackInARealParser) {
    RowsSource source;
    source.rows.push_back(exampleRow());
    source.rows.push_back({text("<b>"),
                           text("a & b"),
                           text("\"q\""),
                           {},
                           true,
                           text("café €5"),
                           text("  "),
                           text("x  "),
                           {},
                           {},
                           text("<script>alert(1)</script>\r\nsecond")});
    source.rows.push_back({text("1")});
    std::vector<ExportColumn> columns = test::readingsColumns();
    columns[5].title = QStringLiteral("Owner~<name>");
    const QString file = path("a&b <x>.htm");
    exportTo(file, ExportFormat::Html, source, columns);

    const QJsonObject html = test::parseHtml(file);
    EXPECT_EQ(html[u"charset"].toString().toLower(), QStringLiteral("utf-8"));
    EXPECT_EQ(html[u"title"].toString(), file);
    EXPECT_FALSE(html[u"startTags"].toArray().contains(QStringLiteral("script")));
    QStringList ends;
    for (const auto& t : html[u"endTags"].toArray())
        if (t.toString() == u"table" || t.toString() == u"body" || t.toString() == u"html")
            ends << t.toString();
    EXPECT_EQ(ends, (QStringList{"table", "body", "html"}));

    const QJsonArray rows = html[u"rows"].toArray();
    ASSERT_EQ(rows.size(), 3 + 3) << "title row, titles, empty second title row, three rows";
    EXPECT_EQ(rows[0].toArray()[0].toObject()[u"attrs"].toObject()[u"colspan"].toString(),
              QStringLiteral("11"));
    const QJsonArray titles = rows[1].toArray();
    ASSERT_EQ(titles.size(), 11);
    EXPECT_EQ(titles[1].toObject()[u"text"].toString(), QStringLiteral("Tag ID"));
    EXPECT_EQ(titles[5].toObject()[u"text"].toString(), QStringLiteral("Owner\n<name>"));
    EXPECT_TRUE(rows[2].toArray().isEmpty());

    const auto cell = [&](int row, int column) {
        return rows[3 + row].toArray()[column].toObject();
    };
    const QString nbsp(QChar(0xA0));
    const std::vector<std::pair<int, QStringList>> expected{
        {0,
         {"985", "012345678901", "ISO FDX-B Non", "01", "False", "a", nbsp, nbsp, "15/04/2023",
          "14:30:05", nbsp}},
        {1,
         {"<b>", "a & b", "\"q\"", nbsp, "True", QStringLiteral("café €5"), nbsp, "x", nbsp, nbsp,
          "<script>alert(1)</script>\nsecond"}},
    };
    for (const auto& [row, texts] : expected)
        for (int c = 0; c < 11; ++c)
            EXPECT_EQ(cell(row, c)[u"text"].toString(), texts[c]) << row << "," << c;
    for (int c = 0; c < 11; ++c) {
        EXPECT_FALSE(cell(0, c)[u"attrs"].toObject().contains(u"bgcolor")) << c;
        EXPECT_EQ(cell(1, c)[u"attrs"].toObject()[u"bgcolor"].toString(), QStringLiteral("#FFFFFF"))
            << c;
        EXPECT_FALSE(cell(2, c)[u"attrs"].toObject().contains(u"bgcolor")) << c;
        EXPECT_EQ(cell(0, c)[u"attrs"].toObject()[u"width"].toString(),
                  QString::number(kReadingsFields[static_cast<std::size_t>(c)].gridChars * 7));
    }
}

TEST_F(ExportFiles, HtmlOfAnEmptyTableHasHeadAndTrailer) {
    const QString file = path("empty.htm");
    exportTo(file, ExportFormat::Html, RowsSource());
    const QByteArray html = contentOf(file);
    EXPECT_TRUE(html.startsWith("<HTML>\r\n<HEAD>\r\n"));
    EXPECT_TRUE(html.endsWith("</THEAD>\r\n<TBODY>\r\n</TBODY>\r\n</TABLE>\r\n</BODY>\r\n"
                              "</HTML>\r\n"));
    EXPECT_TRUE(html.contains(
        "<TR STYLE=\"font-family: Sans Serif;font-size: 8 pt;color:#000000;\" ALIGN=left>\r\n"));
    EXPECT_EQ(test::parseHtml(file)[u"rows"].toArray().size(), 3);
}

TEST_F(ExportFiles, SylkRecordsOfTheExample) {
    RowsSource source;
    source.rows.push_back(exampleRow());
    source.rows.back()[readings::Comment] = text("a;b");
    source.rows.push_back({{}, {}, {}, {}, {}, {}, {}, {}, {}, QTime(12, 0)});
    std::vector<ExportColumn> columns = test::readingsColumns();
    columns[1].title = QStringLiteral("Reading;1");
    columns[5].title = QStringLiteral("Owner~name");
    const QString file = path("lot.xls");
    exportTo(file, ExportFormat::Sylk, source, columns);
    const QByteArray sylk = contentOf(file);
    const QList<QByteArray> records = sylk.split('\n');

    const QList<QByteArray> head{"ID;PW2W 3000;N;E\r", "P;PGeneral\r",         "P;Pm/d/yyyy\r",
                                 "P;Ph:mm\\ AM/PM\r",  "P;FSans Serif;M160\r", "B;Y3;X11\r",
                                 "F;G;M255\r",         "F;W1 1 3\r",           "F;W2 2 13\r"};
    EXPECT_EQ(records.mid(0, head.size()), head);
    EXPECT_TRUE(sylk.contains("F;W11 11 250\r\nF;SLRTBM0;FG0L;Y1;X1\r\nC;K\"C_Code\"\r\n"));
    EXPECT_TRUE(sylk.contains("F;SLRTBM0;FG0L;Y1;X2\r\nC;K\"Reading;;1\"\r\n"));
    EXPECT_TRUE(sylk.contains("F;SLRTBM0;FG0L;Y1;X6\r\nC;K\"Owner\"\r\n"));
    EXPECT_TRUE(sylk.contains("C;K\"Comment\"\r\n\r\nF;SLTRBM0;FG0L;Y2;X1\r\nC;K\"985\"\r\n"));
    EXPECT_TRUE(sylk.contains("F;SLTRBM0;FG0L;Y2;X5\r\nC;K\"FALSE\"\r\n"));
    EXPECT_TRUE(sylk.contains("F;SLTRBM0;FG0L;Y2;X7\r\nC;K\"\"\r\n"));
    EXPECT_TRUE(sylk.contains("F;P1;SLTRBM0;FG0L;Y2;X9\r\nC;K45031\r\n"));
    EXPECT_TRUE(sylk.contains("F;P2;SLTRBM0;FG0L;Y2;X10\r\nC;K0.604224537037037\r\n"));
    EXPECT_TRUE(sylk.contains("F;SLTRBM0;FG0L;Y2;X11\r\nC;K\"a;;b\"\r\n"));
    EXPECT_TRUE(sylk.contains("F;P2;SLTRBM0;FG0L;Y3;X10\r\nC;K0.5\r\n"));
    EXPECT_TRUE(sylk.contains("F;P1;SLTRBM0;FG0L;Y3;X9\r\nC;K\"\"\r\n"));
    EXPECT_TRUE(sylk.endsWith("C;K\"\"\r\nE"));
}

TEST_F(ExportFiles, SylkOfAnEmptyTableEndsAfterTheTitles) {
    const QString file = path("empty.xls");
    exportTo(file, ExportFormat::Sylk, RowsSource());
    const QByteArray sylk = contentOf(file);
    EXPECT_TRUE(sylk.contains("B;Y1;X11\r\n"));
    EXPECT_TRUE(sylk.endsWith("F;SLRTBM0;FG0L;Y1;X11\r\nC;K\"Comment\"\r\n\r\nE"));
}

// The SYLK file as a spreadsheet program reads it: dates as serial days, times as fractions of
// the day, codes as text with their leading zeros, texts in Windows-1252.
TEST_F(ExportFiles, SylkReadsBackInGnumeric) {
    RowsSource source;
    source.rows.push_back(exampleRow());
    source.rows.push_back({text("999"), text("000000000123"), text("AVID"), text("FE"), true,
                           text("café"), text("say \"hi\""), text("x;y;;z"), QDate(1899, 12, 31),
                           QTime(23, 59, 59), text("two\r\nlines")});
    const QString file = path("lot.xls");
    exportTo(file, ExportFormat::Sylk, source);
    const std::vector<QStringList> cells = test::readSylkWithGnumeric(file, path("back.txt"));
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0], (QStringList{"C_Code", "Tag ID", "Type", "Lot", "Flag", "Alpha", "Bravo",
                                     "Charly", "Date_", "Time_", "Comment"}));
    EXPECT_EQ(cells[1], (QStringList{"985", "012345678901", "ISO FDX-B Non", "01", "FALSE", "a", "",
                                     "", "45031", "0.604224537037037", ""}));
    EXPECT_EQ(cells[2],
              (QStringList{"999", "000000000123", "AVID", "FE", "TRUE", QStringLiteral("café"),
                           "say \"hi\"", "x;y;;z", "1", "0.999988425925926", "two lines"}));
}

// The CSV as a spreadsheet reads it: a line break and a separator inside a value stay in their
// cell, a doubled quote is one quote, "café €5" is UTF-8.
TEST_F(ExportFiles, CsvReadsBackInGnumeric) {
    RowsSource source;
    source.rows.push_back({text("985"),
                           text("012345678901"),
                           {},
                           {},
                           false,
                           text("say \"hi\""),
                           text("a,b"),
                           text("café €5"),
                           {},
                           {},
                           text("two\r\nlines")});
    source.rows.push_back({text("999"), text("2")});
    const QString file = path("sheet.csv");
    ExportOptions options;
    options.format = ExportFormat::Csv;
    options.separator = QLatin1Char(',');
    options.fileName = file;
    exportToFile(source, test::readingsColumns(), options);
    const std::vector<QStringList> cells = test::readCsvWithGnumeric(file, path("sheet.txt"));
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0][1], QStringLiteral("Tag ID"));
    ASSERT_EQ(cells[1].size(), 11);
    EXPECT_EQ(cells[1][5], QStringLiteral("say \"hi\""));
    EXPECT_EQ(cells[1][6], QStringLiteral("a,b"));
    EXPECT_EQ(cells[1][7], QStringLiteral("café €5"));
    EXPECT_EQ(QString(cells[1][10]).remove(QLatin1Char('\r')), QStringLiteral("two\nlines"));
    EXPECT_EQ(cells[2][0], QStringLiteral("999"));
}

TEST_F(ExportFiles, CafeEuroInEachFormat) {
    RowsSource source;
    source.rows.push_back({text("1"), text("2"), {}, {}, {}, text("café €5 日本")});
    exportTo(path("c.csv"), ExportFormat::Csv, source);
    exportTo(path("c.htm"), ExportFormat::Html, source);
    exportTo(path("c.xls"), ExportFormat::Sylk, source);
    EXPECT_TRUE(contentOf(path("c.csv")).contains(QStringLiteral("\"café €5 日本\"").toUtf8()));
    EXPECT_EQ(test::parseHtml(path("c.htm"))[u"rows"]
                  .toArray()[3]
                  .toArray()[5]
                  .toObject()[u"text"]
                  .toString(),
              QStringLiteral("café €5 日本"));
    // Windows-1252: é is E9h and € 80h; what it cannot hold is "?".
    EXPECT_TRUE(contentOf(path("c.xls"))
                    .contains("C;K\"caf\xE9 \x80"
                              "5 ??\"\r\n"));
    // Gnumeric reads SYLK as ISO-8859-1, in which 80h is a control character, not the euro.
    const std::vector<QStringList> cells = test::readSylkWithGnumeric(path("c.xls"), path("c.txt"));
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_TRUE(cells[1][5].startsWith(QStringLiteral("café "))) << cells[1][5].toStdString();
}

TEST_F(ExportFiles, FailedExportLeavesTheOldFileAndSaysWhy) {
    RowsSource source;
    source.rows.push_back(exampleRow());

    const QString missing = path("no such folder/lot.csv");
    try {
        exportTo(missing, ExportFormat::Csv, source);
        FAIL() << "a missing folder cannot be written";
    } catch (const TransferError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot create file ") + missing + "\n"))
            << e.text().toStdString();
    }

    // A source that fails half way (the table's file gone): the old file stays whole.
    struct Failing : RowsSource {
        QString cellText(int row, int column) const override {
            if (row == 700)
                throw TransferError(QStringLiteral("tbld: disk I/O error"));
            return RowsSource::cellText(row, column);
        }
    } failing;
    for (int i = 0; i < 1000; ++i)
        failing.rows.push_back(exampleRow());
    const QString file = path("lot.csv");
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old export\r\n");
    }
    EXPECT_THROW(exportTo(file, ExportFormat::Csv, failing), TransferError);
    EXPECT_EQ(contentOf(file), QByteArray("the old export\r\n"));
    EXPECT_EQ(dir.entryList(QDir::Files), QStringList{"lot.csv"}) << "no temporary file is left";

    // A read-only file is not replaced (root may write any file).
    if (geteuid() != 0) {
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser);
        EXPECT_THROW(exportTo(file, ExportFormat::Csv, source), TransferError);
        EXPECT_EQ(contentOf(file), QByteArray("the old export\r\n"));
    }
}

} // namespace
} // namespace px708
