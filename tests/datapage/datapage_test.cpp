#include "link/readerlink.h"
#include "store/bulkappend.h"
#include "store/fieldnames.h"
#include "tests/datapage/datapagefixture.h"
#include "ui/dbnavigator.h"
#include "ui/readingsmodel.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>

namespace {

using namespace datapagetest;
using px708::Table;
namespace col = px708::readings;

const std::vector<Reading> kThree{
    {"000000000001", "first", true, QDate(2023, 4, 15)},
    {"000000000002", "second", std::nullopt, {}},
    {"000000000003", "third", false, QDate(1999, 12, 31)},
};

// A field of the settings record as another program reads it from the file.
QString storedSetting(QStringView field) {
    px708::Database db;
    db.connect();
    Table tblc(db, QStringLiteral("reader"), px708::settingsSchema());
    tblc.setFileName(QStringLiteral("config.db"));
    tblc.open();
    return tblc.fieldByName(field).asString();
}

class DataPageTest : public testing::Test {
protected:
    void SetUp() override {
        Operator::addReadings(1, kThree);
        op.start();
        op.selectPage(px708::page::data);
    }
    Operator op;
};

TEST_F(DataPageTest, GridShowsTheCurrentTableInTheFieldsOrder) {
    ASSERT_EQ(op.grid()->model()->rowCount(), 3);
    ASSERT_EQ(op.grid()->model()->columnCount(), 11);
    EXPECT_EQ(op.cell(0, col::tag), "000000000001");
    EXPECT_EQ(op.cell(0, col::Flagged), "True");
    EXPECT_EQ(op.cell(1, col::Flagged), "") << "a null flag";
    EXPECT_EQ(op.cell(0, col::Date_), "15/04/2023");
    // The settings record names no field: the captions are blank and the titles are the
    // fields' own names, except the two fixed ones.
    const QStringList titles{"C_Code", "tag",    "Type",  "Lot",   "Flagged", "Alpha",
                             "Bravo",  "Charly", "Date_", "Time_", "Comment"};
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(op.title(c), titles[c]) << "column " << c;
    EXPECT_EQ(op.control<QLabel>("Label2")->text(), "");
    EXPECT_EQ(op.control<QLabel>("Label54")->text(), "C Code");
    EXPECT_EQ(op.control<QLabel>("Label55")->text(), "Type");
    EXPECT_EQ(op.control<QLabel>("Labeldump")->text(), "") << "cleared by the page change";

    // Widths follow the fields' widths in characters.
    QHeaderView* h = op.grid()->horizontalHeader();
    EXPECT_EQ(h->sectionSize(col::Alpha), h->sectionSize(col::Bravo));
    EXPECT_GT(h->sectionSize(col::Comment), 7 * h->sectionSize(col::Alpha));
    EXPECT_GT(h->sectionSize(col::Alpha), 2 * h->sectionSize(col::tag));
    EXPECT_GE(h->sectionSize(col::C_Code), h->fontMetrics().horizontalAdvance("C_Code"))
        << "a title wider than its field is not cut";
}

TEST_F(DataPageTest, RecordPanelFollowsTheGridAndTheNavigator) {
    EXPECT_EQ(op.control<QLabel>("DBText1")->text(), "000000000001");
    EXPECT_TRUE(op.control<QCheckBox>("Box1")->isChecked());
    op.grid()->setCurrentIndex(op.grid()->model()->index(1, col::Alpha));
    EXPECT_EQ(op.tbld().recNo(), 1);
    EXPECT_EQ(op.control<QLineEdit>("RecEdit3")->text(), "second");
    EXPECT_FALSE(op.control<QCheckBox>("Box1")->isChecked()) << "a null flag shows unchecked";
    EXPECT_EQ(op.control<QDateEdit>("RecDatePicker1")->text().trimmed(), "")
        << "a null date shows blank";

    op.form->dataPage()->DBNavigator1()->button(TDBNavigator::Button::Last)->click();
    EXPECT_EQ(op.tbld().recNo(), 2);
    EXPECT_TRUE(waitFor([&] { return op.grid()->currentIndex().row() == 2; }))
        << "the grid follows";
    EXPECT_EQ(op.control<QDateEdit>("RecDatePicker1")->text(), "31/12/1999");
}

TEST_F(DataPageTest, NavigatorButtonsCarryTheirHints) {
    const QStringList hints{"First record",  "Prior record",  "Next record", "Last record",
                            "Insert record", "Delete record", "Edit record", "Post edit",
                            "Cancel edit",   "Refresh data"};
    TDBNavigator* nav = op.form->dataPage()->DBNavigator1();
    EXPECT_EQ(nav->size(), QSize(360, 31));
    for (int i = 0; i < TDBNavigator::kButtonCount; ++i)
        EXPECT_EQ(nav->button(static_cast<TDBNavigator::Button>(i))->toolTip(), hints[i]);
    // On the first row in browse state.
    EXPECT_FALSE(nav->button(TDBNavigator::Button::First)->isEnabled());
    EXPECT_TRUE(nav->button(TDBNavigator::Button::Next)->isEnabled());
    EXPECT_FALSE(nav->button(TDBNavigator::Button::Post)->isEnabled());
}

struct DeleteCase {
    const char* name;
    QMessageBox::StandardButton answer;
    int rowsLeft;
};

class DeleteTest : public DataPageTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, AsksFirst) {
    QString asked;
    op.dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        if (auto* box = qobject_cast<QMessageBox*>(&d))
            asked = box->text();
        return GetParam().answer;
    });
    op.form->dataPage()->DBNavigator1()->button(TDBNavigator::Button::Delete)->click();
    EXPECT_EQ(asked, "Delete record?");
    EXPECT_EQ(op.tbld().recordCount(), GetParam().rowsLeft);
    EXPECT_EQ(op.grid()->model()->rowCount(), GetParam().rowsLeft);
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteTest,
                         testing::Values(DeleteCase{"Cancel_keeps_the_row", QMessageBox::Cancel, 3},
                                         DeleteCase{"OK_deletes_it", QMessageBox::Ok, 2}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(DataPageTest, TypedTextsAreCutToTheFieldsWidths) {
    op.type("RecEdit3", QString(40, QLatin1Char('a')));
    EXPECT_EQ(op.tbld().state(), Table::State::Edit);
    EXPECT_EQ(op.tbld().fieldByName(u"Alpha").asString(), QString(30, QLatin1Char('a')));

    auto* memo = op.control<QPlainTextEdit>("DBMemo1");
    QTest::mouseClick(memo->viewport(), Qt::LeftButton);
    memo->insertPlainText(QString(300, QLatin1Char('c')));
    EXPECT_EQ(memo->toPlainText().size(), 250);
    EXPECT_EQ(op.tbld().fieldByName(u"Comment").asString().size(), 250);
}

TEST_F(DataPageTest, ATimeThatIsNoTimeIsReportedAndNotStored) {
    op.type("RecEdit7", "25:61");
    op.leave();
    ASSERT_EQ(op.dialogs.errorBoxes().size(), 1u);
    EXPECT_EQ(op.dialogs.errorBoxes()[0].text, "'25:61' is not a valid time");
    op.type("RecEdit7", "07:08:09");
    op.leave();
    EXPECT_EQ(op.tbld().fieldByName(u"Time_").asString(), "07:08:09");
}

struct DateEntry {
    const char* name;
    int row;
    const char* typed; // day, month and year digits, the year with two
    QDate stored;
};

class RecordDateTest : public DataPageTest, public testing::WithParamInterface<DateEntry> {};

TEST_P(RecordDateTest, TwoDigitYearsFallIn1950To2049) {
    op.tbld().moveTo(GetParam().row);
    auto* picker = op.control<QDateEdit>("RecDatePicker1");
    // A click lands on the editor's text, which is its line edit.
    auto* text = picker->findChild<QLineEdit*>();
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(4, text->height() / 2));
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(picker, GetParam().typed);
    // Tab would step through the date's sections first; the operator clicks elsewhere.
    op.control("RecEdit3")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(op.tbld().fieldByName(u"Date_").asDate(), GetParam().stored);
    EXPECT_EQ(op.cell(GetParam().row, col::Date_), GetParam().stored.toString("dd/MM/yyyy"));
    if (!GetParam().stored.isValid()) {
        EXPECT_EQ(op.tbld().state(), Table::State::Browse);
        EXPECT_TRUE(waitFor([&] { return picker->text().trimmed().isEmpty(); }, 1s));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RecordDateTest,
    testing::Values(DateEntry{"over_a_date", 0, "010149", QDate(2049, 1, 1)},
                    DateEntry{"into_a_row_without_date", 1, "311250", QDate(1950, 12, 31)},
                    DateEntry{"entered_and_left_without_a_change", 1, "", QDate()}),
    [](const auto& p) { return std::string(p.param.name); });

struct KeptEdit {
    const char* name;
    bool postWithNavigator;
};

class EditSurvivesRestartTest : public DataPageTest,
                                public testing::WithParamInterface<KeptEdit> {};

TEST_P(EditSurvivesRestartTest, InTheRecordPanel) {
    op.type("RecEdit3", "changed");
    op.type("RecEdit7", "12:34:56");
    auto* box = op.control<QCheckBox>("Box1");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    if (GetParam().postWithNavigator)
        op.form->dataPage()->DBNavigator1()->button(TDBNavigator::Button::Post)->click();
    // Otherwise the window is closed with the row still being edited.
    op.restart();
    EXPECT_EQ(op.tbld().fieldByName(u"Alpha").asString(), "changed");
    EXPECT_EQ(op.tbld().fieldByName(u"Time_").asString(), "12:34:56");
    EXPECT_FALSE(op.tbld().fieldByName(u"Flagged").asBoolean());
    EXPECT_EQ(op.tbld().integrityCheck(), "ok");
}

INSTANTIATE_TEST_SUITE_P(Ways, EditSurvivesRestartTest,
                         testing::Values(KeptEdit{"posted", true},
                                         KeptEdit{"pending_at_close", false}),
                         [](const auto& p) { return std::string(p.param.name); });

enum class AppendWay { RowByRow, AppendRow, Bulk };

struct PendingCase {
    const char* name;
    const char* typed;  // into the record panel's time editor, not left
    AppendWay way;      // how the row comes in meanwhile
    const char* stored; // the time stored in the first row
    const char* error;  // the error box shown, or ""
};

class PendingTextTest : public DataPageTest, public testing::WithParamInterface<PendingCase> {};

// A download appends rows while the operator is still typing a time: the typed text goes into
// the row it was typed for before the cursor leaves it.
TEST_P(PendingTextTest, ATimeBeingTypedSurvivesARowAppendedMeanwhile) {
    const PendingCase& c = GetParam();
    op.type("RecEdit7", QString::fromLatin1(c.typed));
    ASSERT_EQ(op.control<QLineEdit>("RecEdit7")->text(), c.typed);
    Table& tbld = op.tbld();
    const QString tag = QStringLiteral("000000000004");
    switch (c.way) {
    case AppendWay::RowByRow:
        tbld.append();
        tbld.fieldByName(u"tag").setAsString(tag);
        tbld.post();
        break;
    case AppendWay::AppendRow: {
        px708::RowValues row(tbld);
        row.setText(col::tag, tag);
        tbld.appendRow(row);
        break;
    }
    case AppendWay::Bulk: {
        px708::BulkAppend bulk(tbld);
        px708::RowValues row = bulk.newRow();
        row.setText(col::tag, tag);
        bulk.append(row);
        bulk.finish();
        break;
    }
    }
    EXPECT_EQ(tbld.recNo(), 3);
    EXPECT_EQ(op.control<QLabel>("DBText1")->text(), tag) << "the panel shows the new row";
    std::vector<QString> errors;
    for (const auto& box : op.dialogs.errorBoxes())
        errors.push_back(box.text);
    EXPECT_EQ(errors, c.error[0] ? std::vector<QString>{QString::fromLatin1(c.error)}
                                 : std::vector<QString>{});
    op.restart();
    EXPECT_EQ(op.tbld().recordCount(), 4);
    op.tbld().first();
    EXPECT_EQ(op.tbld().fieldByName(u"Time_").asString(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PendingTextTest,
    testing::Values(PendingCase{"row_by_row", "12:34:56", AppendWay::RowByRow, "12:34:56", ""},
                    PendingCase{"single_durable_append", "12:34:56", AppendWay::AppendRow,
                                "12:34:56", ""},
                    PendingCase{"bulk_append", "7:08", AppendWay::Bulk, "07:08:00", ""},
                    PendingCase{"no_time_is_told_not_dropped_unseen", "25:61", AppendWay::AppendRow,
                                "", "'25:61' is not a valid time"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DataPageTest, ATextTypedIntoAGridCellSurvivesARowAppendedMeanwhile) {
    QTableView* grid = op.grid();
    const QModelIndex cell = grid->model()->index(0, col::Bravo);
    grid->setFocus();
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    QWidget* editor = grid->indexWidget(cell);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "typed in the grid");
    px708::RowValues row(op.tbld());
    row.setText(col::tag, QStringLiteral("000000000004"));
    op.tbld().appendRow(row);
    EXPECT_EQ(op.tbld().recNo(), 3) << "the cursor stays with the appended row";
    op.restart();
    op.tbld().first();
    EXPECT_EQ(op.tbld().fieldByName(u"Bravo").asString(), "typed in the grid");
}

TEST_F(DataPageTest, AGridEditIsStoredWhenTheCursorLeavesTheRow) {
    QTableView* grid = op.grid();
    const QModelIndex cell = grid->model()->index(0, col::Bravo);
    grid->setFocus();
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    QWidget* editor = grid->indexWidget(cell);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "typed in the grid");
    QTest::keyClick(editor, Qt::Key_Return);
    // The view hands the editor's text to the model once the key event is over.
    EXPECT_TRUE(
        waitFor([&] { return op.tbld().fieldByName(u"Bravo").asString() == "typed in the grid"; }));
    EXPECT_EQ(op.tbld().state(), Table::State::Edit);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(op.tbld().state(), Table::State::Browse);
    EXPECT_EQ(op.tbld().recNo(), 1);
    op.restart();
    EXPECT_EQ(op.tbld().fieldByName(u"Bravo").asString(), "typed in the grid");
}

struct TableChoice {
    int n;
    std::optional<QColor> colour; // none: the button face
};

class SelectDatabaseTest : public testing::TestWithParam<TableChoice> {};

TEST_P(SelectDatabaseTest, ShowsTheTableInItsColour) {
    Operator op;
    const int n = GetParam().n;
    Operator::addReadings(n, {{QStringLiteral("table%1").arg(n), "x", true, {}}});
    Operator::addReadings(n, {{QStringLiteral("second"), "y", true, {}}});
    op.start();
    op.selectPage(px708::page::data);
    op.tbld().moveTo(1);
    op.control<QSpinBox>("Spin")->setValue(n);
    op.click("Button45");
    EXPECT_TRUE(op.dialogs.errorBoxes().empty());
    EXPECT_EQ(op.tbld().fileName(), px708::readingsTableFileName(n));
    EXPECT_EQ(op.tbld().recNo(), 0) << "the new table from its first row";
    EXPECT_EQ(op.cell(0, col::tag), QStringLiteral("table%1").arg(n));
    const QColor expected =
        GetParam().colour.value_or(QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(op.control("Panel12")->palette().color(QPalette::Window), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, SelectDatabaseTest,
    testing::Values(TableChoice{1, std::nullopt}, TableChoice{2, QColor(210, 230, 210)},
                    TableChoice{3, QColor(245, 220, 197)}, TableChoice{4, QColor(255, 255, 204)},
                    TableChoice{5, QColor(213, 243, 255)}, TableChoice{6, QColor(240, 206, 253)}),
    [](const auto& p) { return "table" + std::to_string(p.param.n); });

TEST_F(DataPageTest, ATableThatCannotBeOpenedLeavesTheGridEmptyAndTheColour) {
    op.control<QSpinBox>("Spin")->setValue(3);
    op.click("Button45");
    const QColor three = op.control("Panel12")->palette().color(QPalette::Window);
    ASSERT_TRUE(QFile::remove(uitest::Workspace::databaseFolder() + "/4data.db"));
    op.control<QSpinBox>("Spin")->setValue(4);
    op.click("Button45");
    ASSERT_EQ(op.dialogs.errorBoxes().size(), 1u);
    EXPECT_TRUE(op.dialogs.errorBoxes()[0].text.startsWith("tbld: "))
        << op.dialogs.errorBoxes()[0].text.toStdString();
    EXPECT_FALSE(op.tbld().isOpen());
    EXPECT_EQ(op.grid()->model()->rowCount(), 0);
    EXPECT_FALSE(op.control("RecEdit3")->isEnabled());
    EXPECT_EQ(op.control("Panel12")->palette().color(QPalette::Window), three);
    // Pressing again with a table that is there opens it.
    op.control<QSpinBox>("Spin")->setValue(1);
    op.click("Button45");
    EXPECT_EQ(op.grid()->model()->rowCount(), 3);
}

TEST_F(DataPageTest, TheNumberBoxHandsTheFocusToSelectDatabase) {
    auto* spin = op.control<QSpinBox>("Spin");
    auto* select = op.control<QWidget>("Button45");
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(8, spin->height() / 2));
    EXPECT_EQ(QApplication::focusWidget(), select) << "clicked into";
    op.control<QWidget>("Button59")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), select) << "tabbed to";
    QTest::keyClick(select, Qt::Key_Backtab);
    EXPECT_NE(QApplication::focusWidget(), spin) << "no trap for Shift+Tab";
    EXPECT_NE(QApplication::focusWidget(), select);
    // The arrows step the number and the table stays until the button is pressed.
    QTest::keyClick(select, Qt::Key_Up);
    QTest::keyClick(select, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 3);
    EXPECT_EQ(op.tbld().fileName(), "1data.db");
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(select, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 6) << "the arrows stop at the ends";
}

struct EmptyCase {
    const char* name;
    QMessageBox::StandardButton answer;
    bool anotherProgramHoldsTheTable;
    int rowsLeft;
    const char* message; // the plain message box shown, or ""
};

class EmptyTableTest : public DataPageTest, public testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptyTableTest, AsksAndNeedsExclusiveUse) {
    const EmptyCase& c = GetParam();
    px708::Database other;
    std::unique_ptr<Table> held;
    if (c.anotherProgramHoldsTheTable) {
        other.connect();
        held = std::make_unique<Table>(other, QStringLiteral("other"), px708::readingsSchema());
        held->setFileName(QStringLiteral("1data.db"));
        held->open();
    }
    QStringList texts;
    op.dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        auto* box = qobject_cast<QMessageBox*>(&d);
        if (!box)
            return std::nullopt;
        texts << box->text();
        return box->icon() == QMessageBox::Question ? std::optional<int>(c.answer) : std::nullopt;
    });
    op.click("Button56");
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts[0], "Are you sure you want to delete all this data? ");
    EXPECT_EQ(texts.size() > 1 ? texts[1] : QString(), QString::fromLatin1(c.message));
    EXPECT_TRUE(op.tbld().isOpen());
    EXPECT_FALSE(op.tbld().exclusive()) << "shared use again";
    EXPECT_EQ(op.grid()->model()->rowCount(), c.rowsLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmptyTableTest,
    testing::Values(EmptyCase{"No_changes_nothing", QMessageBox::No, false, 3, ""},
                    EmptyCase{"Yes_empties", QMessageBox::Yes, false, 0, ""},
                    EmptyCase{"Yes_while_another_program_holds_it", QMessageBox::Yes, true, 3,
                              px708::kNotExclusiveText}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DataPageTest, CancelAllFlagsClearsEveryFlag) {
    op.click("Button59");
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(op.cell(row, col::Flagged), "False") << "row " << row;
    EXPECT_EQ(op.tbld().recNo(), 2) << "left on the last row";
    op.restart();
    op.tbld().first();
    EXPECT_FALSE(op.tbld().fieldByName(u"Flagged").asBoolean());
    EXPECT_FALSE(op.tbld().fieldByName(u"Flagged").isNull());
}

TEST(DataPageStartTest, AMissingReadingsTableIsReportedAndTheOthersCanBeSelected) {
    Operator op;
    ASSERT_TRUE(QFile::remove(uitest::Workspace::databaseFolder() + "/1data.db"));
    Operator::addReadings(2, kThree);
    px708::DateSettings::applyAtStartUp(1, u"-"); // what an earlier run left
    op.start();
    ASSERT_EQ(op.dialogs.errorBoxes().size(), 1u);
    EXPECT_TRUE(op.dialogs.errorBoxes()[0].text.startsWith("tbld: "))
        << op.dialogs.errorBoxes()[0].text.toStdString();
    EXPECT_TRUE(op.form->Com1().Open()) << "the show step goes on";
    EXPECT_EQ(px708::DateSettings::shortDatePattern(), "dd/MM/yyyy")
        << "the date settings are made all the same";
    op.selectPage(px708::page::data);
    EXPECT_EQ(op.grid()->model()->rowCount(), 0);
    op.control<QSpinBox>("Spin")->setValue(2);
    op.click("Button45");
    EXPECT_EQ(op.grid()->model()->rowCount(), 3);
    EXPECT_EQ(op.dialogs.errorBoxes().size(), 1u);
}

TEST(DataPageEmptyTableTest, CancelAllFlagsOnAnEmptyTableDoesNothing) {
    Operator op;
    op.start();
    op.selectPage(px708::page::data);
    op.click("Button59");
    EXPECT_TRUE(op.dialogs.errorBoxes().empty());
    EXPECT_EQ(op.tbld().recordCount(), 0);
}

TEST_F(DataPageTest, FieldNamesAreStoredOnLeavingAndAppliedAtHide) {
    EXPECT_FALSE(op.control("Panel68")->isVisible());
    op.click("Button63");
    ASSERT_TRUE(op.control("Panel68")->isVisible());
    op.type("DBEdit3", "Weight");
    EXPECT_EQ(op.tblc().state(), Table::State::Edit);
    EXPECT_EQ(storedSetting(u"field2"), "") << "not before leaving";
    op.leave();
    EXPECT_EQ(storedSetting(u"field2"), "Weight") << "stored on leaving";
    EXPECT_EQ(op.title(col::Alpha), "Alpha") << "not before Hide";
    op.type("DBEdit11", "Country");
    op.type("DBEdit10", QString(25, QLatin1Char('n')));
    op.leave();
    op.click("Button64");
    EXPECT_FALSE(op.control("Panel68")->isVisible());
    EXPECT_EQ(op.control<QLabel>("Label2")->text(), "Weight");
    EXPECT_EQ(op.title(col::Alpha), "Weight");
    EXPECT_EQ(op.title(col::tag), QString(20, QLatin1Char('n'))) << "a name takes 20 characters";
    // The country code's name titles nothing.
    EXPECT_EQ(op.tblc().fieldByName(u"field9").asString(), "Country");
    EXPECT_EQ(op.title(col::C_Code), "C_Code");
    EXPECT_EQ(op.control<QLabel>("Label54")->text(), "C Code");
    op.restart();
    EXPECT_EQ(op.control<QLabel>("Label2")->text(), "Weight") << "applied at the start";
}

} // namespace
