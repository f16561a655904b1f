// The CSV import and the three exports over 100,000 readings. The import reads a file made by
// the program's own CSV export, into an empty table, and reports the peak memory it took as a
// multiple of the file's size, and SQLite's own shell importing the same file in the same run
// (.import into a table it makes from the header), as a ratio. The tables live beside the
// build's bin/ folder, so the commit meets the disk the build lives on.

#include "bench/support/benchfolder.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"
#include "store/tablesnapshot.h"
#include "transfer/csvimport.h"
#include "transfer/tableexport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <malloc.h>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using namespace px708;
using bench::benchRoot;

constexpr int kRows = 100000;

double allocatedBytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

struct Folder {
    QTemporaryDir tmp{benchRoot() + QStringLiteral("/bench-transfer-XXXXXX")};
    Database db;
    Folder() {
        if (!tmp.isValid())
            throw std::runtime_error("cannot make the benchmark folder");
        db.setFolder(tmp.path() + QStringLiteral("/database"));
        db.connect();
        DateSettings::applyAtStartUp(0, u"/");
    }
    std::unique_ptr<Table> readings(int n) {
        auto t = std::make_unique<Table>(db, QStringLiteral("tbld"), readingsSchema());
        t->setFileName(QStringLiteral("%1data.db").arg(n));
        t->open();
        return t;
    }
};

// Table 1 holds 100,000 full readings; export.csv is the program's own export of it.
struct Source {
    Folder folder;
    std::unique_ptr<Table> table;
    QString csv;
    Source() {
        const std::string sql =
            "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(kRows) +
            ") INSERT INTO readings(C_Code, tag, Type, Lot, Flagged, Alpha, Bravo, Charly, Date_, "
            "Time_, Comment) SELECT '985', printf('%012d', i), 'ISO FDX-B Non', "
            "printf('%02X', i % 254 + 1), i % 2, 'animal ' || i, 'pen ' || (i % 40), 'café €5', "
            "'2023-04-15', printf('14:%02d:%02d', i / 60 % 60, i % 60), 'checked on arrival' "
            "FROM n; COMMIT;";
        sqlite3* raw = nullptr;
        const QByteArray path = folder.db.tablePath(QStringLiteral("1data.db")).toUtf8();
        sqlite3_open(path.constData(), &raw);
        const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        if (rc != SQLITE_OK)
            throw std::runtime_error("cannot fill the table");
        table = folder.readings(1);
        csv = folder.tmp.path() + QStringLiteral("/export.csv");
        ExportOptions options;
        options.format = ExportFormat::Csv;
        options.separator = QLatin1Char(';');
        options.fileName = csv;
        exportReadingsTable(*table, {}, options);
    }
};

Source& source() {
    static Source s;
    return s;
}

// SQLite's shell importing the file into a table it makes from the header line, in seconds.
double sqliteShellImportSeconds(const QString& csv, const QString& dbFile) {
    QFile::remove(dbFile);
    QProcess shell;
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("sqlite3"),
                {dbFile, QStringLiteral(".mode csv"), QStringLiteral(".separator ;"),
                 QStringLiteral(".import %1 readings").arg(csv)});
    if (!shell.waitForFinished(120000) || shell.exitCode() != 0 ||
        !shell.readAllStandardError().isEmpty())
        return -1;
    const double seconds = clock.nsecsElapsed() / 1e9;
    // The header line names the new table's columns; every other line is a row.
    QProcess count;
    count.start(QStringLiteral("sqlite3"),
                {dbFile, QStringLiteral("SELECT count(*) FROM readings")});
    count.waitForFinished(60000);
    return count.readAllStandardOutput().trimmed() == QByteArray::number(kRows) ? seconds : -1;
}

void BM_CsvImport100k(benchmark::State& state) {
    Source& s = source();
    const double fileBytes = static_cast<double>(QFileInfo(s.csv).size());
    int next = 2;
    double peakRatio = 0, importSeconds = 0, shellSeconds = 0;
    // Made and dropped outside the timing: a fresh folder with an empty table for each run.
    std::unique_ptr<Folder> target;
    std::unique_ptr<Table> empty;
    for (auto _ : state) {
        state.PauseTiming();
        empty.reset();
        target = std::make_unique<Folder>();
        empty = target->readings(next++ % 6 + 1);
        // Memory in use by the process's allocations (heap and mapped blocks), sampled at
        // every progress report: unlike the resident size, it does not hide memory that an
        // earlier run freed and the allocator kept.
        const double before = allocatedBytes();
        double peak = before;
        const auto sample = [&](const CsvImportProgress&) {
            peak = std::max(peak, allocatedBytes());
        };
        QElapsedTimer clock;
        clock.start();
        state.ResumeTiming();

        const int stored = importCsvFile(*empty, s.csv, QLatin1Char(';'), sample);

        state.PauseTiming();
        importSeconds = clock.nsecsElapsed() / 1e9;
        peakRatio = std::max(peakRatio, (peak - before) / fileBytes);
        if (stored != kRows || empty->recordCount() != kRows)
            state.SkipWithError("wrong row count");
        shellSeconds = sqliteShellImportSeconds(s.csv, target->tmp.path() + "/shell.db");
        state.ResumeTiming();
    }
    state.counters["file_MB"] = fileBytes / (1024 * 1024);
    state.counters["peak_alloc_x_file"] = peakRatio;
    state.counters["sqlite_shell_s"] = shellSeconds;
    state.counters["ratio_to_shell"] = shellSeconds > 0 ? importSeconds / shellSeconds : 0;
}
BENCHMARK(BM_CsvImport100k)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Reading every cell of the table's snapshot as the exports read it, writing nothing: the
// share of an export that is the table's, not the writer's.
void BM_ReadSnapshot100k(benchmark::State& state) {
    Source& s = source();
    for (auto _ : state) {
        const TableSnapshot snapshot(*s.table);
        qsizetype chars = 0;
        for (int r = 0; r < snapshot.rowCount(); ++r)
            for (int c = 0; c < snapshot.fieldCount(); ++c)
                chars += snapshot.displayText(r, c).size();
        benchmark::DoNotOptimize(chars);
    }
}
BENCHMARK(BM_ReadSnapshot100k)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_Export100k(benchmark::State& state) {
    Source& s = source();
    const auto format = static_cast<ExportFormat>(state.range(0));
    ExportOptions options;
    options.format = format;
    options.separator = QLatin1Char(';');
    options.fileName = exportFileName(s.folder.tmp.path() + QStringLiteral("/bench"), format);
    for (auto _ : state)
        exportReadingsTable(*s.table, std::vector<int>(11, 80), options);
    state.counters["file_MB"] = QFileInfo(options.fileName).size() / (1024.0 * 1024.0);
    state.SetLabel(format == ExportFormat::Csv    ? "CSV"
                   : format == ExportFormat::Html ? "HTML"
                                                  : "SYLK");
}
BENCHMARK(BM_Export100k)
    ->Arg(static_cast<int>(ExportFormat::Csv))
    ->Arg(static_cast<int>(ExportFormat::Html))
    ->Arg(static_cast<int>(ExportFormat::Sylk))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
