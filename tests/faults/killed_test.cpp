// The program killed (SIGKILL) in the middle of a CSV import and of "Empty Table": the main
// window runs in a child process on the test's database folder and is killed while it works.
// The table is then sound, holds what it held before or the whole result, and opens again,
// exclusively too (the killed program's locks went with it).
//
// A CSV import is all or nothing: its rows are stored in one transaction, so a killed import
// leaves none of them (and the file can simply be imported again, without duplicates).

#include "store/bulkappend.h"
#include "store/database.h"
#include "store/readingstables.h"
#include "store/rowvalues.h"
#include "store/schemas.h"
#include "store/table.h"
#include "tests/faults/faultsupport.h"
#include "tests/ui/uitestsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <sys/wait.h>

namespace {

using namespace std::chrono_literals;
using faults::Program;

constexpr auto kChildDeadline = 30s;

std::string self() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

class Killed : public testing::Test {
protected:
    QString folder() const { return uitest::Workspace::databaseFolder(); }
    void addRows(int rows) {
        px708::Database db;
        db.connect();
        px708::Table t(db, QStringLiteral("seed"), px708::readingsSchema());
        t.setFileName(px708::readingsTableFileName(1));
        t.open();
        px708::BulkAppend bulk(t);
        px708::RowValues row = bulk.newRow();
        for (int i = 1; i <= rows; ++i) {
            row.clear();
            row.setText(px708::readings::tag, QString::number(i));
            row.setText(px708::readings::Alpha, QStringLiteral("before %1").arg(i));
            bulk.append(row);
        }
        bulk.finish();
    }
    // The table after the kill: sound, and it opens for exclusive use.
    faults::StoredTable afterTheKill() {
        faults::StoredTable stored = faults::readStored(folder(), "1data.db");
        EXPECT_EQ(stored.integrity, "ok");
        px708::Database db;
        db.connect();
        px708::Table t(db, QStringLiteral("tbld"), px708::readingsSchema());
        t.setFileName(QStringLiteral("1data.db"));
        t.setExclusive(true);
        EXPECT_NO_THROW(t.open()) << "no lock of the killed program is left";
        return stored;
    }

    uitest::Workspace workspace;
};

TEST_F(Killed, DuringACsvImportStoresNoneOfItsRows) {
    addRows(3);
    constexpr int kRows = 60000;
    const QString file = QString::fromStdString((workspace.root() / "big.csv").string());
    faults::writeFile(file, faults::csvFile(kRows));

    Program window(self(), faults::childArgs({"window-import", file.toStdString()}));
    ASSERT_EQ(window.waitForLine("importing", kChildDeadline), "importing");
    // The grid has grown: the import is under way.
    const std::optional<std::string> progress = window.waitForLine("", kChildDeadline);
    ASSERT_TRUE(progress.has_value());
    window.kill(SIGKILL);
    const int status = window.wait();
    const bool killedMidway = progress->rfind("rows ", 0) == 0 &&
                              std::stoi(progress->substr(5)) < 3 + kRows && WIFSIGNALED(status);
    if (!killedMidway)
        GTEST_SKIP() << "the import ended before the kill (" << *progress << ")";

    const faults::StoredTable stored = afterTheKill();
    ASSERT_EQ(stored.rows.size(), 3u) << "the killed import left none of its rows";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stored.rows[i].second, QStringLiteral("before %1").arg(i + 1));
}

class KilledWhileEmptying : public Killed, public testing::WithParamInterface<int> {};

TEST_P(KilledWhileEmptying, LeavesTheTableWholeOrEmpty) {
    constexpr int kRows = 60000;
    addRows(kRows);
    Program window(self(), faults::childArgs({"window-empty"}));
    ASSERT_EQ(window.waitForLine("emptying", kChildDeadline), "emptying");
    std::this_thread::sleep_for(std::chrono::milliseconds(GetParam()));
    window.kill(SIGKILL);
    window.wait();

    const faults::StoredTable stored = afterTheKill();
    EXPECT_TRUE(stored.rows.empty() || stored.rows.size() == std::size_t(kRows))
        << stored.rows.size() << " rows left";
    if (!stored.rows.empty()) {
        EXPECT_EQ(stored.rows.back().second, QStringLiteral("before %1").arg(kRows));
    }
}

// The moment of the kill after "Empty Table" was confirmed, in milliseconds.
INSTANTIATE_TEST_SUITE_P(Moments, KilledWhileEmptying, testing::Values(0, 5, 20, 60, 200),
                         [](const auto& p) { return "after_" + std::to_string(p.param) + "ms"; });

} // namespace
