#include "store/storeerror.h"
#include "tests/store/storefixture.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace px708::test {
namespace {

// Replaces a table file by one made with the given SQL.
void writeTableFile(const QString& path, const char* sql) {
    QFile::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

std::string tags(Table& t) {
    std::string out;
    for (t.first(); !t.eof(); t.next())
        out += t.fieldByName(u"tag").asString().toStdString() + ",";
    return out;
}

using TableOps = StoreFixture;

TEST_F(TableOps, RowsKeepStoredOrderAndSurviveReopening) {
    auto t = readings();
    t->open();
    EXPECT_TRUE(t->eof());
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->recNo(), -1);
    for (const char* tag : {"c", "a", "b"})
        addRow(*t, QString::fromLatin1(tag));
    EXPECT_EQ(tags(*t), "c,a,b,");
    t->close();
    t->open();
    EXPECT_EQ(t->recordCount(), 3);
    EXPECT_EQ(tags(*t), "c,a,b,");
}

TEST_F(TableOps, EditPostCancelAndDelete) {
    auto t = readings();
    t->open();
    for (const char* tag : {"1", "2", "3"})
        addRow(*t, QString::fromLatin1(tag));

    t->moveTo(1);
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("two"));
    t->cancel();
    EXPECT_EQ(t->fieldByName(u"tag").asString(), "2");

    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("two"));
    t->post();
    EXPECT_EQ(t->state(), Table::State::Browse);

    t->append();
    EXPECT_EQ(t->recordCount(), 4) << "the new row is shown while it is inserted";
    EXPECT_EQ(t->recNo(), 3);
    t->cancel();
    EXPECT_EQ(t->recordCount(), 3);
    EXPECT_EQ(t->recNo(), 1) << "cancelling an insert returns to the row before it";

    t->remove();
    EXPECT_EQ(t->recNo(), 1);
    EXPECT_EQ(t->fieldByName(u"tag").asString(), "3") << "the cursor moves to the next row";
    t->last();
    t->remove();
    EXPECT_EQ(t->recNo(), 0) << "deleting the last row moves back";

    t->close();
    t->open();
    EXPECT_EQ(tags(*t), "1,");
}

TEST_F(TableOps, MovingWhileEditingPostsAModifiedRowAndDropsAnUntouchedEdit) {
    auto t = readings();
    t->open();
    addRow(*t, QStringLiteral("a"));
    addRow(*t, QStringLiteral("b"));
    t->first();
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("A"));
    t->next();
    EXPECT_EQ(t->state(), Table::State::Browse);
    t->edit();
    t->first();
    EXPECT_EQ(t->state(), Table::State::Browse);
    t->close();
    t->open();
    EXPECT_EQ(tags(*t), "A,b,");
}

TEST_F(TableOps, EditOnAnEmptyTableStartsTheRow) {
    auto c = settingsTable();
    c->open();
    c->edit();
    EXPECT_EQ(c->state(), Table::State::Insert);
    c->fieldByName(u"port").setAsInteger(3);
    c->post();
    c->close();
    c->open();
    EXPECT_EQ(c->recordCount(), 1);
    EXPECT_EQ(c->fieldByName(u"port").asInteger(), 3);
}

TEST_F(TableOps, CloseDropsAnUnpostedChange) {
    auto t = readings();
    t->open();
    addRow(*t, QStringLiteral("kept"));
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("lost"));
    t->append();
    t->fieldByName(u"tag").setAsString(QStringLiteral("lost too"));
    t->close();
    t->open();
    EXPECT_EQ(tags(*t), "lost,") << "append posted the modified row before starting a new one";
}

TEST_F(TableOps, MisuseFailsWithTheStoresError) {
    auto t = readings();
    EXPECT_THROW(t->first(), DatabaseError) << "closed table";
    t->open();
    try {
        t->fieldByName(u"tag").setAsString(QStringLiteral("x"));
        FAIL() << "a write outside edit state must fail";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), "tbld: Table is not in edit or insert mode");
    }
    EXPECT_THROW(t->remove(), DatabaseError) << "empty table";
    EXPECT_THROW(t->empty(), DatabaseError) << "emptying needs exclusive use";
    try {
        t->fieldByName(u"nosuch");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), "tbld: Field 'nosuch' not found");
    }
}

TEST_F(TableOps, EmptyRemovesEveryRowOfAnExclusiveTable) {
    auto t = readings();
    t->setExclusive(true);
    t->open();
    addRow(*t, QStringLiteral("a"));
    addRow(*t, QStringLiteral("b"));
    t->empty();
    EXPECT_EQ(t->recordCount(), 0);
    EXPECT_TRUE(t->eof());
    t->close();
    t->setExclusive(false);
    t->open();
    EXPECT_EQ(t->recordCount(), 0);
}

TEST_F(TableOps, NewRowsKeepTheColumnDefaultsOfUnsetFields) {
    writeTableFile(db_.tablePath(QStringLiteral("2data.db")),
                   "CREATE TABLE r (C_Code VARCHAR(3), tag VARCHAR(12), Type VARCHAR(13), Lot "
                   "VARCHAR(3), Flagged BOOLEAN DEFAULT 0, Alpha VARCHAR(30) DEFAULT 'x', Bravo "
                   "VARCHAR(30), Charly VARCHAR(30), Date_ DATE, Time_ TIME, Comment "
                   "VARCHAR(250), Extra TEXT)");
    auto t = readings(QStringLiteral("2data.db"));
    t->open();
    addRow(*t, QStringLiteral("1"));
    t->refresh();
    EXPECT_EQ(t->fieldByName(u"Alpha").asString(), "x");
    EXPECT_EQ(t->fieldByName(u"Flagged").asString(), "False");
    EXPECT_TRUE(t->fieldByName(u"Bravo").isNull());
}

struct BindingCase {
    const char* name;
    const char* file;
    const char* sql;
    const char* error;
};

class FieldBinding : public StoreFixture, public ::testing::WithParamInterface<BindingCase> {};

TEST_P(FieldBinding, OpenFailsAndLeavesTheTableClosed) {
    const BindingCase& c = GetParam();
    writeTableFile(db_.tablePath(QString::fromLatin1(c.file)), c.sql);
    const bool settings = QString::fromLatin1(c.file) == QLatin1String(kSettingsFileName);
    auto t = settings ? settingsTable() : readings(QString::fromLatin1(c.file));
    try {
        t->open();
        FAIL() << "open must fail";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text().toStdString(), c.error);
    }
    EXPECT_FALSE(t->isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldBinding,
    ::testing::Values(
        BindingCase{"missing_Comment", "1data.db",
                    "CREATE TABLE r (C_Code VARCHAR(3), tag VARCHAR(12), Type VARCHAR(13), Lot "
                    "VARCHAR(3), Flagged BOOLEAN, Alpha VARCHAR(30), Bravo VARCHAR(30), Charly "
                    "VARCHAR(30), Date_ DATE, Time_ TIME)",
                    "tbld: Field 'Comment' not found"},
        BindingCase{"Flagged_as_text", "1data.db",
                    "CREATE TABLE r (C_Code VARCHAR(3), tag VARCHAR(12), Type VARCHAR(13), Lot "
                    "VARCHAR(3), Flagged VARCHAR(5), Alpha VARCHAR(30), Bravo VARCHAR(30), Charly "
                    "VARCHAR(30), Date_ DATE, Time_ TIME, Comment VARCHAR(250))",
                    "tbld: Type mismatch for field 'Flagged', expecting: Boolean actual: String"},
        BindingCase{"Date_as_datetime", "1data.db",
                    "CREATE TABLE r (C_Code VARCHAR(3), tag VARCHAR(12), Type VARCHAR(13), Lot "
                    "VARCHAR(3), Flagged BOOLEAN, Alpha VARCHAR(30), Bravo VARCHAR(30), Charly "
                    "VARCHAR(30), Date_ DATETIME, Time_ TIME, Comment VARCHAR(250))",
                    "tbld: Type mismatch for field 'Date_', expecting: Date actual: DateTime"},
        BindingCase{"port_as_text", "config.db",
                    "CREATE TABLE s (port TEXT, baud INTEGER, no_read VARCHAR(30), prefix "
                    "VARCHAR(31), suffix VARCHAR(31), progbaud INTEGER, ddmmyy INTEGER, "
                    "separator VARCHAR(1), field1 VARCHAR(20), field2 VARCHAR(20), field3 "
                    "VARCHAR(20), field4 VARCHAR(20), field5 VARCHAR(20), field6 VARCHAR(20), "
                    "field7 VARCHAR(20), field8 VARCHAR(20), field0 VARCHAR(20), field9 "
                    "VARCHAR(20))",
                    "tblc: Type mismatch for field 'port', expecting: Integer actual: String"}),
    [](const auto& row) { return std::string(row.param.name); });

// The file-specific texts carry the path, so they are checked apart.
TEST_F(TableOps, AFileWithoutATableOrNotADatabaseFails) {
    const QString path = db_.tablePath(QStringLiteral("1data.db"));
    writeTableFile(path, "PRAGMA user_version = 1");
    auto t = readings();
    try {
        t->open();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("tbld: %1 holds no table").arg(path));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(8192, 'x'));
    f.close();
    try {
        t->open();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), "tbld: file is not a database");
        EXPECT_EQ(e.code() & 0xff, SQLITE_NOTADB);
    }
}

struct WidthCase {
    const char* field;
    QString text;
    QString stored;
};

class TextWidths : public StoreFixture, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(TextWidths, TextIsCutToTheFieldsWidth) {
    const WidthCase& c = GetParam();
    auto t = readings();
    t->open();
    t->append();
    t->fieldByName(QString::fromLatin1(c.field)).setAsString(c.text);
    t->post();
    t->close();
    t->open();
    EXPECT_EQ(t->fieldByName(QString::fromLatin1(c.field)).asString(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextWidths,
    ::testing::Values(
        WidthCase{"C_Code", "9851", "985"}, WidthCase{"tag", "0123456789012345", "012345678901"},
        WidthCase{"Type", "ISO FDX-B Non-Animal", "ISO FDX-B Non"}, WidthCase{"Lot", "01", "01"},
        WidthCase{"Alpha", QString(31, QLatin1Char('a')), QString(30, QLatin1Char('a'))},
        WidthCase{"Comment", QString(260, QLatin1Char('c')), QString(250, QLatin1Char('c'))},
        // Two emoji of two UTF-16 units each: the cut counts characters.
        WidthCase{"C_Code", QString::fromUtf8("\xF0\x9F\x90\x84\xF0\x9F\x90\x91xy"),
                  QString::fromUtf8("\xF0\x9F\x90\x84\xF0\x9F\x90\x91x")}),
    [](const auto& row) { return std::to_string(row.index) + "_" + row.param.field; });

TEST_F(TableOps, SettingsSeparatorTakesOneCharacter) {
    auto c = settingsTable();
    c->open();
    c->edit();
    c->fieldByName(u"separator").setAsString(QStringLiteral("-/"));
    c->post();
    EXPECT_EQ(c->fieldByName(u"separator").asString(), "-");
}

struct BooleanCase {
    const char* name;
    const char* text;
    int expected; // -1 null, 0 false, 1 true, 2 refused
};

class Booleans : public StoreFixture, public ::testing::WithParamInterface<BooleanCase> {};

TEST_P(Booleans, FlaggedTakesTextAsTheImportGivesIt) {
    const BooleanCase& c = GetParam();
    auto t = readings();
    t->open();
    t->append();
    Field& flagged = t->fieldByName(u"Flagged");
    if (c.expected == 2) {
        try {
            flagged.setAsString(QString::fromLatin1(c.text));
            FAIL();
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid boolean value for field 'Flag'")
                                    .arg(QString::fromLatin1(c.text)));
        }
        return;
    }
    flagged.setAsString(QString::fromLatin1(c.text));
    t->post();
    t->close();
    t->open();
    const Field& stored = t->fieldByName(u"Flagged");
    EXPECT_EQ(stored.isNull(), c.expected == -1);
    EXPECT_EQ(stored.asBoolean(), c.expected == 1);
    EXPECT_EQ(stored.asString(), c.expected == -1 ? "" : c.expected == 1 ? "True" : "False");
}

INSTANTIATE_TEST_SUITE_P(Cases, Booleans,
                         ::testing::Values(BooleanCase{"empty_is_null", "", -1},
                                           BooleanCase{"F", "F", 0}, BooleanCase{"fa", "fa", 0},
                                           BooleanCase{"FALSE", "FALSE", 0},
                                           BooleanCase{"t", "t", 1}, BooleanCase{"tru", "tru", 1},
                                           BooleanCase{"TRUE", "TRUE", 1},
                                           BooleanCase{"one", "1", 2}, BooleanCase{"yes", "yes", 2},
                                           BooleanCase{"Falsehood", "Falsehood", 2},
                                           BooleanCase{"Flagged_lower", "flagged", 2}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(TableOps, BooleanErrorNamesTheFieldByItsDisplayName) {
    auto t = readings();
    t->open();
    t->append();
    Field& flagged = t->fieldByName(u"Flagged");
    flagged.setDisplayLabel(QStringLiteral("Marked"));
    EXPECT_THROW(
        {
            try {
                flagged.setAsString(QStringLiteral("x"));
            } catch (const ConvertError& e) {
                EXPECT_EQ(e.text(), "'x' is not a valid boolean value for field 'Marked'");
                throw;
            }
        },
        ConvertError);
    flagged.setDisplayLabel(QString());
    EXPECT_EQ(flagged.displayName(), "Flagged") << "an empty label shows the field's own name";
    t->close();
    EXPECT_EQ(flagged.displayLabel(), "") << "the label outlives closing";
}

struct DateCase {
    int order;
    const char* separator;
    const char* written;
    const char* shown;
    const char* iso; // nullptr: refused
};

class DateFields : public StoreFixture, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateFields, DateTextIsReadInTheProgramsFormatAndStoredNeutrally) {
    const DateCase& c = GetParam();
    DateSettings::applyAtStartUp(c.order, QString::fromLatin1(c.separator));
    auto t = readings();
    t->open();
    t->append();
    Field& date = t->fieldByName(u"Date_");
    if (c.iso == nullptr) {
        try {
            date.setAsString(QString::fromLatin1(c.written));
            FAIL();
        } catch (const ConvertError& e) {
            EXPECT_EQ(
                e.text(),
                QStringLiteral("'%1' is not a valid date").arg(QString::fromLatin1(c.written)));
        }
        return;
    }
    date.setAsString(QString::fromLatin1(c.written));
    t->post();
    EXPECT_EQ(t->storedValue(0, readings::Date_).toString().toStdString(), c.iso);
    EXPECT_EQ(date.asString().toStdString(), c.shown);
    EXPECT_EQ(t->displayText(0, readings::Date_).toStdString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateFields,
    ::testing::Values(DateCase{0, "/", "15/04/2023", "15/04/2023", "2023-04-15"},
                      DateCase{0, "-", "5-4-2023", "05-04-2023", "2023-04-05"},
                      DateCase{0, ".", "15.04.23", "15.04.2023", "2023-04-15"},
                      DateCase{1, "/", "04/15/2023", "04/15/2023", "2023-04-15"},
                      DateCase{1, "-", "04-15-49", "04-15-2049", "2049-04-15"},
                      DateCase{1, ".", "04.15.50", "04.15.1950", "1950-04-15"},
                      DateCase{0, "", "15042023", "15042023", "2023-04-15"},
                      DateCase{0, "/", "04/15/2023", "", nullptr},
                      DateCase{1, "-", "02-30-2024", "", nullptr},
                      DateCase{0, ".", "15/04/2023", "", nullptr}),
    [](const auto& row) { return "row" + std::to_string(row.index); });

TEST_F(TableOps, TimeTextIsStoredAsHoursMinutesSeconds) {
    auto t = readings();
    t->open();
    t->append();
    Field& time = t->fieldByName(u"Time_");
    time.setAsString(QStringLiteral("9:05"));
    EXPECT_EQ(time.storedValue().toString(), "09:05:00");
    time.setAsString(QStringLiteral("14:30:05"));
    EXPECT_EQ(time.asString(), "14:30:05");
    EXPECT_THROW(time.setAsString(QStringLiteral("24:00")), ConvertError);
    try {
        time.setAsString(QStringLiteral("14:30:05:00"));
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.text(), "'14:30:05:00' is not a valid time");
    }
    EXPECT_EQ(time.asString(), "14:30:05") << "a refused text leaves the value";
    time.setAsString(QString());
    EXPECT_TRUE(time.isNull());
}

TEST_F(TableOps, IntegerFieldsTakeTextAndNull) {
    auto c = settingsTable();
    c->open();
    c->edit();
    Field& order = c->fieldByName(u"ddmmyy");
    EXPECT_EQ(order.asString(), "");
    EXPECT_EQ(order.asInteger(), 0);
    order.setAsString(QStringLiteral("1"));
    EXPECT_EQ(order.asInteger(), 1);
    EXPECT_THROW(order.setAsString(QStringLiteral("one")), ConvertError);
    order.setAsString(QString());
    EXPECT_TRUE(order.isNull());
}

// The grid reads by position in pages; these cross page edges and row id gaps.
TEST_F(TableOps, RowsReadByPositionAcrossPagesAndGaps) {
    const QString path = db_.tablePath(QStringLiteral("1data.db"));
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
        sqlite3_exec(
            raw,
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
            "INSERT INTO readings(tag) SELECT i FROM n; DELETE FROM readings WHERE rowid "
            "BETWEEN 250 AND 260;",
            nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    auto t = readings();
    t->open();
    ASSERT_EQ(t->recordCount(), 989);
    EXPECT_EQ(t->displayText(0, readings::tag), "1");
    EXPECT_EQ(t->displayText(248, readings::tag), "249");
    EXPECT_EQ(t->displayText(249, readings::tag), "261");
    EXPECT_EQ(t->displayText(988, readings::tag), "1000");
    EXPECT_EQ(t->displayText(989, readings::tag), "") << "past the end";
    EXPECT_EQ(t->recNo(), 0) << "reading by position leaves the cursor";

    t->moveTo(500);
    t->remove();
    EXPECT_EQ(t->displayText(500, readings::tag), "513");
    t->moveTo(700);
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("pending"));
    EXPECT_EQ(t->displayText(700, readings::tag), "pending")
        << "the row being edited shows its change";
    t->post();
    t->append();
    t->fieldByName(u"tag").setAsString(QStringLiteral("new"));
    EXPECT_EQ(t->displayText(988, readings::tag), "new");
    t->post();
    t->last();
    EXPECT_EQ(t->fieldByName(u"tag").asString(), "new");
}

// Runs SQL on the table file through a connection of its own, as another program would.
void otherProgramRuns(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 2000);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

const char* const kLegacyReadings =
    "CREATE TABLE readings (C_Code VARCHAR(3), tag VARCHAR(12), Type VARCHAR(13), Lot "
    "VARCHAR(3), Flagged BOOLEAN, Alpha VARCHAR(30), Bravo VARCHAR(30), Charly VARCHAR(30), "
    "Date_ DATE, Time_ TIME, Comment VARCHAR(250))";

struct IdentityCase {
    const char* name;
    bool legacy;          // a table file made before the row key: row ids only
    const char* otherSql; // what another program does while the operator looks at "d"
    const char* error;    // Delete's refusal, or nullptr when it deletes "d"
    const char* fileAfter;
};

class RowIdentity : public StoreFixture, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(RowIdentity, DeleteRemovesTheRowTheOperatorChoseOrNothing) {
    const IdentityCase& c = GetParam();
    const QString path = db_.tablePath(QStringLiteral("1data.db"));
    if (c.legacy)
        writeTableFile(path, kLegacyReadings);
    auto t = readings();
    t->open();
    EXPECT_EQ(t->hasRowKey(), !c.legacy);
    for (const char* tag : {"a", "b", "c", "d", "e"})
        addRow(*t, QString::fromLatin1(tag));
    t->moveTo(3);
    ASSERT_EQ(t->fieldByName(u"tag").asString(), "d");
    otherProgramRuns(path, c.otherSql);
    if (c.error == nullptr) {
        t->remove();
        EXPECT_EQ(t->recordCount(), 4);
    } else {
        try {
            t->remove();
            FAIL() << "the delete must be refused";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.text().toStdString(), c.error);
        }
        EXPECT_EQ(t->recordCount(), 5) << "nothing removed from the view";
    }
    auto other = readings();
    other->open();
    EXPECT_EQ(tags(*other), c.fileAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowIdentity,
    ::testing::Values(
        IdentityCase{"vacuum_with_the_row_key", false,
                     "DELETE FROM readings WHERE tag = 'b'; VACUUM", nullptr, "a,c,e,"},
        IdentityCase{"vacuum_renumbers_a_table_without_it", true,
                     "DELETE FROM readings WHERE tag = 'b'; VACUUM",
                     "tbld: the row was changed by another program and was not deleted: "
                     "refresh to see the table as it is now",
                     "a,c,d,e,"},
        IdentityCase{"row_changed_meanwhile", false,
                     "UPDATE readings SET Alpha = 'theirs' WHERE tag = 'd'",
                     "tbld: the row was changed by another program and was not deleted: "
                     "refresh to see the table as it is now",
                     "a,b,c,d,e,"},
        IdentityCase{"row_gone_and_its_number_given_again_without_the_key", true,
                     "DELETE FROM readings WHERE tag IN ('d', 'e'); "
                     "INSERT INTO readings(tag) VALUES ('f'); "
                     "INSERT INTO readings(tag) VALUES ('g')",
                     "tbld: the row was changed by another program and was not deleted: "
                     "refresh to see the table as it is now",
                     "a,b,c,f,g,"},
        IdentityCase{"row_gone_with_the_key", false,
                     "DELETE FROM readings WHERE tag IN ('d', 'e'); "
                     "INSERT INTO readings(tag) VALUES ('f'); "
                     "INSERT INTO readings(tag) VALUES ('g')",
                     "tbld: the row was deleted by another program", "a,b,c,f,g,"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TableOps, ATableWithoutTheRowKeyOpensAndWorks) {
    const QString path = db_.tablePath(QStringLiteral("3data.db"));
    writeTableFile(path, kLegacyReadings);
    auto t = readings(QStringLiteral("3data.db"));
    t->open();
    EXPECT_FALSE(t->hasRowKey());
    for (const char* tag : {"a", "b", "c"})
        addRow(*t, QString::fromLatin1(tag));
    t->moveTo(1);
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("B"));
    t->post();
    t->first();
    t->remove();
    t->close();
    t->open();
    EXPECT_EQ(tags(*t), "B,c,");
    auto keyed = readings();
    keyed->open();
    EXPECT_TRUE(keyed->hasRowKey()) << "the tables this program makes have it";
    EXPECT_EQ(keyed->fieldCount(), 11) << "the key is no field";
}

struct ShownCase {
    const char* name;
    bool legacy;
    const char* otherSql; // run while the operator looks at "d", before he starts editing
    const char* shownAfterRefusal;
    const char* fileAfter; // after the operator's second edit sets Alpha to "mine"
};

class EditOfAChangedRow : public StoreFixture, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(EditOfAChangedRow, ShowsTheRowBeforeTheOperatorTypesIntoIt) {
    const ShownCase& c = GetParam();
    const QString path = db_.tablePath(QStringLiteral("1data.db"));
    if (c.legacy)
        writeTableFile(path, kLegacyReadings);
    auto t = readings();
    t->open();
    for (const char* tag : {"a", "b", "c", "d", "e"})
        addRow(*t, QString::fromLatin1(tag));
    t->moveTo(3);
    ASSERT_EQ(t->fieldByName(u"tag").asString(), "d");
    otherProgramRuns(path, c.otherSql);
    try {
        t->edit();
        FAIL() << "the edit must be refused once";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), "tbld: the row was changed by another program: it is shown as it is "
                            "now; edit it again");
    }
    EXPECT_EQ(t->state(), Table::State::Browse);
    EXPECT_EQ(t->fieldByName(u"tag").asString().toStdString(), c.shownAfterRefusal);
    t->edit();
    t->fieldByName(u"Alpha").setAsString(QStringLiteral("mine"));
    t->post();
    std::string file;
    auto other = readings();
    other->open();
    for (other->first(); !other->eof(); other->next())
        file += (other->fieldByName(u"tag").asString() + QLatin1Char('=') +
                 other->fieldByName(u"Alpha").asString() + QLatin1Char(','))
                    .toStdString();
    EXPECT_EQ(file, c.fileAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditOfAChangedRow,
    ::testing::Values(ShownCase{"changed", false, "UPDATE readings SET tag = 'D' WHERE tag = 'd'",
                                "D", "a=,b=,c=,D=mine,e=,"},
                      ShownCase{"renumbered_by_vacuum_without_the_row_key", true,
                                "DELETE FROM readings WHERE tag = 'b'; VACUUM", "e",
                                "a=,c=,d=,e=mine,"}),
    [](const auto& row) { return std::string(row.param.name); });

struct ConflictCase {
    const char* name;
    const char* otherSql; // run while the operator has row "b" in edit
    const char* error;    // the post's refusal, or nullptr when it stores
    const char* fileAfter;
    const char* shownAfterCancel; // the row shown after the refusal and a cancel
};

class EditConflict : public StoreFixture, public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(EditConflict, PostRefusesToOverwriteAnotherProgramsChange) {
    const ConflictCase& c = GetParam();
    auto t = readings();
    t->open();
    for (const char* tag : {"a", "b", "c"})
        addRow(*t, QString::fromLatin1(tag));
    t->moveTo(1);
    t->edit();
    t->fieldByName(u"Alpha").setAsString(QStringLiteral("mine"));
    otherProgramRuns(db_.tablePath(QStringLiteral("1data.db")), c.otherSql);
    if (c.error == nullptr) {
        t->post();
    } else {
        try {
            t->post();
            FAIL() << "the post must be refused";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.text().toStdString(), c.error);
        }
        EXPECT_EQ(t->state(), Table::State::Edit) << "the typed values stay";
        EXPECT_EQ(t->fieldByName(u"Alpha").asString(), "mine");
        t->cancel();
        EXPECT_EQ(t->fieldByName(u"tag").asString().toStdString(), c.shownAfterCancel);
    }
    std::string file;
    auto other = readings();
    other->open();
    for (other->first(); !other->eof(); other->next())
        file += (other->fieldByName(u"tag").asString() + QLatin1Char('=') +
                 other->fieldByName(u"Alpha").asString() + QLatin1Char(','))
                    .toStdString();
    EXPECT_EQ(file, c.fileAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditConflict,
    ::testing::Values(
        ConflictCase{"another_row_changed", "UPDATE readings SET Alpha = 'x' WHERE tag = 'c'",
                     nullptr, "a=,b=mine,c=x,", ""},
        ConflictCase{"a_row_appended", "INSERT INTO readings(tag) VALUES ('d')", nullptr,
                     "a=,b=mine,c=,d=,", ""},
        ConflictCase{"the_row_changed", "UPDATE readings SET tag = 'B' WHERE tag = 'b'",
                     "tbld: the row was changed by another program and your change was not "
                     "stored: cancel the edit to see the row as it is now",
                     "a=,B=,c=,", "B"},
        ConflictCase{"the_row_deleted", "DELETE FROM readings WHERE tag = 'b'",
                     "tbld: the row was deleted by another program and your change was not "
                     "stored: cancel the edit",
                     "a=,c=,", "c"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TableOps, RowsOfAnotherConnectionAppearAtRefresh) {
    auto mine = readings();
    auto other = readings();
    mine->open();
    other->open();
    addRow(*mine, QStringLiteral("a"));
    addRow(*other, QStringLiteral("b"));
    EXPECT_EQ(mine->recordCount(), 1);
    mine->refresh();
    EXPECT_EQ(tags(*mine), "a,b,");
    other->first();
    other->remove();
    ASSERT_EQ(mine->fieldByName(u"tag").asString(), "b");
    try {
        mine->edit();
        FAIL() << "editing a row another program deleted must fail";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), "tbld: the row was deleted by another program");
    }
    EXPECT_EQ(mine->state(), Table::State::Browse);
}

} // namespace
} // namespace px708::test
