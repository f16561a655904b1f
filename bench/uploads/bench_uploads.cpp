// "Download table to Reader" of 1,000 rows into the virtual reader over a pseudo-terminal at
// pause 0, against the same 1,000 records built from the table without sending them. The
// first is the whole upload as the operator waits for it (the table, the link, the port's
// threads, the reader's answers); the second is the table's share of it.

#include "link/linkview.h"
#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"
#include "tests/sim/simclient.h"
#include "transfer/tableupload.h"
#include "transfer/uploadrecord.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;
constexpr int kPort = 13;
constexpr int kRows = 1000;

// A window that keeps only what the upload writes to Labeldump.
class QuietView : public px708::LinkView {
public:
    void appendLine(std::string_view, const std::string&) override {}
    void setRadioIndex(std::string_view, int) override {}
    void setCaption(std::string_view label, const std::string& text) override {
        if (label == "Labeldump")
            labeldump = text;
    }
    void setText(std::string_view, const std::string&) override {}
    std::string text(std::string_view) const override { return {}; }
    void showMessage(const std::string& text) override { message = text; }
    void messageBox(const std::string&) override {}
    void setWaitCursor() override {}
    void restoreCursor() override {}

    std::string labeldump;
    std::string message;
};

// A readings table of 1,000 rows: ISO codes with a country code, as a download leaves them.
struct ReadingsFixture {
    ReadingsFixture() {
        if (!tmp.isValid())
            throw std::runtime_error("no temporary folder");
        px708::DateSettings::applyAtStartUp(0, u"/");
        db.setFolder(tmp.path() + QStringLiteral("/database"));
        db.connect();
        table = std::make_unique<px708::Table>(db, QStringLiteral("tbld"), px708::readingsSchema());
        table->setFileName(QStringLiteral("1data.db"));
        table->open();
        for (int i = 0; i < kRows; ++i) {
            table->append();
            table->field(px708::readings::C_Code).setAsString(QStringLiteral("985"));
            table->field(px708::readings::tag)
                .setAsString(QStringLiteral("%1").arg(12345678901LL + i, 12, 10, QLatin1Char('0')));
            table->field(px708::readings::Lot).setAsString(QStringLiteral("01"));
            table->field(px708::readings::Date_).setAsString(QStringLiteral("15/04/2023"));
            table->field(px708::readings::Time_).setAsString(QStringLiteral("14:30:05"));
            table->post();
        }
    }
    QTemporaryDir tmp;
    px708::Database db;
    std::unique_ptr<px708::Table> table;
};

ReadingsFixture& readings() {
    static ReadingsFixture fixture;
    return fixture;
}

bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > std::chrono::milliseconds(limit).count())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void BM_UploadToVirtualReader(benchmark::State& state) {
    px708::Table& table = *readings().table;
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh reader each round (nine readings stored, room for 2,000), no state file.
        simtest::SimProcess sim(std::vector<std::string>{});
        if (!sim.started()) {
            state.SkipWithError("px708-sim did not start");
            return;
        }
        px708::setPortMap({{kPort, sim.slave()}});
        px708::TComPort port;
        QuietView view;
        px708::ReaderLink link(port, view);
        link.setPause(0ms);
        port.setComNumber(kPort);
        port.OnTriggerAvail = [&](px708::TComPort& cp, std::uint16_t n) {
            link.Com1TriggerAvail(cp, n);
        };
        port.setOpen(true);
        px708::TableUpload upload(link, table);
        state.ResumeTiming();

        upload.start(px708::UploadChoice::All, {});
        const bool done = waitFor(
            [&] {
                return !view.labeldump.empty() && view.labeldump.rfind("Upload completed", 0) == 0;
            },
            120s);

        state.PauseTiming();
        if (!done || upload.stored() != kRows) {
            state.SkipWithError(
                ("upload ended at " + std::to_string(upload.stored()) + " " + view.message)
                    .c_str());
            return;
        }
        port.setOpen(false);
        px708::setPortMap({});
        state.ResumeTiming();
    }
    state.counters["records"] = kRows;
    state.counters["per_record"] =
        benchmark::Counter(static_cast<double>(kRows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_UploadToVirtualReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The table's share: the same rows read by position and made into their wire form.
void BM_BuildRecordsFromTable(benchmark::State& state) {
    px708::Table& table = *readings().table;
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (int pos = 0; pos < kRows; ++pos) {
            const px708::UploadRow row{table.storedValue(pos, px708::readings::C_Code),
                                       table.storedValue(pos, px708::readings::tag),
                                       table.storedValue(pos, px708::readings::Lot),
                                       table.storedValue(pos, px708::readings::Date_),
                                       table.storedValue(pos, px708::readings::Time_)};
            bytes += px708::uploadCommand(px708::tableUploadRecord(row, {}, now)).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["per_record"] =
        benchmark::Counter(static_cast<double>(kRows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildRecordsFromTable)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
