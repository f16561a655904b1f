// The bulk path (BulkAppend), the single durable append (Table::appendRow) and the exporters'
// snapshot (TableSnapshot).

#include "store/bulkappend.h"
#include "store/storeerror.h"
#include "store/tablesnapshot.h"
#include "tests/store/storefixture.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <chrono>

namespace px708::test {
namespace {

using namespace std::chrono_literals;

// A readings table whose file refuses the tag "bad" (as a table file made by another tool
// with a check of its own may) and whose trigger gives up the whole transaction at "doom".
void writeCheckedTable(const QString& path) {
    QFile::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE readings (RowKey INTEGER PRIMARY KEY AUTOINCREMENT, C_Code VARCHAR(3), "
        "tag VARCHAR(12) CHECK (tag IS NOT 'bad'), Type VARCHAR(13), Lot VARCHAR(3), Flagged "
        "BOOLEAN, Alpha VARCHAR(30), Bravo VARCHAR(30), Charly VARCHAR(30), Date_ DATE, Time_ "
        "TIME, Comment VARCHAR(250));"
        "CREATE TRIGGER doom BEFORE INSERT ON readings WHEN NEW.tag = 'doom' BEGIN "
        "SELECT RAISE(ROLLBACK, 'the disk gave up'); END;";
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// What the views hear from a table: appends (first and last position), cursor moves, changed
// rows and resets.
struct Heard {
    explicit Heard(Table& t) {
        QObject::connect(&t, &Table::rowsAboutToBeAppended, &context,
                         [this](int first, int last) { appended.emplace_back(first, last); });
        QObject::connect(&t, &Table::currentRowChanged, &context, [this] { ++moves; });
        QObject::connect(&t, &Table::rowsChanged, &context, [this] { ++changes; });
        QObject::connect(&t, &Table::aboutToReset, &context, [this] { ++resets; });
    }
    void clear() {
        appended.clear();
        moves = changes = resets = 0;
    }
    QObject context;
    std::vector<std::pair<int, int>> appended;
    int moves = 0;
    int changes = 0;
    int resets = 0;
};

std::string tagsInFile(Database& db, const QString& file = QStringLiteral("1data.db")) {
    Table other(db, QStringLiteral("other"), readingsSchema());
    other.setFileName(file);
    other.open();
    std::string out;
    for (other.first(); !other.eof(); other.next())
        out += other.fieldByName(u"tag").asString().toStdString() + ",";
    return out;
}

class Bulk : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        t = readings();
        t->open();
    }
    // Appends the tags in one operation; a tag "x=..." fails to convert (a date that is none).
    void appendAll(BulkAppend& bulk, std::initializer_list<const char*> tagList) {
        for (const char* tag : tagList) {
            RowValues row = bulk.newRow();
            const QString text = QString::fromLatin1(tag);
            if (text.startsWith(QLatin1String("x=")))
                row.setText(readings::Date_, text.mid(2));
            row.setText(readings::tag, text);
            row.setText(u"Lot", QStringLiteral("07"));
            bulk.append(row);
        }
    }
    std::unique_ptr<Table> t;
};

TEST_F(Bulk, RowsAreStoredInOrderAndTheViewsAreToldOnce) {
    addRow(*t, QStringLiteral("before"));
    Heard heard(*t);
    int progressCalls = 0;
    int lastProgress = 0;
    {
        BulkAppend bulk(*t);
        bulk.setProgress(
            [&](int n) {
                ++progressCalls;
                lastProgress = n;
            },
            1h);
        appendAll(bulk, {"1", "2", "3"});
        EXPECT_EQ(t->recordCount(), 1) << "not told before the end";
        EXPECT_EQ(bulk.appended(), 3);
        bulk.finish();
    }
    EXPECT_EQ(heard.appended, (std::vector<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(heard.moves, 1) << "the cursor moves once, to the last new row";
    EXPECT_EQ(t->recNo(), 3);
    EXPECT_EQ(progressCalls, 1);
    EXPECT_EQ(lastProgress, 3);
    EXPECT_EQ(t->fieldByName(u"Lot").asString(), "07");
    EXPECT_EQ(tagsInFile(db_), "before,1,2,3,") << "committed and seen by others";
}

TEST_F(Bulk, ProgressTellsTheViewsWhileTheOperationRuns) {
    BulkAppend bulk(*t, AfterAppend::KeepCursor);
    std::vector<int> seen;
    bulk.setProgress([&](int n) { seen.push_back(t->recordCount() * 100 + n); }, 0ms);
    appendAll(bulk, {"1", "2"});
    EXPECT_EQ(t->displayText(1, readings::tag), "2") << "the grid reads the rows so far";
    bulk.finish();
    EXPECT_EQ(seen, (std::vector<int>{101, 202, 202}));
    EXPECT_EQ(t->recNo(), 0) << "kept: the cursor of an empty table comes to the first row";
}

struct FailureCase {
    const char* name;
    const char* failing; // "bad": the engine refuses it; "x=...": its date is no date
    bool goOn;           // the caller takes the error and appends the rest
    const char* stored;
};

class BulkFailure : public Bulk, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BulkFailure, AFailingRowIsRolledBackAlone) {
    const FailureCase& c = GetParam();
    writeCheckedTable(db_.tablePath(QStringLiteral("2data.db")));
    auto checked = readings(QStringLiteral("2data.db"));
    checked->open();
    addRow(*checked, QStringLiteral("before"));
    try {
        BulkAppend bulk(*checked);
        appendAll(bulk, {"1", "2"});
        try {
            appendAll(bulk, {c.failing});
            FAIL() << "the row must fail";
        } catch (const StoreError& e) {
            if (!c.goOn)
                throw;
        }
        appendAll(bulk, {"3"});
        bulk.finish();
    } catch (const StoreError& e) {
        EXPECT_FALSE(c.goOn) << e.what();
    }
    EXPECT_FALSE(checked->busy());
    EXPECT_EQ(tagsInFile(db_, QStringLiteral("2data.db")), c.stored);
    std::string shown;
    for (int pos = 0; pos < checked->recordCount(); ++pos)
        shown += checked->displayText(pos, readings::tag).toStdString() + ",";
    EXPECT_EQ(shown, c.stored) << "the grid shows what is stored";
    const QStringList stored = QString::fromLatin1(c.stored).split(u',', Qt::SkipEmptyParts);
    EXPECT_EQ(checked->fieldByName(u"tag").asString(), stored.last()) << "on the last row stored";
    addRow(*checked, QStringLiteral("after"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BulkFailure,
                         ::testing::Values(FailureCase{"refused_row_stops_the_operation", "bad",
                                                       false, "before,1,2,"},
                                           FailureCase{"no_date_stops_the_operation",
                                                       "x=31/02/2023", false, "before,1,2,"},
                                           FailureCase{"refused_row_and_the_caller_goes_on", "bad",
                                                       true, "before,1,2,3,"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Bulk, AnEngineThatGivesUpTheTransactionLeavesNoRowOfTheOperation) {
    writeCheckedTable(db_.tablePath(QStringLiteral("2data.db")));
    auto checked = readings(QStringLiteral("2data.db"));
    checked->open();
    addRow(*checked, QStringLiteral("before"));
    BulkAppend bulk(*checked);
    bulk.setProgress({}, 0ms);
    appendAll(bulk, {"1", "2"});
    ASSERT_EQ(checked->recordCount(), 3) << "told of the rows so far";
    try {
        appendAll(bulk, {"doom"});
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), "tbld: the disk gave up");
    }
    EXPECT_FALSE(bulk.active());
    EXPECT_EQ(bulk.appended(), 0);
    EXPECT_EQ(checked->recordCount(), 1) << "the views show the table as it is";
    EXPECT_THROW(appendAll(bulk, {"3"}), DatabaseError);
    EXPECT_EQ(tagsInFile(db_, QStringLiteral("2data.db")), "before,");
    addRow(*checked, QStringLiteral("after"));
    EXPECT_EQ(tagsInFile(db_, QStringLiteral("2data.db")), "before,after,");
}

TEST_F(Bulk, TheTableRefusesItsOwnWritesWhileTheOperationRuns) {
    addRow(*t, QStringLiteral("a"));
    BulkAppend bulk(*t);
    appendAll(bulk, {"1"});
    const std::string busy = "tbld: the table is busy with a transfer: try again when it has ended";
    for (auto write : {&Table::edit, &Table::insert, &Table::remove, &Table::refresh}) {
        try {
            ((*t).*write)();
            ADD_FAILURE() << "a write must be refused";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.text().toStdString(), busy);
        }
    }
    EXPECT_THROW(BulkAppend second(*t), DatabaseError);
    EXPECT_EQ(t->displayText(0, readings::tag), "a") << "reading goes on";
    t->first();
    bulk.finish();
    t->edit();
    t->cancel();
}

TEST_F(Bulk, ClosingTheTableCommitsTheRowsSoFar) {
    BulkAppend bulk(*t);
    appendAll(bulk, {"1", "2"});
    t->close();
    EXPECT_FALSE(bulk.active());
    EXPECT_THROW(appendAll(bulk, {"3"}), DatabaseError);
    EXPECT_EQ(tagsInFile(db_), "1,2,");
}

TEST_F(Bulk, StartingPostsTheRowBeingEdited) {
    addRow(*t, QStringLiteral("a"));
    t->edit();
    t->fieldByName(u"Alpha").setAsString(QStringLiteral("typed"));
    {
        BulkAppend bulk(*t);
        EXPECT_EQ(t->state(), Table::State::Browse);
        appendAll(bulk, {"1"});
    }
    t->first();
    EXPECT_EQ(t->fieldByName(u"Alpha").asString(), "typed");
}

TEST_F(Bulk, RowValuesConvertAsTheFieldsDo) {
    RowValues row(*t);
    row.setText(readings::tag, QStringLiteral("0123456789012345"));
    row.setText(u"Date_", QStringLiteral("15/04/23"));
    row.setText(readings::Time_, QStringLiteral("9:05"));
    row.setText(readings::Flagged, QStringLiteral("tru"));
    row.setText(readings::Alpha, QString());
    EXPECT_THROW(row.setText(readings::Flagged, QStringLiteral("yes")), ConvertError);
    EXPECT_THROW(row.setText(u"nosuch", QStringLiteral("x")), DatabaseError);
    EXPECT_FALSE(row.isSet(readings::Bravo));
    EXPECT_TRUE(row.isSet(readings::Alpha));
    t->appendRow(row);
    EXPECT_EQ(t->fieldByName(u"tag").asString(), "012345678901");
    EXPECT_EQ(t->fieldByName(u"Date_").asString(), "15/04/2023");
    EXPECT_EQ(t->fieldByName(u"Time_").asString(), "09:05:00");
    EXPECT_TRUE(t->fieldByName(u"Flagged").asBoolean()) << "a refused text leaves the value";
    EXPECT_TRUE(t->fieldByName(u"Alpha").isNull());
}

TEST_F(Bulk, ASingleAppendIsDurableAndMovesTheCursorOnce) {
    addRow(*t, QStringLiteral("a"));
    t->edit();
    t->fieldByName(u"Alpha").setAsString(QStringLiteral("typed"));
    Heard heard(*t);
    RowValues row(*t);
    row.setText(readings::tag, QStringLiteral("b"));
    t->appendRow(row);
    EXPECT_EQ(heard.appended.size(), 1u);
    EXPECT_EQ(heard.moves, 1);
    EXPECT_EQ(t->recNo(), 1);
    EXPECT_EQ(t->state(), Table::State::Browse);
    EXPECT_EQ(tagsInFile(db_), "a,b,");
    t->first();
    EXPECT_EQ(t->fieldByName(u"Alpha").asString(), "typed") << "posted before the append";
    t->appendRow(row, AfterAppend::KeepCursor);
    EXPECT_EQ(t->recNo(), 0);
    EXPECT_EQ(t->recordCount(), 3);
}

TEST_F(Bulk, ASnapshotSeesTheTableAsItWasWithoutMovingOrWakingIt) {
    for (const char* tag : {"a", "b", "c"})
        addRow(*t, QString::fromLatin1(tag));
    t->moveTo(1);
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("pending"));

    Heard heard(*t);
    TableSnapshot snapshot(*t);
    ASSERT_EQ(snapshot.rowCount(), 3);
    EXPECT_EQ(snapshot.displayText(1, readings::tag), "b") << "the stored row, not the edit";
    t->post();
    auto other = readings();
    other->open();
    addRow(*other, QStringLiteral("d"));
    {
        BulkAppend bulk(*t);
        RowValues row = bulk.newRow();
        row.setText(readings::tag, QStringLiteral("e"));
        bulk.append(row);
    }
    heard.clear();
    const int before = t->recNo();
    std::string seen;
    for (int pos = 0; pos < snapshot.rowCount(); ++pos)
        seen += snapshot.displayText(pos, readings::tag).toStdString() + ",";
    EXPECT_EQ(seen, "a,b,c,");
    EXPECT_EQ(snapshot.displayText(3, readings::tag), "") << "past the end";
    EXPECT_EQ(t->recNo(), before);
    EXPECT_EQ(heard.moves + heard.changes + heard.resets + int(heard.appended.size()), 0);
    EXPECT_EQ(TableSnapshot(*t).rowCount(), 5) << "a new snapshot sees them";
}

TEST_F(Bulk, ASnapshotReadsAcrossPagesAndOfAnExclusiveTable) {
    t->close();
    t->setExclusive(true);
    t->open();
    {
        BulkAppend bulk(*t);
        for (int i = 1; i <= 700; ++i) {
            RowValues row = bulk.newRow();
            row.setText(readings::tag, QString::number(i));
            row.setText(readings::Date_, QStringLiteral("15/04/2023"));
            row.setBoolean(readings::Flagged, i % 2 == 0);
            bulk.append(row);
        }
        bulk.finish();
    }
    TableSnapshot snapshot(*t);
    ASSERT_EQ(snapshot.rowCount(), 700);
    for (int pos : {0, 255, 256, 511, 699, 3})
        EXPECT_EQ(snapshot.displayText(pos, readings::tag), QString::number(pos + 1));
    EXPECT_EQ(snapshot.displayText(699, readings::Date_), "15/04/2023");
    EXPECT_EQ(snapshot.displayText(699, readings::Flagged), "True");
    EXPECT_EQ(snapshot.storedValue(698, readings::Flagged).toLongLong(), 0);
}

} // namespace
} // namespace px708::test
