// The reader's memory: record lines of the dumps, upload records and keylot records, free memory
// and readings taken in Zelmar mode.

#include "tests/sim/knownreader.h"

#include <gtest/gtest.h>

namespace simtest {
namespace {

// A record line taken apart by position, the way the PC side reads it.
struct Decoded {
    std::string lot, code, date, weekday, time, extra, type, country;
    bool operator==(const Decoded&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Decoded& d) {
    return os << d.lot << '|' << d.code << '|' << d.date << '|' << d.weekday << '|' << d.time << '|'
              << d.extra << '|' << d.type << '|' << d.country;
}

Decoded decode(const std::string& line) {
    return {line.substr(0, 2),  line.substr(2, 10), line.substr(12, 6), line.substr(18, 2),
            line.substr(20, 6), line.substr(26, 2), line.substr(28, 1), line.substr(29, 3)};
}

TEST(Dump, RecordLinesDecodeToTheStoredReadings) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    const auto lines = reader.port->ask("N", 4);
    ASSERT_EQ(lines.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(lines[i].size(), 32u) << lines[i];
    EXPECT_EQ(decode(lines[0]),
              (Decoded{"01", "02DFDC1C35", "230415", "06", "143005", "00", "5", "3D9"}));
    EXPECT_EQ(decode(lines[1]),
              (Decoded{"01", "0006E4F1A2", "230415", "06", "143502", "00", "0", "000"}));
    EXPECT_EQ(decode(lines[2]),
              (Decoded{"02", "0067291845", "230502", "02", "090517", "00", "C", "000"}));
    EXPECT_EQ(lines[3], "NOK");
}

TEST(Dump, OneLotGivesOnlyItsReadings) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    const auto lines = reader.port->ask("N02", 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(decode(lines[0]).code, "0067291845");
    EXPECT_EQ(lines[1], "NOK");
}

TEST(Dump, AllLotsComeInLotOrder) {
    // Readings stored out of lot order are read out lot by lot, each lot in storing order.
    std::string state = kKnownState;
    state += "reading 010000003039240107071647210053E7\n";
    KnownReader reader(state);
    ASSERT_TRUE(reader.ready());
    const auto lines = reader.port->ask("N", 5);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(decode(lines[0]).code, "02DFDC1C35");
    EXPECT_EQ(decode(lines[1]).code, "0006E4F1A2");
    EXPECT_EQ(decode(lines[2]).code, "0000003039");
    EXPECT_EQ(decode(lines[3]).lot, "02");
}

struct Upload {
    std::string name;
    std::string record;
    std::string reply;
};

std::ostream& operator<<(std::ostream& os, const Upload& u) {
    return os << u.name;
}

class UploadRecord : public ::testing::TestWithParam<Upload> {};

// A record is stored into the lot it names, exactly as sent, and read back in that lot's dump.
TEST_P(UploadRecord, IsStoredWhereItSaysOrRefused) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    const auto& u = GetParam();
    ASSERT_EQ(reader.port->ask("S" + u.record, 1), std::vector<std::string>{u.reply});
    if (u.reply == "SOK") {
        const std::string lot = u.record.substr(0, 2);
        auto dump = reader.port->ask("N" + lot, 1);
        // Earlier readings of the lot come first; the upload is the last before NOK.
        while (!dump.empty() && dump.back() != "NOK") {
            auto more = reader.port->lines(1);
            if (more.empty())
                break;
            dump.push_back(more[0]);
        }
        ASSERT_GE(dump.size(), 2u);
        EXPECT_EQ(dump[dump.size() - 2], u.record);
        EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0006"});
    } else {
        EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0007"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reader, UploadRecord,
    ::testing::Values(
        // Table row with country code 985 into its own lot.
        Upload{"TableRowIntoExistingLot", "0102DFDC1C35230415061430000003D9", "SOK"},
        // Keylot record: lot 05, the code's pairs reversed, country "0000".
        Upload{"KeylotRecord", "05896745230123041607090500000000", "SOK"},
        Upload{"LotFE", "FE0006E4F1A223041506143000000000", "SOK"},
        Upload{"ShortRecordOfAnAvidTag", "0167291845230415061430000000000", "SNO"},
        Upload{"LongRecord", "0102DFDC1C35230415061430000003D90", "SNO"},
        Upload{"LotZero", "0002DFDC1C35230415061430000003D9", "SNO"},
        Upload{"LotFF", "FF02DFDC1C35230415061430000003D9", "SNO"},
        Upload{"LowerCaseCode", "0102dfdc1c35230415061430000003D9", "SNO"},
        Upload{"LetterInDate", "0102DFDC1C35230A15061430000003D9", "SNO"},
        Upload{"BlankInCountry", "0102DFDC1C3523041506143000000 D9", "SNO"},
        Upload{"Empty", "", "SNO"}),
    [](const auto& row) { return row.param.name; });

TEST(UploadRecord, FullMemoryRefusesAndKeepsWhatItHas) {
    std::string state = kKnownState;
    state.replace(state.find("capacity 10"), 11, "capacity 3");
    KnownReader reader(state);
    ASSERT_TRUE(reader.ready());
    EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0000"});
    EXPECT_EQ(reader.port->ask("S05896745230123041607090500000000", 1),
              std::vector<std::string>{"SNO"});
    EXPECT_EQ(reader.port->ask("N05", 1), std::vector<std::string>{"NOK"});
    EXPECT_EQ(reader.port->ask("C", 1), std::vector<std::string>{"COK"});
    EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0003"});
}

TEST(UploadRecord, RefuseControlRefusesTheNextRecordOnly) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.sim->control("refuse S"), std::vector<std::string>{"ok"});
    const std::string record = "S05896745230123041607090500000000";
    EXPECT_EQ(reader.port->ask(record, 1), std::vector<std::string>{"SNO"});
    EXPECT_EQ(reader.port->ask("N05", 1), std::vector<std::string>{"NOK"});
    EXPECT_EQ(reader.port->ask(record, 1), std::vector<std::string>{"SOK"});
}

TEST(ZelmarRead, PresentedTransponderIsStoredInTheCurrentLotWithTheClock) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.port->ask("L02", 1), std::vector<std::string>{"LOK"});
    ASSERT_EQ(reader.port->ask("T2304150614300500", 1), std::vector<std::string>{"TOK"});
    EXPECT_EQ(reader.sim->control("read 0000bc614e 4 33A"),
              std::vector<std::string>{"ok stored in lot 02"});
    const auto dump = reader.port->ask("N02", 3);
    ASSERT_EQ(dump.size(), 3u);
    const Decoded d = decode(dump[1]);
    EXPECT_EQ(d.lot, "02");
    EXPECT_EQ(d.code, "0000BC614E");
    EXPECT_EQ(d.date + d.weekday, "23041506");
    EXPECT_EQ(d.time.substr(0, 4), "1430");
    EXPECT_EQ(d.type + d.country, "433A");
    EXPECT_EQ(dump[2], "NOK");
    EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0006"});
}

TEST(ZelmarRead, NothingIsStoredWithSaveModeOffOrMemoryFull) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.port->ask("M00", 1), std::vector<std::string>{"00MOK"});
    EXPECT_EQ(reader.sim->control("read 0000BC614E"),
              std::vector<std::string>{"ok not stored: save mode is off"});
    EXPECT_EQ(reader.port->ask("N03", 1), std::vector<std::string>{"NOK"});
}

TEST(ZelmarRead, ControlRejectsMalformedCodes) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    for (const std::string bad : {"read 12345", "read 0000BC614EX", "read 0000BC614G",
                                  "read 0000BC614E 4", "read 0000BC614E 44 33A", "store 123"}) {
        const auto answer = reader.sim->control(bad);
        ASSERT_EQ(answer.size(), 1u) << bad;
        EXPECT_EQ(answer[0].rfind("error: ", 0), 0u) << bad;
    }
    EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0007"});
}

} // namespace
} // namespace simtest
