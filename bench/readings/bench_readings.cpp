// Readings brought in by the window at full speed, from the virtual reader on a
// pseudo-terminal with no pause on either side:
//   - a download of 10,000 records into the current readings table with the page "Data" shown
//     and the count updating, in rows per second, with its ratio to durable single posts of
//     SQLite alone measured in the same run on the same disk;
//   - a dump of 10,000 records into Memo5, from the command to the last line shown;
//   - the import of 10,000 captured lines from Memo3.
// The window runs on the offscreen platform; its tables live in a folder beside the build's
// bin/ folder, so that durable posts meet the disk the build lives on.

#include "bench/support/benchfolder.h"
#include "link/readerlink.h"
#include "serial/comport.h"
#include "store/database.h"
#include "store/schemas.h"
#include "store/settingsrecord.h"
#include "store/table.h"
#include "tests/sim/simclient.h"
#include "tests/ui/uitestsupport.h"
#include "ui/application.h"
#include "ui/datapage.h"
#include "ui/form1.h"
#include "ui/memolines.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using px708::bench::benchRoot;

constexpr int kRecords = 10000;

// Durable single posts of SQLite alone: one row of the readings' shape per transaction, in
// write-ahead logging with full synchronisation, as the store posts a row. Rows per second.
double sqliteDurableSinglePosts(const QString& folder, int rows) {
    const std::string path = (folder + QStringLiteral("/sqlite-alone.db")).toStdString();
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("sqlite3_open");
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE r (C_Code TEXT, tag TEXT, Type TEXT, Lot TEXT, Date_ TEXT, "
                 "Time_ TEXT)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO r VALUES ('999', ?, 'ISO FDX-B Non', '01', '2024-01-01', "
                       "'08:00:00')",
                       -1, &insert, nullptr);
    const auto start = Clock::now();
    for (int i = 0; i < rows; ++i) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        const std::string tag = std::to_string(985000000000LL + i);
        sqlite3_bind_text(insert, 1, tag.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    sqlite3_finalize(insert);
    sqlite3_close(db);
    std::filesystem::remove(path);
    return rows / took.count();
}

// The window against the virtual reader holding 10,000 readings over 100 lots, with no pause
// between the characters it sends. Made once for all benchmarks.
class Bench {
public:
    Bench() {
        if (!dir_.isValid())
            throw std::runtime_error("cannot make the benchmark folder");
        const std::filesystem::path root = dir_.path().toStdString();
        std::filesystem::current_path(root);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        sim_ = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--state", (root / "sim.txt").string(), "--fill", std::to_string(kRecords)});
        if (!sim_->started())
            throw std::runtime_error("the virtual reader did not start");
        std::filesystem::create_directories(root / "config" / "px708");
        std::ofstream(root / "config" / "px708" / "px708.ini")
            << "[mode]\npause=0\nextra=0\n\n[ports]\nCOM1=" << sim_->slave() << "\n";
        uitest::Workspace::setUpDatabase();
        form_ = std::make_unique<TForm1>();
        form_->ensurePages();
        form_->resize(802, 586);
        form_->show();
        if (!QTest::qWaitForWindowExposed(form_.get()) || !form_->Com1().Open())
            throw std::runtime_error("the window did not open COM1");
    }

    TForm1& form() { return *form_; }
    QString folder() const { return dir_.path(); }

    template <class T = QWidget> T* control(const char* name) const {
        T* w = form_->findChild<T*>(QString::fromLatin1(name));
        if (w == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    // Changes page as the operator does, and waits for the reader's answer to the mode command.
    // On the page already (a repeated run), nothing is sent and nothing is awaited.
    void enter(int page) {
        if (form_->Page()->currentIndex() == page)
            return;
        auto* memo1 = control<QPlainTextEdit>("Memo1");
        memo1->clear();
        form_->Page()->setCurrentIndex(page);
        const QString answer = page == px708::page::onlineSettings3 ? QStringLiteral("ON-LINE MODE")
                                                                    : QStringLiteral("ZELMAR MODE");
        until([&] { return memo1->toPlainText().contains(answer); }, 5s);
        memo1->clear();
    }
    // Runs the event loop until done holds.
    static void until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() > end)
                throw std::runtime_error("the window did not finish in time");
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

private:
    QTemporaryDir dir_{benchRoot() + QStringLiteral("/bench-readings-XXXXXX")};
    std::unique_ptr<simtest::SimProcess> sim_;
    std::unique_ptr<TForm1> form_;
};

// Made on first use, gone before the application object: the window needs it to close.
std::unique_ptr<Bench> theBench;

Bench& bench() {
    if (!theBench)
        theBench = std::make_unique<Bench>();
    return *theBench;
}

void BM_SqliteAloneDurableSinglePosts(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state)
        state.counters["rows_per_s"] = sqliteDurableSinglePosts(b.folder(), 2000);
}
BENCHMARK(BM_SqliteAloneDurableSinglePosts)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DownloadTenThousandRecordsWithTheDataPageShown(benchmark::State& state) {
    Bench& b = bench();
    b.enter(px708::page::data);
    auto* button = b.control<QAbstractButton>("Button53");
    auto* count = b.control<QLabel>("Labeldump");
    const QString done = QStringLiteral("Download completed (%1)").arg(kRecords);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        button->click();
        Bench::until([&] { return count->text() == done; }, 300s);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double rowsPerSecond = kRecords * static_cast<double>(state.iterations()) / seconds;
    const double sqliteAlone = sqliteDurableSinglePosts(b.folder(), 2000);
    state.counters["rows_per_s"] = rowsPerSecond;
    state.counters["sqlite_alone_rows_per_s"] = sqliteAlone;
    state.counters["ratio_to_sqlite_alone"] = rowsPerSecond / sqliteAlone;
}
BENCHMARK(BM_DownloadTenThousandRecordsWithTheDataPageShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_DumpTenThousandRecordsIntoMemo5(benchmark::State& state) {
    Bench& b = bench();
    b.enter(px708::page::zelmarSettings2);
    auto* button = b.control<QAbstractButton>("Button39");
    auto* memo5 = b.control<QPlainTextEdit>("Memo5");
    auto* memo1 = b.control<QPlainTextEdit>("Memo1");
    for (auto _ : state) {
        state.PauseTiming();
        memo5->clear();
        memo1->clear();
        state.ResumeTiming();
        button->click();
        Bench::until(
            [&] {
                return memo5->document()->blockCount() == kRecords + 2 &&
                       memo5->document()->lastBlock().text() == QLatin1String("Download completed");
            },
            60s);
    }
}
BENCHMARK(BM_DumpTenThousandRecordsIntoMemo5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_ImportTenThousandCapturedLinesFromMemo3(benchmark::State& state) {
    Bench& b = bench();
    b.enter(px708::page::onlineSettings3);
    auto* memo3 = b.control<QPlainTextEdit>("Memo3");
    memo3->clear();
    for (int i = 0; i < kRecords; ++i)
        px708::pages::appendMemoLine(
            memo3, QStringLiteral("%1").arg(0x6000000 + i, 10, 16, QLatin1Char('0')).toUpper());
    auto* button = b.control<QAbstractButton>("Button52");
    px708::Table& tbld = b.form().tbld();
    for (auto _ : state) {
        const int before = tbld.recordCount();
        button->click();
        if (tbld.recordCount() != before + kRecords)
            state.SkipWithError("the import did not store every line");
    }
}
BENCHMARK(BM_ImportTenThousandCapturedLinesFromMemo3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    px708::TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theBench.reset();
    return 0;
}
