// The readings grid over a table of a million rows: opening the table in a grid (the readings
// model in a table view, shown on the offscreen platform) and jumping to its last row, painted.
// Reports the time and the growth of resident memory that one opening costs. The table lives
// in a folder beside the build's bin/ folder.

#include "bench/support/benchfolder.h"
#include "bench/support/millionrows.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"
#include "ui/readingsmodel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <unistd.h>

namespace {

using px708::bench::benchRoot;
using px708::bench::residentMegabytes;

using namespace px708;

using bench::kMillion;

struct MillionRowFolder {
    QTemporaryDir tmp{benchRoot() + QStringLiteral("/bench-datapage-XXXXXX")};
    Database db;
    MillionRowFolder() {
        if (!tmp.isValid())
            throw std::runtime_error("cannot make the benchmark folder");
        db.setFolder(tmp.path() + QStringLiteral("/database"));
        db.connect();
        DateSettings::applyAtStartUp(0, u"/");
        bench::fillMillionReadings(db.tablePath(QStringLiteral("1data.db")),
                                   bench::AlphaText::Numbered);
    }
};

MillionRowFolder& folder() {
    static MillionRowFolder f;
    return f;
}

void BM_OpenMillionRowsInTheGridAndJumpToLast(benchmark::State& state) {
    MillionRowFolder& f = folder();
    // Warm the widget machinery once, so that the figures are the opening's own.
    {
        QTableView warm;
        warm.show();
        QApplication::processEvents();
    }
    const double before = residentMegabytes();
    double growth = 0;
    for (auto _ : state) {
        Table tbld(f.db, QStringLiteral("tbld"), readingsSchema());
        tbld.setFileName(QStringLiteral("1data.db"));
        ReadingsModel model(tbld);
        QTableView grid;
        grid.verticalHeader()->hide();
        grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid.verticalHeader()->setDefaultSectionSize(grid.fontMetrics().height() + 6);
        grid.setModel(&model);
        grid.resize(800, 400);
        grid.show();
        tbld.open();
        tbld.last();
        const QModelIndex last = model.index(tbld.recNo(), readings::tag);
        grid.setCurrentIndex(last);
        grid.scrollTo(last);
        grid.viewport()->repaint();
        QApplication::processEvents();
        if (model.rowCount() != kMillion ||
            last.data().toString() != QStringLiteral("000001000000"))
            state.SkipWithError("wrong last row");
        growth = std::max(growth, residentMegabytes() - before);
    }
    state.counters["rss_growth_MB"] = growth;
}
BENCHMARK(BM_OpenMillionRowsInTheGridAndJumpToLast)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    folder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
