// Rows appended to the current readings table while the Data page is shown (the page with its
// grid, record panel and navigator, on the offscreen platform), each beside the engine alone
// doing the same work on the same disk in the same run:
// - a bulk append of 100,000 rows through BulkAppend (an import, a download of a full reader),
//   against a plain prepared INSERT loop in one transaction through the sqlite3 C API;
// - durable single appends, one synchronised transaction per row (the download's rows), through
//   Table::appendRow and through append/set/post, against the engine alone committing one row
//   per transaction.
// The tables live in folders beside the build's bin/ folder (not /tmp, which may be a memory
// file system where synchronisation costs nothing).

#include "bench/support/benchfolder.h"
#include "link/linkview.h"
#include "link/readerlink.h"
#include "serial/comport.h"
#include "store/bulkappend.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"
#include "ui/datapage.h"
#include "ui/pagecontext.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

using namespace px708;

constexpr int kBulkRows = 100000;

// The reader link needs a view; nothing is sent in these benchmarks.
class SilentView : public LinkView {
public:
    void appendLine(std::string_view, const std::string&) override {}
    void setRadioIndex(std::string_view, int) override {}
    void setCaption(std::string_view, const std::string&) override {}
    void setText(std::string_view, const std::string&) override {}
    std::string text(std::string_view) const override { return {}; }
    void showMessage(const std::string&) override {}
    void messageBox(const std::string&) override {}
    void setWaitCursor() override {}
    void restoreCursor() override {}
};

// A fresh database folder with the settings table and readings table 1 open, and the Data
// page shown on them.
struct ShownDataPage {
    QTemporaryDir tmp{bench::benchRoot() + QStringLiteral("/bench-appends-XXXXXX")};
    Database db;
    TComPort com;
    SilentView view;
    ReaderLink link{com, view};
    Table tblc{db, QStringLiteral("tblc"), settingsSchema()};
    Table tbld{db, QStringLiteral("tbld"), readingsSchema()};
    PageContext context{com, link, nullptr, {}, &tblc, &tbld};
    std::unique_ptr<TDataPage> page;

    ShownDataPage() {
        if (!tmp.isValid())
            throw std::runtime_error("cannot make the benchmark folder");
        DateSettings::applyAtStartUp(0, u"/");
        db.setFolder(tmp.path() + QStringLiteral("/database"));
        db.connect();
        tblc.setFileName(QString::fromLatin1(kSettingsFileName));
        tblc.open();
        tbld.setFileName(QStringLiteral("1data.db"));
        tbld.open();
        page = std::make_unique<TDataPage>(context);
        page->resize(800, 600);
        page->show();
        QApplication::processEvents();
    }
    ~ShownDataPage() { page.reset(); }
    QString otherTablePath() const { return db.tablePath(QStringLiteral("2data.db")); }
};

// The fields a download from the reader sets for one record line.
void fillReading(RowValues& row, int n) {
    row.setText(readings::Date_, QStringLiteral("15/04/2023"));
    row.setText(readings::Time_, QStringLiteral("14:30:05"));
    row.setText(readings::Lot, QStringLiteral("07"));
    row.setText(readings::tag, QString::number(999000000000LL + n).right(12));
    row.setText(readings::C_Code, QStringLiteral("985"));
    row.setText(readings::Type, QStringLiteral("ISO FDX-B Non"));
}

void BM_BulkAppend100kWithDataPageShown(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ShownDataPage shown;
        state.ResumeTiming();
        {
            BulkAppend bulk(shown.tbld);
            for (int n = 0; n < kBulkRows; ++n) {
                RowValues row = bulk.newRow();
                fillReading(row, n);
                bulk.append(row);
            }
            bulk.finish();
        }
        shown.page->Grid1()->viewport()->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        if (shown.tbld.recordCount() != kBulkRows || shown.tbld.recNo() != kBulkRows - 1)
            state.SkipWithError("rows missing");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBulkRows);
}
BENCHMARK(BM_BulkAppend100kWithDataPageShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The engine's own figure for the same rows: one transaction, one prepared INSERT, texts bound.
void BM_EngineAloneBulkInsert100k(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ShownDataPage shown;
        sqlite3* raw = nullptr;
        sqlite3_open(shown.otherTablePath().toUtf8().constData(), &raw);
        sqlite3_exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr,
                     nullptr);
        state.ResumeTiming();
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(raw,
                           "INSERT INTO readings(Date_, Time_, Lot, tag, C_Code, Type) VALUES "
                           "(?, ?, ?, ?, ?, ?)",
                           -1, &insert, nullptr);
        sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int n = 0; n < kBulkRows; ++n) {
            const QByteArray tag = QByteArray::number(999000000000LL + n).right(12);
            sqlite3_bind_text(insert, 1, "2023-04-15", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 2, "14:30:05", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, "07", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 4, tag.constData(), static_cast<int>(tag.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 5, "985", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 6, "ISO FDX-B Non", -1, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE)
                state.SkipWithError("insert failed");
            sqlite3_reset(insert);
        }
        sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(insert);
        state.PauseTiming();
        sqlite3_close(raw);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBulkRows);
}
BENCHMARK(BM_EngineAloneBulkInsert100k)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Durable single appends as the download makes them. The window handles its events (and
// paints) between deliveries of the reader's lines: the argument is the rows of one delivery,
// 1 for a reader whose lines come one at a time, 32 for about a kilobyte of record lines.
void BM_DurableAppendRowWithDataPageShown(benchmark::State& state) {
    ShownDataPage shown;
    const auto perDelivery = state.range(0);
    int n = 0;
    for (auto _ : state) {
        RowValues row(shown.tbld);
        fillReading(row, n++);
        shown.tbld.appendRow(row);
        if (n % perDelivery == 0)
            QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DurableAppendRowWithDataPageShown)
    ->Arg(1)
    ->Arg(32)
    ->UseRealTime()
    ->MinTime(2.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The same through the cursor: append, set each field, post.
void BM_DurableAppendPostWithDataPageShown(benchmark::State& state) {
    ShownDataPage shown;
    Table& t = shown.tbld;
    const auto perDelivery = state.range(0);
    qint64 n = 0;
    for (auto _ : state) {
        t.append();
        t.field(readings::Date_).setAsString(QStringLiteral("15/04/2023"));
        t.field(readings::Time_).setAsString(QStringLiteral("14:30:05"));
        t.field(readings::Lot).setAsString(QStringLiteral("07"));
        t.field(readings::tag).setAsString(QString::number(999000000000LL + n++).right(12));
        t.field(readings::C_Code).setAsString(QStringLiteral("985"));
        t.field(readings::Type).setAsString(QStringLiteral("ISO FDX-B Non"));
        t.post();
        if (n % perDelivery == 0)
            QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DurableAppendPostWithDataPageShown)
    ->Arg(1)
    ->Arg(32)
    ->UseRealTime()
    ->MinTime(2.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The disk's ceiling at the moment of the run: the engine alone, one synchronised transaction
// per row.
void BM_EngineAloneOneRowPerTransaction(benchmark::State& state) {
    ShownDataPage shown;
    sqlite3* raw = nullptr;
    sqlite3_open(shown.otherTablePath().toUtf8().constData(), &raw);
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

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
