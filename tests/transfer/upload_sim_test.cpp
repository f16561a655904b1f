// The table upload and the keylot upload against the virtual reader on a pseudo-terminal: what
// the reader keeps afterwards is read back from its own state.

#include "transfer/keylotupload.h"
#include "transfer/tableupload.h"

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "store/table.h"
#include "tests/link/recordingview.h"
#include "tests/sim/simclient.h"
#include "tests/store/storefixture.h"
#include "tests/support/ptypeer.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <map>

using namespace std::chrono_literals;

namespace px708 {
namespace {

constexpr int kPort = 11;

// An empty reader: lot 01, keylot 01, save on, seek on, room for capacity readings.
std::string emptyReader(int capacity = 100) {
    return "px708-sim-state 1\nsave 1\nseek 1\nkeylot 01\ncapacity " + std::to_string(capacity) +
           "\n";
}

// Sunday 16 April 2023, 09:05:41.
const QDateTime kNow{QDate(2023, 4, 16), QTime(9, 5, 41)};

class UploadToReader : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        table = readings();
        table->open();
    }
    // Starts the reader from state and opens the port on it.
    void startReader(const std::string& state) {
        simtest::writeFile(statePath(), state);
        sim =
            std::make_unique<simtest::SimProcess>(std::vector<std::string>{"--state", statePath()});
        ASSERT_TRUE(sim->started());
        setPortMap({{kPort, sim->slave()}});
        port.setComNumber(kPort);
        port.OnTriggerAvail = [this](TComPort& cp, std::uint16_t n) {
            link.Com1TriggerAvail(cp, n);
        };
        port.setOpen(true);
        link.setPause(0ms);
        view.onMessage = [] {};
    }
    void TearDown() override {
        tableUpload.reset();
        keylotUpload.reset();
        port.setOpen(false);
        setPortMap({});
        sim.reset();
    }
    std::string statePath() const { return dir.file("reader.state"); }

    // The reader's state, key by key; "reading" gathers every stored reading in order.
    std::multimap<std::string, std::string> readerState() {
        std::multimap<std::string, std::string> state;
        for (const std::string& line : sim->control("state")) {
            const auto blank = line.find(' ');
            if (blank != std::string::npos)
                state.emplace(line.substr(0, blank), line.substr(blank + 1));
        }
        return state;
    }
    std::vector<std::string> readingsInReader() {
        std::vector<std::string> stored;
        const auto state = readerState();
        const auto [from, to] = state.equal_range("reading");
        for (auto it = from; it != to; ++it)
            stored.push_back(it->second);
        return stored;
    }
    std::string readerValue(const std::string& key) {
        const auto state = readerState();
        const auto it = state.find(key);
        return it == state.end() ? "?" : it->second;
    }

    std::string lastCaption(const std::string& label) const {
        const auto it = view.captions.find(label);
        return it == view.captions.end() || it->second.empty() ? "?" : it->second.back();
    }
    bool saw(const std::string& event) const {
        return std::find(view.events.begin(), view.events.end(), event) != view.events.end();
    }
    bool cursorIsDefault() const {
        const auto last = std::find_if(view.events.rbegin(), view.events.rend(),
                                       [](auto& e) { return e.rfind("cursor ", 0) == 0; });
        return last == view.events.rend() || *last == "cursor default";
    }

    void addRow(const char* cCode, const char* tag, const char* lot, bool flagged,
                const char* date = "15/04/2023", const char* time = "14:30:05") {
        Table& t = *table;
        t.append();
        t.field(readings::C_Code).setAsString(QString::fromLatin1(cCode));
        t.field(readings::tag).setAsString(QString::fromLatin1(tag));
        t.field(readings::Lot).setAsString(QString::fromLatin1(lot));
        t.field(readings::Flagged).setAsBoolean(flagged);
        t.field(readings::Date_).setAsString(QString::fromLatin1(date));
        t.field(readings::Time_).setAsString(QString::fromLatin1(time));
        t.post();
    }

    // Five rows: a Zelmar code, an ISO code with country 985, a captured reading without a
    // country code, an AVID code of nine characters, and a row in another lot; the second
    // and the fourth are flagged.
    void addFiveRows() {
        addRow("0", "0006E4F1A2", "01", false);
        addRow("985", "012345678901", "01", true, "02/05/2023", "09:05:17");
        addRow("", "0006A1B2C3", "", false, "", "");
        addRow("0", "067291845", "02", true);
        addRow("0", "16FEE0E52D", "FE", false, "31/12/2024", "23:59:59");
    }

    simtest::TempDir dir;
    std::unique_ptr<simtest::SimProcess> sim;
    TComPort port;
    test::RecordingView view;
    ReaderLink link{port, view};
    std::unique_ptr<Table> table;
    std::unique_ptr<TableUpload> tableUpload;
    std::unique_ptr<KeylotUpload> keylotUpload;
};

// A record written with blanks between its parts, for reading.
std::string parts(std::string text) {
    std::erase(text, ' ');
    return text;
}

// What the reader keeps of the five rows: lot, code, date and weekday, hour and minute, the
// zeros, country code.
const std::vector<std::string> kFiveRecords = {
    parts("01 0006E4F1A2 23041506 1430 0000 0000"), parts("01 02DFDC1C35 23050202 0905 0000 03D9"),
    parts("01 0006A1B2C3 23041607 0905 0000 0000"), parts("02 0067291845 23041506 1430 0000 0000"),
    parts("FE 16FEE0E52D 24123102 2359 0000 0000"),
};

TEST_F(UploadToReader, AllRowsAreStoredWhereTheySay) {
    startReader(emptyReader());
    addFiveRows();
    table->moveTo(2);
    tableUpload = std::make_unique<TableUpload>(link, *table, [] { return kNow; });
    tableUpload->start(UploadChoice::All, {});
    ASSERT_TRUE(test::waitFor([&] { return lastCaption("Labeldump") == "Upload completed (5)"; }))
        << lastCaption("Labeldump");
    EXPECT_EQ(readingsInReader(), kFiveRecords);
    EXPECT_EQ(table->recNo(), 2) << "the operator's row stays current";
    EXPECT_TRUE(cursorIsDefault());
    EXPECT_EQ(link.state(), TableUpload::kState);
}

TEST_F(UploadToReader, OneLotForTheWholeUpload) {
    startReader(emptyReader());
    addFiveRows();
    tableUpload = std::make_unique<TableUpload>(link, *table, [] { return kNow; });
    tableUpload->start(UploadChoice::All, QStringLiteral("7"));
    ASSERT_TRUE(test::waitFor([&] { return lastCaption("Labeldump") == "Upload completed (5)"; }));
    for (const std::string& r : readingsInReader())
        EXPECT_EQ(r.substr(0, 2), "07") << r;
}

TEST_F(UploadToReader, FlaggedOnlySendsTheFlaggedRows) {
    startReader(emptyReader());
    addFiveRows();
    tableUpload = std::make_unique<TableUpload>(link, *table, [] { return kNow; });
    tableUpload->start(UploadChoice::FlaggedOnly, {});
    ASSERT_TRUE(test::waitFor([&] { return lastCaption("Labeldump") == "Upload completed (2)"; }))
        << lastCaption("Labeldump");
    EXPECT_EQ(readingsInReader(), (std::vector<std::string>{kFiveRecords[1], kFiveRecords[3]}));
    EXPECT_TRUE(cursorIsDefault());
}

TEST_F(UploadToReader, SingleRecordSendsTheCurrentRowOnly) {
    startReader(emptyReader());
    addFiveRows();
    table->moveTo(3);
    tableUpload = std::make_unique<TableUpload>(link, *table, [] { return kNow; });
    tableUpload->start(UploadChoice::SingleRecord, {});
    ASSERT_TRUE(test::waitFor([&] { return lastCaption("Labeldump") == "Upload completed (1)"; }));
    EXPECT_EQ(readingsInReader(), std::vector<std::string>{kFiveRecords[3]});
    EXPECT_TRUE(cursorIsDefault());
}

TEST_F(UploadToReader, RefusalStopsTheUpload) {
    // Room for two: the third record gets "SNO".
    startReader(emptyReader(2));
    addFiveRows();
    tableUpload = std::make_unique<TableUpload>(link, *table, [] { return kNow; });
    tableUpload->start(UploadChoice::All, {});
    ASSERT_TRUE(test::waitFor([&] { return saw("message " + std::string(kRefusalText)); }));
    test::settle(200ms);
    EXPECT_EQ(readingsInReader(), (std::vector<std::string>{kFiveRecords[0], kFiveRecords[1]}));
    EXPECT_EQ(tableUpload->stored(), 2);
    EXPECT_EQ(tableUpload->position(), 2) << "no record after the refused one";
    EXPECT_TRUE(cursorIsDefault());
}

struct NothingCase {
    const char* name;
    UploadChoice choice;
    bool rows; // the table has rows, none of them flagged
};

void PrintTo(const NothingCase& c, std::ostream* os) {
    *os << c.name;
}

class NothingToSend : public UploadToReader, public ::testing::WithParamInterface<NothingCase> {};

TEST_P(NothingToSend, SendsNothingAndSaysNothing) {
    startReader(emptyReader());
    if (GetParam().rows)
        addRow("0", "0006E4F1A2", "01", false);
    tableUpload = std::make_unique<TableUpload>(link, *table, [] { return kNow; });
    tableUpload->start(GetParam().choice, {});
    test::settle(300ms);
    EXPECT_TRUE(readingsInReader().empty());
    EXPECT_TRUE(std::none_of(view.events.begin(), view.events.end(), [](const std::string& e) {
        return e.rfind("message", 0) == 0 || e.rfind("box", 0) == 0 || e.rfind("cursor", 0) == 0;
    })) << "no message and no cursor change";
}

INSTANTIATE_TEST_SUITE_P(
    Uploads, NothingToSend,
    ::testing::Values(NothingCase{"AllOnAnEmptyTable", UploadChoice::All, false},
                      NothingCase{"FlaggedOnlyWithoutAFlag", UploadChoice::FlaggedOnly, true},
                      NothingCase{"SingleRecordOnAnEmptyTable", UploadChoice::SingleRecord, false}),
    [](const auto& p) { return std::string(p.param.name); });

class KeylotToReader : public UploadToReader {
protected:
    // The list of the keylot page's example: two codes of a file of three lines.
    void importExample() {
        const QString path = QString::fromStdString(dir.file("keylot.csv"));
        simtest::writeFile(path.toStdString(), "0123456789ABC\r\n12345\r\n9876543210\r\n");
        keylotUpload->importFile(path);
        keylotUpload->importFinished();
    }
};

TEST_F(KeylotToReader, ListGoesIntoTheKeylotAndBecomesTheReadersKeylot) {
    startReader(emptyReader());
    keylotUpload = std::make_unique<KeylotUpload>(link, [] { return kNow; });
    importExample();
    EXPECT_EQ(keylotUpload->list(), (QStringList{"0123456789", "9876543210"}));
    EXPECT_EQ(keylotUpload->countText(), QStringLiteral("2 records imported"));
    EXPECT_EQ(keylotUpload->status(), QStringLiteral("Ensure Reader is connected!"));
    EXPECT_TRUE(keylotUpload->uploadOffered());

    keylotUpload->setKeylot(QStringLiteral("05"));
    std::vector<QString> statuses;
    QObject::connect(keylotUpload.get(), &KeylotUpload::changed,
                     [&] { statuses.push_back(keylotUpload->status()); });
    keylotUpload->start();
    ASSERT_TRUE(test::waitFor([&] {
        return keylotUpload->phase() == KeylotUpload::Phase::SeekModeSet;
    })) << keylotUpload->status().toStdString();

    EXPECT_EQ(readingsInReader(),
              (std::vector<std::string>{parts("05 8967452301 230416 07 0905 00 000000"),
                                        parts("05 1032547698 230416 07 0905 00 000000")}));
    EXPECT_EQ(readerValue("keylot"), "05");
    EXPECT_EQ(readerValue("seek"), "0") << "M01: seek mode off";
    EXPECT_EQ(readerValue("save"), "1") << "M01: save mode on";
    EXPECT_EQ(lastCaption("mode"), std::string(kModeZelmar));

    EXPECT_EQ(keylotUpload->status(), QStringLiteral("Seek Mode set"));
    EXPECT_TRUE(keylotUpload->list().isEmpty());
    EXPECT_FALSE(keylotUpload->uploadOffered());
    const std::vector<QString> expected = {
        QStringLiteral("S05896745230123041607090500000000"),
        QStringLiteral("S05103254769823041607090500000000"),
        QStringLiteral(" Download of 2 records completed"),
        QStringLiteral("05 KeyLot set "),
        QStringLiteral("Seek Mode set"),
    };
    for (const QString& s : expected)
        EXPECT_NE(std::find(statuses.begin(), statuses.end(), s), statuses.end())
            << s.toStdString();
}

TEST_F(KeylotToReader, EmptyListStillSetsTheKeylotAndTheSeekMode) {
    startReader(emptyReader());
    keylotUpload = std::make_unique<KeylotUpload>(link, [] { return kNow; });
    keylotUpload->importFinished();
    keylotUpload->setKeylot(QString());
    keylotUpload->start();
    ASSERT_TRUE(
        test::waitFor([&] { return keylotUpload->phase() == KeylotUpload::Phase::SeekModeSet; }));
    EXPECT_TRUE(readingsInReader().empty());
    EXPECT_EQ(keylotUpload->keylot(), QStringLiteral("01")) << "an emptied keylot becomes 01";
    EXPECT_EQ(readerValue("keylot"), "01");
    EXPECT_EQ(readerValue("seek"), "0");
}

TEST_F(KeylotToReader, RefusedRecordEndsTheUploadWithoutTheKeylot) {
    startReader(emptyReader());
    keylotUpload = std::make_unique<KeylotUpload>(link, [] { return kNow; });
    importExample();
    keylotUpload->setKeylot(QStringLiteral("05"));
    ASSERT_EQ(sim->control("refuse S").back(), "ok");
    keylotUpload->start();
    ASSERT_TRUE(test::waitFor([&] { return saw("message " + std::string(kRefusalText)); }));
    test::settle(300ms);
    EXPECT_TRUE(readingsInReader().empty());
    EXPECT_EQ(readerValue("keylot"), "01") << "no K after a refusal";
    EXPECT_EQ(keylotUpload->counter(), 0) << "the counter keeps the refused line";
    EXPECT_EQ(keylotUpload->list().size(), 2);
}

} // namespace
} // namespace px708
