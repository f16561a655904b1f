#include "store/fieldnames.h"
#include "store/readingstables.h"
#include "store/settingsrecord.h"
#include "store/storeerror.h"
#include "tests/store/storefixture.h"

#include <QFile>

#include <gtest/gtest.h>

namespace px708::test {
namespace {

using SettingsRecord = StoreFixture;

TEST_F(SettingsRecord, FirstRunStoresTheSetupResultsAsText) {
    auto tblc = settingsTable();
    tblc->open();
    ASSERT_TRUE(settings::firstRunNeeded(*tblc)) << "a new config.db";
    settings::storeFirstRunResults(*tblc, QStringLiteral("-"), QStringLiteral("1"));
    tblc->close();
    tblc->open();
    ASSERT_EQ(tblc->recordCount(), 1);
    EXPECT_FALSE(settings::firstRunNeeded(*tblc));
    EXPECT_EQ(tblc->fieldByName(u"ddmmyy").asInteger(), 1);
    EXPECT_EQ(settings::storedPort(*tblc), 0) << "only separator and ddmmyy are filled";
    EXPECT_EQ(settings::storedProgramBaud(*tblc), 0);
    settings::applyDateSettings(*tblc);
    EXPECT_EQ(DateSettings::shortDatePattern(), "MM-dd-yyyy");
    EXPECT_EQ(DateSettings::dateSeparator(), "-");
    EXPECT_EQ(DateSettings::dateOrder(), 1);
}

TEST_F(SettingsRecord, ASeparatorWithoutADateOrderAsksAgain) {
    auto tblc = settingsTable();
    tblc->open();
    tblc->edit();
    tblc->fieldByName(u"separator").setAsString(QStringLiteral("."));
    tblc->post();
    EXPECT_TRUE(settings::firstRunNeeded(*tblc));
    settings::storeFirstRunResults(*tblc, QStringLiteral("/"), QStringLiteral("0"));
    EXPECT_EQ(tblc->recordCount(), 1) << "the record is rewritten, not added";
    EXPECT_EQ(tblc->fieldByName(u"separator").asString(), "/");
}

TEST_F(SettingsRecord, DateOrderChangePostsPendingChangesAndRebuildsThePattern) {
    auto tblc = settingsTable();
    tblc->open();
    settings::storeFirstRunResults(*tblc, QStringLiteral("."), QStringLiteral("0"));
    settings::applyDateSettings(*tblc);
    tblc->edit();
    tblc->fieldByName(u"progbaud").setAsInteger(19200);
    DateSettings::setDateSeparator(u"-");
    settings::storeDateOrder(*tblc, 1);
    EXPECT_EQ(DateSettings::shortDatePattern(), "MM-dd-yyyy");
    tblc->close();
    tblc->open();
    EXPECT_EQ(tblc->fieldByName(u"ddmmyy").asInteger(), 1);
    EXPECT_EQ(settings::storedProgramBaud(*tblc), 19200);
    EXPECT_EQ(settings::programBaudIndex(19200), 5);
    EXPECT_EQ(settings::programBaudIndex(115200), -1);
}

TEST_F(SettingsRecord, UserFieldNamesTitleTheGridColumns) {
    auto tblc = settingsTable();
    auto tbld = readings();
    tblc->open();
    tblc->edit();
    tblc->fieldByName(u"field0").setAsString(QStringLiteral("Chip number that is long"));
    tblc->fieldByName(u"field7").setAsString(QStringLiteral("Seen"));
    tblc->fieldByName(u"field9").setAsString(QStringLiteral("Land"));
    tblc->post();
    const auto names = applyUserFieldNames(*tblc, *tbld);
    EXPECT_EQ(names[0], "Chip number that is ") << "names are 20 characters at most";
    EXPECT_EQ(names[7], "Seen");
    EXPECT_EQ(tbld->fieldByName(u"tag").displayName(), "Chip number that is ");
    EXPECT_EQ(tbld->fieldByName(u"Flagged").displayName(), "Seen");
    EXPECT_EQ(names[1], "") << "an empty name leaves the caption blank";
    EXPECT_EQ(tbld->fieldByName(u"Lot").displayName(), "Lot")
        << "and the column shows the field's own name";
    EXPECT_EQ(tbld->fieldByName(u"C_Code").displayName(), "C_Code") << "field9 titles nothing";
    tbld->open();
    EXPECT_EQ(tbld->fieldByName(u"tag").displayName(), "Chip number that is ")
        << "the titles outlive opening";
}

using ReadingsTables = StoreFixture;

TEST_F(ReadingsTables, SelectingATableOpensItFromItsFirstRow) {
    auto tbld = readings();
    tbld->open();
    addRow(*tbld, QStringLiteral("one"));
    selectReadingsTable(*tbld, 2);
    EXPECT_EQ(tbld->fileName(), "2data.db");
    EXPECT_EQ(readingsTableNumber(tbld->fileName()), 2);
    addRow(*tbld, QStringLiteral("two"));
    addRow(*tbld, QStringLiteral("three"));
    selectReadingsTable(*tbld, 2);
    EXPECT_EQ(tbld->recNo(), 0) << "reselecting the current table goes to its first row";
    selectReadingsTable(*tbld, 1);
    EXPECT_EQ(tbld->fieldByName(u"tag").asString(), "one");

    ASSERT_TRUE(QFile::remove(db_.tablePath(QStringLiteral("4data.db"))));
    EXPECT_THROW(selectReadingsTable(*tbld, 4), DatabaseError);
    EXPECT_FALSE(tbld->isOpen()) << "a failed selection leaves the table closed";
    selectReadingsTable(*tbld, 3);
    EXPECT_TRUE(tbld->isOpen()) << "selecting again retries";
}

TEST_F(ReadingsTables, EmptyTableRemovesEveryRowAndReopensShared) {
    auto tbld = readings();
    tbld->open();
    addRow(*tbld, QStringLiteral("a"));
    addRow(*tbld, QStringLiteral("b"));
    EXPECT_EQ(emptyReadingsTable(*tbld), EmptyTableResult::Emptied);
    EXPECT_TRUE(tbld->isOpen());
    EXPECT_FALSE(tbld->exclusive());
    EXPECT_EQ(tbld->recordCount(), 0);
}

TEST_F(ReadingsTables, CancelAllFlagsStoresFalseInEveryRow) {
    auto tbld = readings();
    tbld->open();
    cancelAllFlags(*tbld);
    EXPECT_EQ(tbld->recordCount(), 0) << "an empty table is left as it is";
    for (const char* flag : {"True", "", "False", "t"}) {
        tbld->append();
        tbld->fieldByName(u"Flagged").setAsString(QString::fromLatin1(flag));
        tbld->post();
    }
    tbld->first();
    cancelAllFlags(*tbld);
    EXPECT_EQ(tbld->recNo(), 3) << "the table is left on its last row";
    tbld->close();
    tbld->open();
    for (tbld->first(); !tbld->eof(); tbld->next()) {
        EXPECT_FALSE(tbld->fieldByName(u"Flagged").isNull());
        EXPECT_FALSE(tbld->fieldByName(u"Flagged").asBoolean());
    }
}

} // namespace
} // namespace px708::test
