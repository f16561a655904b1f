// The tables shared with other programs: each case starts this executable a second time as
// the other program (ChildProcess).

#include "store/readingstables.h"
#include "store/storeerror.h"
#include "tests/support/childprocess.h"
#include "tests/store/storefixture.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/wait.h>

namespace px708::test {
namespace {

using namespace std::chrono_literals;

// This test executable again, in one of its child modes (storetestmain.cpp).
ChildProcess storeChild(std::vector<std::string> args) {
    args.insert(args.begin(), "--store-child");
    return ChildProcess("/proc/self/exe", args);
}

constexpr auto kChildDeadline = 20s;

struct HoldCase {
    const char* name;
    const char* childUse;  // shared, exclusive or edit
    bool exclusive;        // how this program opens
    const char* openError; // nullptr: the open succeeds
};

class OtherProgramHolds : public StoreFixture, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(OtherProgramHolds, OpeningTheTableAsAsked) {
    const HoldCase& c = GetParam();
    ChildProcess other = storeChild({"hold", folderArg(), "1data.db", c.childUse});
    ASSERT_EQ(other.readLine(kChildDeadline), "ready");
    auto t = readings();
    t->setExclusive(c.exclusive);
    if (c.openError == nullptr) {
        EXPECT_NO_THROW(t->open());
        return;
    }
    try {
        t->open();
        FAIL() << "the open must fail";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(),
                  QString::fromLatin1(c.openError).arg(db_.tablePath(QStringLiteral("1data.db"))));
    }
    EXPECT_FALSE(t->isOpen());
    other.closeInput();
    EXPECT_EQ(other.wait(), 0);
    EXPECT_NO_THROW(t->open()) << "the table is free once the other program ends";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OtherProgramHolds,
    ::testing::Values(HoldCase{"shared_shared", "shared", false, nullptr},
                      HoldCase{"shared_exclusive", "shared", true,
                               "tbld: table file %1 is in use by another program"},
                      HoldCase{"exclusive_shared", "exclusive", false,
                               "tbld: table file %1 is in use by another program"},
                      HoldCase{"exclusive_exclusive", "exclusive", true,
                               "tbld: table file %1 is in use by another program"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(StoreFixture, EmptyTableRefusedWhileAnotherProgramHasItOpen) {
    auto t = readings();
    t->open();
    addRow(*t, QStringLiteral("a"));
    addRow(*t, QStringLiteral("b"));
    ChildProcess other = storeChild({"hold", folderArg(), "1data.db", "shared"});
    ASSERT_EQ(other.readLine(kChildDeadline), "ready");
    EXPECT_EQ(emptyReadingsTable(*t), EmptyTableResult::NotExclusive);
    EXPECT_TRUE(t->isOpen());
    EXPECT_FALSE(t->exclusive());
    EXPECT_EQ(t->recordCount(), 2) << "no row is removed";
    other.closeInput();
    other.wait();
    EXPECT_EQ(emptyReadingsTable(*t), EmptyTableResult::Emptied);
    EXPECT_EQ(t->recordCount(), 0);
}

std::string tags(Table& t) {
    std::string out;
    for (t.first(); !t.eof(); t.next())
        out += t.fieldByName(u"tag").asString().toStdString() + ",";
    return out;
}

// No lock is held while the operator types: the other program appends meanwhile, and the row
// in edit is stored afterwards as typed.
TEST_F(StoreFixture, AnotherProgramAppendsWhileARowIsInEdit) {
    auto t = readings();
    t->open();
    addRow(*t, QStringLiteral("a"));
    t->edit();
    t->fieldByName(u"Alpha").setAsString(QStringLiteral("typing"));
    ChildProcess other = storeChild({"append", folderArg(), "1data.db", "theirs"});
    EXPECT_EQ(other.readLine(kChildDeadline), "appended");
    EXPECT_EQ(other.wait(), 0);
    t->post();
    t->refresh();
    EXPECT_EQ(tags(*t), "a,theirs,");
    t->first();
    EXPECT_EQ(t->fieldByName(u"Alpha").asString(), "typing");
}

TEST_F(StoreFixture, ThisProgramWritesWhileAnotherHasARowInEdit) {
    auto t = readings();
    t->open();
    addRow(*t, QStringLiteral("a"));
    ChildProcess other = storeChild({"hold", folderArg(), "1data.db", "edit"});
    ASSERT_EQ(other.readLine(kChildDeadline), "ready");
    addRow(*t, QStringLiteral("b"));
    t->first();
    t->edit();
    t->fieldByName(u"tag").setAsString(QStringLiteral("A"));
    t->post();
    EXPECT_EQ(tags(*t), "A,b,");
    other.closeInput();
    EXPECT_EQ(other.wait(), 0);
}

// Closing a second table on the same file must not drop the engine's own locks of the first
// one: if it did, the other program's close would take the file for itself and remove the
// write-ahead log that the first table is still writing to.
TEST_F(StoreFixture, ClosingASecondTableOnTheFileKeepsTheFirstOnesLocks) {
    auto first = readings();
    first->open();
    addRow(*first, QStringLiteral("before"));
    {
        auto second = readings();
        second->open();
        second->close();
    }
    {
        ChildProcess other = storeChild({"count", folderArg(), "1data.db"});
        EXPECT_EQ(other.readLine(kChildDeadline), "1");
        EXPECT_EQ(other.wait(), 0);
    }
    addRow(*first, QStringLiteral("after"));
    ChildProcess other = storeChild({"count", folderArg(), "1data.db"});
    EXPECT_EQ(other.readLine(kChildDeadline), "2") << "a row posted after that is seen by others";
}

class KilledWhilePosting : public StoreFixture, public ::testing::WithParamInterface<int> {};

TEST_P(KilledWhilePosting, NoPostedRowIsLostAndTheTableStaysSound) {
    const int killAfter = GetParam();
    ChildProcess writer = storeChild({"post-stream", folderArg(), "1data.db"});
    ASSERT_EQ(writer.readLine(kChildDeadline), "ready");
    int confirmed = 0;
    while (confirmed < killAfter) {
        const auto line = writer.readLine(kChildDeadline);
        ASSERT_TRUE(line.has_value()) << "the writer stopped after " << confirmed << " rows";
        ASSERT_EQ(*line, std::to_string(confirmed + 1));
        ++confirmed;
    }
    writer.kill(SIGKILL);
    const int status = writer.wait();
    ASSERT_TRUE(WIFSIGNALED(status));
    // Rows the writer posted but had not yet reported still count as posted.
    while (auto line = writer.readLine(0ms))
        confirmed = std::stoi(*line);

    auto t = readings();
    t->open();
    EXPECT_EQ(t->integrityCheck(), "ok");
    const int count = t->recordCount();
    EXPECT_GE(count, confirmed);
    EXPECT_LE(count, confirmed + 1) << "at most the row being posted at the kill";
    int expected = 1;
    for (t->first(); !t->eof(); t->next(), ++expected)
        EXPECT_EQ(t->fieldByName(u"tag").asString().toInt(), expected) << "rows in posted order";
    t->close();
    t->setExclusive(true);
    EXPECT_NO_THROW(t->open()) << "the killed program's lock went with it";
}

INSTANTIATE_TEST_SUITE_P(Points, KilledWhilePosting, ::testing::Values(0, 1, 150, 600));

} // namespace
} // namespace px708::test
