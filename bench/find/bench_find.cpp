// Finding a reading in a table of a million rows: from the first row to a tag that only the
// last row holds, and a text that no row holds (the whole table searched, twice round).
// Measured in the store (TableSearch) and through the Data page's find bar over a shown grid,
// up to the grid standing on the found row, painted. Reports the time of one search (the
// search's file mapping kept from one to the next, as while the bar is open) and the growth of
// resident memory that searching costs: the rows are not read into the process's own memory,
// though the pages of the mapped file count as resident while they are mapped.

#include "bench/support/benchfolder.h"
#include "bench/support/millionrows.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"
#include "store/tablesearch.h"
#include "ui/findbar.h"
#include "ui/readingsmodel.h"
#include "ui/valuelabel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

using namespace px708;
using bench::kMillion;
using bench::residentMegabytes;

struct MillionRowFolder {
    QTemporaryDir tmp{bench::benchRoot() + QStringLiteral("/bench-find-XXXXXX")};
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

// What is searched for: the last row's tag alone holds "1000000"; no tag holds "ABC".
struct Wanted {
    const char* text;
    int row;
};
constexpr Wanted kLastRow{"1000000", kMillion - 1};
constexpr Wanted kNowhere{"ABC", -1};

void searchInTheStore(benchmark::State& state, Wanted wanted) {
    Table tbld(folder().db, QStringLiteral("tbld"), readingsSchema());
    tbld.setFileName(QStringLiteral("1data.db"));
    tbld.open();
    TableSearch search(tbld);
    const double before = residentMegabytes();
    for (auto _ : state) {
        const int found = search.find(readings::tag, QString::fromLatin1(wanted.text), 0,
                                      TableSearch::Direction::Forward);
        if (found != wanted.row)
            state.SkipWithError("wrong row found");
    }
    state.counters["rss_growth_MB"] = residentMegabytes() - before;
}

void BM_StoreFindsTheLastRow(benchmark::State& state) {
    searchInTheStore(state, kLastRow);
}
void BM_StoreFindsNothing(benchmark::State& state) {
    searchInTheStore(state, kNowhere);
}

void findThroughTheBar(benchmark::State& state, Wanted wanted) {
    Table tbld(folder().db, QStringLiteral("tbld"), readingsSchema());
    tbld.setFileName(QStringLiteral("1data.db"));
    ReadingsModel model(tbld);
    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    auto* grid = new QTableView(&page);
    layout->addWidget(grid);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setModel(&model);
    tbld.open();
    // The grid's current row moves the table's cursor, as on the Data page.
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, &page,
                     [&tbld](const QModelIndex& current) { tbld.moveTo(current.row()); });
    TFindBar* bar = TFindBar::install(grid, tbld, &page);
    page.resize(800, 400);
    page.show();
    bar->open();
    bar->findText()->setText(QString::fromLatin1(wanted.text));
    QApplication::processEvents();
    const double before = residentMegabytes();
    for (auto _ : state) {
        state.PauseTiming();
        grid->setCurrentIndex(model.index(0, readings::tag));
        QApplication::processEvents();
        state.ResumeTiming();
        bar->findNext();
        grid->viewport()->repaint();
        const int row = grid->currentIndex().row();
        const bool right = wanted.row < 0 ? row == 0 && bar->findStatus()->text() == "Not found"
                                          : row == wanted.row && tbld.recNo() == wanted.row;
        if (!right)
            state.SkipWithError("the grid is not on the right row");
    }
    state.counters["rss_growth_MB"] = residentMegabytes() - before;
}

void BM_FindBarShowsTheLastRow(benchmark::State& state) {
    findThroughTheBar(state, kLastRow);
}
void BM_FindBarSaysNotFound(benchmark::State& state) {
    findThroughTheBar(state, kNowhere);
}

#define PX708_FIND_BENCHMARK(name)                                                                 \
    BENCHMARK(name)                                                                                \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Iterations(3)                                                                            \
        ->Repetitions(5)                                                                           \
        ->ReportAggregatesOnly(true)

PX708_FIND_BENCHMARK(BM_StoreFindsTheLastRow);
PX708_FIND_BENCHMARK(BM_StoreFindsNothing);
PX708_FIND_BENCHMARK(BM_FindBarShowsTheLastRow);
PX708_FIND_BENCHMARK(BM_FindBarSaysNotFound);

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
