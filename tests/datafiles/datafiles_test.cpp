#include "tests/datapage/datapagefixture.h"
#include "ui/radiogroup.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>

namespace {

using namespace datapagetest;
namespace col = px708::readings;

const std::vector<Reading> kTwo{
    {"000000000001", "first", true, QDate(2023, 4, 15)},
    {"000000000002", "second", std::nullopt, {}},
};

class DataFiles : public testing::Test {
protected:
    void SetUp() override {
        Operator::addReadings(1, kTwo);
        op.start();
        op.selectPage(px708::page::data);
    }
    TRadioGroup* group(const char* name) { return op.control<TRadioGroup>(name); }
    QString path(const char* name) const {
        return QString::fromStdString((op.workspace.root() / name).string());
    }
    // The next file dialog is answered with this file (or cancelled when it is empty).
    void answerFileDialog(const QString& file) {
        op.dialogs.setAnswer([file](QDialog& d) -> std::optional<int> {
            auto* dialog = qobject_cast<QFileDialog*>(&d);
            if (!dialog)
                return std::nullopt;
            if (file.isEmpty())
                return int(QDialog::Rejected);
            dialog->selectFile(file);
            return int(QDialog::Accepted);
        });
    }
    std::vector<QString> shownNames() const {
        std::vector<QString> names;
        for (const auto& d : op.dialogs.shown())
            names.push_back(d.objectName.isEmpty() ? d.text : d.objectName);
        return names;
    }
    static QByteArray contentOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeFile(const QString& file, const QByteArray& content) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    Operator op;
};

TEST_F(DataFiles, CsvNeedsASeparatorHtmlAndSylkDoNot) {
    EXPECT_EQ(group("rgcsv")->itemIndex(), 0) << "CSV is chosen at start";
    EXPECT_EQ(group("rgsep")->itemIndex(), -1);
    op.click("Button67");
    op.click("Button46");
    EXPECT_EQ(shownNames(), (std::vector<QString>{"You must select a CSV separator!",
                                                  "You must select a CSV separator!"}))
        << "no file dialog is shown";

    op.dialogs.clear();
    group("rgcsv")->setItemIndex(1);
    answerFileDialog(path("table"));
    op.click("Button46");
    EXPECT_EQ(shownNames(), std::vector<QString>{"Save1"});
    EXPECT_TRUE(
        contentOf(path("table.htm"))
            .contains("<TD NOWRAP ALIGN=\"left\" WIDTH=\"" +
                      QByteArray::number(op.grid()->horizontalHeader()->sectionSize(col::Alpha)) +
                      "\" SCOPE=\"row\">first</TD>"));
}

TEST_F(DataFiles, ExportWritesTheGridWithItsTitlesUnderTheChosenNamePlusExtension) {
    op.tbld().fieldByName(u"Alpha").setDisplayLabel(QStringLiteral("Owner"));
    group("rgsep")->setItemIndex(0);
    answerFileDialog(path("data.csv"));
    op.click("Button46");
    EXPECT_TRUE(op.dialogs.errorBoxes().empty());
    EXPECT_EQ(contentOf(path("data.csv.csv")),
              QByteArray("\"C_Code\";\"tag\";\"Type\";\"Lot\";\"Flagged\";\"Owner\";\"Bravo\";"
                         "\"Charly\";\"Date_\";\"Time_\";\"Comment\"\r\n"
                         ";\"000000000001\";;;\"True\";\"first\";;;\"15/04/2023\";;\r\n"
                         ";\"000000000002\";;;;\"second\";;;;;\r\n"));
    EXPECT_EQ(group("rgsep")->itemIndex(), 0) << "an export keeps the separator";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DataFiles, ImportAppendsToTheGridAndClearsTheSeparator) {
    const QString file = path("in.csv");
    writeFile(file, "header\r\n985;7;ISO FDX-B Non;3;False;café €5;;;16/04/2023;08:00:00;x1\r\n"
                    "985;8;AVID;4;;;;;;;\r\n");
    group("rgsep")->setItemIndex(0);
    answerFileDialog(file);
    op.click("Button67");
    EXPECT_TRUE(op.dialogs.errorBoxes().empty());
    ASSERT_EQ(op.grid()->model()->rowCount(), 4);
    EXPECT_EQ(op.cell(2, col::tag), "0000000007");
    EXPECT_EQ(op.cell(2, col::Alpha), QStringLiteral("café €5"));
    EXPECT_EQ(op.cell(2, col::Date_), "16/04/2023");
    EXPECT_EQ(op.cell(3, col::tag), "000000008");
    EXPECT_EQ(op.tbld().recNo(), 3) << "the cursor on the last new row";
    EXPECT_EQ(group("rgsep")->itemIndex(), -1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Cancelling the dialog imports nothing and clears the separator as well.
    group("rgsep")->setItemIndex(2);
    answerFileDialog({});
    op.click("Button67");
    EXPECT_EQ(op.grid()->model()->rowCount(), 4);
    EXPECT_EQ(group("rgsep")->itemIndex(), -1);
}

TEST_F(DataFiles, ImportErrorNamesTheFileAndTheLineAndKeepsTheRowsBefore) {
    const QString file = path("bad.csv");
    writeFile(file, "header\r\n985,7,,,,\r\n985,8,,,yes,\r\n985,9,,,,\r\n");
    group("rgsep")->setItemIndex(2);
    answerFileDialog(file);
    op.click("Button67");
    const auto boxes = op.dialogs.errorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, file + QStringLiteral("\nLine 3: 'yes' is not a valid boolean value "
                                                   "for field 'Flagged'\nThe row before it was "
                                                   "imported and stays in the table."));
    EXPECT_EQ(op.grid()->model()->rowCount(), 3);
    EXPECT_EQ(op.cell(2, col::tag), "0000000007");
    EXPECT_EQ(group("rgsep")->itemIndex(), -1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DataFiles, ExportOfAClosedTableWritesNoFileAndSaysWhatToDo) {
    op.tbld().close();
    group("rgcsv")->setItemIndex(2);
    answerFileDialog(path("closed"));
    op.click("Button46");
    const auto boxes = op.dialogs.errorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Select Database")));
    EXPECT_FALSE(QFile::exists(path("closed.xls")));
}

} // namespace
