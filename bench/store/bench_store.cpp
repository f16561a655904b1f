// Store throughput: durable posts one row at a time, and opening a table of a million rows for
// the grid and jumping to its last row. The tables live in a folder beside the build's bin/
// folder (not /tmp, which may be a memory file system where synchronisation costs nothing).

#include "bench/support/benchfolder.h"
#include "bench/support/millionrows.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <unistd.h>

namespace {

using px708::bench::benchRoot;
using px708::bench::residentMegabytes;

using namespace px708;

struct BenchFolder {
    QTemporaryDir tmp{benchRoot() + QStringLiteral("/bench-store-XXXXXX")};
    Database db;
    BenchFolder() {
        if (!tmp.isValid())
            throw std::runtime_error("cannot make the benchmark folder");
        db.setFolder(tmp.path() + QStringLiteral("/database"));
        db.connect();
        DateSettings::applyAtStartUp(0, u"/");
    }
};

void BM_PostOneRowDurably(benchmark::State& state) {
    BenchFolder folder;
    Table tbld(folder.db, QStringLiteral("tbld"), readingsSchema());
    tbld.setFileName(QStringLiteral("1data.db"));
    tbld.open();
    qint64 n = 0;
    for (auto _ : state) {
        // The fields a download from the reader sets for one record line.
        tbld.append();
        tbld.fieldByName(u"Date_").setAsString(QStringLiteral("15/04/2023"));
        tbld.fieldByName(u"Time_").setAsString(QStringLiteral("14:30:05"));
        tbld.fieldByName(u"Lot").setAsString(QStringLiteral("07"));
        tbld.fieldByName(u"tag").setAsString(QString::number(999004886718345LL + n++).right(12));
        tbld.fieldByName(u"C_Code").setAsString(QStringLiteral("985"));
        tbld.fieldByName(u"Type").setAsString(QStringLiteral("ISO FDX-B Non"));
        tbld.post();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostOneRowDurably)
    ->UseRealTime()
    ->MinTime(2.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The same disk's ceiling: SQLite alone, one synchronised transaction per row, for comparing
// BM_PostOneRowDurably with what the disk allows at the moment of the run.
void BM_EngineAloneOneRowPerTransaction(benchmark::State& state) {
    BenchFolder folder;
    const QString path = folder.db.tablePath(QStringLiteral("2data.db"));
    sqlite3* raw = nullptr;
    sqlite3_open(path.toUtf8().constData(), &raw);
    sqlite3_exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw,
                       "INSERT INTO readings(C_Code, tag, Type, Lot, Date_, Time_) VALUES ('985', "
                       "'004886718345', 'ISO FDX-B Non', '07', '2023-04-15', '14:30:05')",
                       -1, &insert, nullptr);
    for (auto _ : state) {
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(raw);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EngineAloneOneRowPerTransaction)
    ->UseRealTime()
    ->MinTime(2.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

using bench::kMillion;

// One folder with a table of a million rows for every run of the benchmark below.
BenchFolder& millionRowFolder() {
    static std::unique_ptr<BenchFolder> folder = [] {
        auto f = std::make_unique<BenchFolder>();
        bench::fillMillionReadings(f->db.tablePath(QStringLiteral("1data.db")),
                                   bench::AlphaText::Empty);
        return f;
    }();
    return *folder;
}

// Resident memory after the table was made and before any opening: growth is measured from
// here, so every repetition reports what an opening costs a fresh process.
double baselineMegabytes() {
    static const double baseline = [] {
        millionRowFolder();
        return residentMegabytes();
    }();
    return baseline;
}

void BM_OpenMillionRowsAndJumpToLast(benchmark::State& state) {
    BenchFolder& folder = millionRowFolder();
    const double before = baselineMegabytes();
    double growth = 0;
    for (auto _ : state) {
        Table tbld(folder.db, QStringLiteral("tbld"), readingsSchema());
        tbld.setFileName(QStringLiteral("1data.db"));
        tbld.open();
        tbld.last();
        // What a grid shows after the jump: the last screenful of rows, every column.
        for (int row = tbld.recordCount() - 40; row < tbld.recordCount(); ++row)
            for (int col = 0; col < tbld.fieldCount(); ++col)
                benchmark::DoNotOptimize(tbld.displayText(row, col));
        if (tbld.recordCount() != kMillion ||
            tbld.fieldByName(u"tag").asString() != QStringLiteral("000001000000"))
            state.SkipWithError("wrong last row");
        growth = std::max(growth, residentMegabytes() - before);
    }
    state.counters["rss_growth_MB"] = growth;
}
BENCHMARK(BM_OpenMillionRowsAndJumpToLast)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
