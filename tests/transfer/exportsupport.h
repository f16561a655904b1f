#pragma once
// What the export tests share: rows held in memory as an export source, the readings table's
// columns, and the outside programs that read an export back as a browser or a spreadsheet
// would (Python's HTML parser, Gnumeric's ssconvert).

#include "store/schemas.h"
#include "transfer/tableexport.h"

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <gtest/gtest.h>

#include <vector>

namespace px708::test {

// Rows of values (null, QString, bool, QDate, QTime) with the grid's texts for them: dates
// day first with "/", times "HH:mm:ss".
class RowsSource : public ExportSource {
public:
    std::vector<std::vector<QVariant>> rows;

    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString cellText(int row, int column) const override {
        const QVariant& v = value(row, column);
        switch (v.typeId()) {
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::QDate:
            return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        case QMetaType::QTime:
            return v.toTime().toString(QStringLiteral("HH:mm:ss"));
        default:
            return v.toString();
        }
    }
    QVariant value(int row, int column) const override {
        const auto& r = rows.at(static_cast<std::size_t>(row));
        return static_cast<std::size_t>(column) < r.size() ? r[static_cast<std::size_t>(column)]
                                                           : QVariant();
    }
};

// The eleven readings columns with their default titles, 7 pixels a character.
inline std::vector<ExportColumn> readingsColumns() {
    std::vector<ExportColumn> columns;
    for (const FieldDef& f : kReadingsFields)
        columns.push_back({QString::fromUtf8(f.title), f.kind, f.gridChars, f.gridChars * 7});
    return columns;
}

// The source folder of these tests (for the helper scripts).
inline QString testSourceDir() {
    return QStringLiteral(PX708_TRANSFER_TEST_DIR);
}

// Runs a program to its end; fails the test when it cannot run or ends with an error.
inline QByteArray runProgram(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

// What Python's HTML parser takes from an exported HTML file (tests/transfer/htmltables.py).
inline QJsonObject parseHtml(const QString& file) {
    const QByteArray json = runProgram(QStringLiteral("python3"),
                                       {testSourceDir() + QStringLiteral("/htmltables.py"), file});
    return QJsonDocument::fromJson(json).object();
}

// Splits a CSV text in which every value is quoted (quotes doubled inside) into rows of values.
inline std::vector<QStringList> splitQuotedCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString value;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                value += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                value += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << value;
            value.clear();
        } else if (c == u'\n') {
            row << value;
            rows.push_back(row);
            row.clear();
            value.clear();
        }
    }
    return rows;
}

// A SYLK file as Gnumeric reads it: the raw cell values (dates as days since 30 December
// 1899, times as fractions of a day), one list of cells per row.
inline std::vector<QStringList> readSylkWithGnumeric(const QString& file, const QString& csv) {
    runProgram(QStringLiteral("ssconvert"),
               {QStringLiteral("--import-type=Gnumeric_sylk:sylk"),
                QStringLiteral("--export-type=Gnumeric_stf:stf_assistant"), QStringLiteral("-O"),
                QStringLiteral("format=raw separator=, quoting-mode=always eol=unix"), file, csv});
    QFile f(csv);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "ssconvert wrote no " << csv.toStdString();
        return {};
    }
    return splitQuotedCsv(QString::fromUtf8(f.readAll()));
}

// A CSV file as Gnumeric reads it (comma separated), one list of cells per row.
inline std::vector<QStringList> readCsvWithGnumeric(const QString& file, const QString& out) {
    runProgram(QStringLiteral("ssconvert"),
               {QStringLiteral("--import-type=Gnumeric_stf:stf_csvtab"),
                QStringLiteral("--export-type=Gnumeric_stf:stf_assistant"), QStringLiteral("-O"),
                QStringLiteral("format=raw separator=, quoting-mode=always eol=unix"), file, out});
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "ssconvert wrote no " << out.toStdString();
        return {};
    }
    return splitQuotedCsv(QString::fromUtf8(f.readAll()));
}

} // namespace px708::test
