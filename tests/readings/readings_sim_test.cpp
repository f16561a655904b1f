// The readings brought in from the virtual reader px708-sim, in the main window: a download of
// a few lots compared row by row with the reader's state file, the download store fetched over
// ENQ/ACK and imported, and the three on-line texts round-tripped through the reader.

#include "link/readerlink.h"
#include "store/schemas.h"
#include "tests/readings/readingsfixture.h"
#include "tests/sim/simclient.h"

#include <QRegularExpression>

#include <fstream>
#include <sstream>

namespace readingstest {
namespace {

using px708::page::data;
using px708::page::onlineSettings3;
using px708::page::onlineSettings4;

// A row as the reader's record line says it should be stored: decoded here on its own, by
// the rules of the record line, as a check on the utility's decoding.
struct ExpectedRow {
    QString lot, tag, type, country, date, time;
};

ExpectedRow expectedRow(const std::string& line) {
    const std::string code = line.substr(2, 10);
    const char type = line[28];
    const unsigned long country = std::stoul(line.substr(29, 3), nullptr, 16);
    std::string tag = type == 'C' ? code.substr(1) : code;
    if (country != 0) {
        tag = std::to_string(std::stoull(tag, nullptr, 16));
        tag.insert(0, 12 - std::min<std::size_t>(12, tag.size()), '0');
    }
    const char* names[16] = {"Zelmar ",        "Unknown ",       "Unknown ", "",
                             "ISO FDX-B Non ", "ISO FDX-B Anm ", "Unknown ", "Unknown ",
                             "FECAVA ",        "Unknown ",       "Unknown ", "Unknown ",
                             "AVID ",          "Unknown ",       "Unknown ", "Unknown "};
    const int typeValue = std::stoi(std::string(1, type), nullptr, 16);
    const std::string date =
        line.substr(16, 2) + "/" + line.substr(14, 2) + "/20" + line.substr(12, 2);
    const std::string time =
        line.substr(20, 2) + ":" + line.substr(22, 2) + ":" + line.substr(24, 2);
    return {QString::fromStdString(line.substr(0, 2)),
            QString::fromStdString(tag),
            QString::fromLatin1(names[typeValue]).left(13) /* the field holds 13 */,
            QString::number(country),
            QString::fromStdString(date),
            QString::fromStdString(time)};
}

// The reading lines of a state file, in stored order.
std::vector<std::string> storedReadings(const std::string& stateFile) {
    std::ifstream in(stateFile);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        if (l.starts_with("reading "))
            lines.push_back(l.substr(8));
    return lines;
}

class FromTheVirtualReader : public testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--state", stateFile(), "--log", logFile()});
        ASSERT_TRUE(sim->started());
        startWindow(op, sim->slave());
    }
    void TearDown() override {
        if (HasFailure()) {
            std::ifstream log(logFile());
            std::cerr << "reader:\n" << log.rdbuf() << "\n";
        }
        op.stop();
        sim.reset();
    }
    std::string stateFile() const { return dir.file("reader.state"); }
    std::string logFile() const { return dir.file("sim.log"); }

    void control(const std::string& line) {
        const auto answer = sim->control(line);
        ASSERT_FALSE(answer.empty());
        ASSERT_TRUE(answer.back().starts_with("ok")) << line << ": " << answer.back();
    }
    // Changes page and waits for the reader's answer to the mode switch.
    void enter(int page) {
        op.selectPage(page);
        const char* answer = page == onlineSettings3 ? "ON-LINE MODE" : "ZELMAR MODE";
        ASSERT_TRUE(waitFor([&] { return memoLines(op, "Memo1").contains(answer); }, 5s));
        op.control<QPlainTextEdit>("Memo1")->clear();
    }
    bool portBufferShows(const char* line) {
        return waitFor([&] { return memoLines(op, "Memo1").contains(line); }, 10s);
    }
    px708::Table& tbld() { return op.form->tbld(); }

    simtest::TempDir dir;
    std::unique_ptr<simtest::SimProcess> sim;
    Operator op;
};

TEST_F(FromTheVirtualReader, DownloadedLotsMatchTheReadersMemoryRowByRow) {
    control("fill 500 5");
    enter(data);
    std::vector<std::string> expected;
    const auto memory = storedReadings(stateFile());
    ASSERT_EQ(memory.size(), 500u);
    for (const char* lot : {"02", "04"}) {
        op.type("datalot", QString::fromLatin1(lot));
        op.click("Button53");
        ASSERT_TRUE(
            waitFor([&] { return op.text("Labeldump") == "Download completed (100)"; }, 20s))
            << op.text("Labeldump").toStdString();
        for (const auto& line : memory)
            if (line.starts_with(lot))
                expected.push_back(line);
    }
    ASSERT_EQ(tbld().recordCount(), 200);
    ASSERT_EQ(op.form->dataPage()->model().rowCount(), 200) << "the grid shows every row";
    for (int row = 0; row < 200; ++row) {
        SCOPED_TRACE(expected[static_cast<std::size_t>(row)]);
        const ExpectedRow e = expectedRow(expected[static_cast<std::size_t>(row)]);
        const auto cell = [&](int field) { return tbld().displayText(row, field); };
        ASSERT_EQ(cell(px708::readings::Lot), e.lot);
        ASSERT_EQ(cell(px708::readings::tag), e.tag);
        ASSERT_EQ(cell(px708::readings::Type), e.type);
        ASSERT_EQ(cell(px708::readings::C_Code), e.country);
        ASSERT_EQ(cell(px708::readings::Date_), e.date);
        ASSERT_EQ(cell(px708::readings::Time_), e.time);
    }
}

TEST_F(FromTheVirtualReader, DownloadStoreComesOverEnqAckAndIsImported) {
    control("fillstore 48"); // 50 with the two a fresh reader keeps
    enter(onlineSettings3);
    op.click("Button21");
    ASSERT_TRUE(
        waitFor([&] { return memoLines(op, "Memo4").contains("Download completed"); }, 20s));
    const QStringList fetched = memoLines(op, "Memo4");
    ASSERT_EQ(fetched.size(), 51);
    EXPECT_EQ(fetched.first(), "0006E4F1A2");
    EXPECT_EQ(op.link().state(), 0) << "live readings show again";

    // The reader's store is empty now: its next answer is the lone ACK.
    op.click("Button21");
    ASSERT_TRUE(waitFor([&] { return memoLines(op, "Memo4").size() == 52; }));
    EXPECT_EQ(memoLines(op, "Memo4").last(), "Download completed");

    op.click("Button54");
    ASSERT_EQ(tbld().recordCount(), 50);
    for (int row = 0; row < 50; ++row)
        ASSERT_EQ(tbld().displayText(row, px708::readings::tag), fetched[row]);

    // A live reading arrives while the page is shown, after the reader's answer to the mode
    // switch, which is no reading of ten characters and is not imported.
    control("read 0006A1B2C3");
    ASSERT_TRUE(waitFor([&] {
        return memoLines(op, "Memo3") == QStringList{"ON-LINE MODE", "0006A1B2C3"};
    }));
    op.click("Button52");
    EXPECT_EQ(tbld().recordCount(), 51);
}

// The texts as the reader keeps them, from its state file: hexadecimal pairs.
std::string keptText(const std::string& stateFile, const std::string& key) {
    std::ifstream in(stateFile);
    for (std::string l; std::getline(in, l);)
        if (l.starts_with(key + " ") || l == key)
            return l.size() > key.size() ? l.substr(key.size() + 1) : std::string();
    return "?";
}

TEST_F(FromTheVirtualReader, OnlineTextsRoundTripThroughTheReader) {
    enter(onlineSettings4);
    struct Text {
        const char* edit;
        const char* set;
        const char* read;
        const char* key;
        QString value;
        std::string hex;
    };
    const Text texts[] = {
        {"messag", "Button19", "Button18", "message", QString::fromLatin1("No tag \xE9t\xE9 ~!"),
         "4E6F2074616720E974E9207E21"},
        {"prefix", "Button23", "Button22", "prefix", QStringLiteral("ID:"), "49443A"},
        {"suffix", "Button25", "Button24", "suffix", QStringLiteral("#"), "23"},
    };
    for (const Text& t : texts) {
        SCOPED_TRACE(t.edit);
        // Typed as a keyboard with accents would give it.
        op.control<QLineEdit>(t.edit)->setText(t.value);
        op.click(t.set);
        ASSERT_TRUE(portBufferShows("AOK"));
        EXPECT_EQ(op.text(t.edit), "") << "the acknowledgement empties the edit";
        EXPECT_EQ(keptText(stateFile(), t.key), t.hex);
        op.control<QPlainTextEdit>("Memo1")->clear();
        op.click(t.read);
        ASSERT_TRUE(op.shows(t.edit, t.value)) << op.text(t.edit).toStdString();
        op.control<QPlainTextEdit>("Memo1")->clear();
    }
    // The reader sends every on-line reading between the prefix and the suffix.
    enter(onlineSettings3);
    control("read 0006A1B2C3");
    ASSERT_TRUE(waitFor([&] {
        return memoLines(op, "Memo3") == QStringList{"ON-LINE MODE", "ID:0006A1B2C3#"};
    })) << memoLines(op, "Memo3").join('|').toStdString();
}

} // namespace
} // namespace readingstest
