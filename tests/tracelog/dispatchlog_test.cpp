#include "serial/tracelog.h"
#include "tests/tracelog/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace px708 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes counting(int n) {
    Bytes b;
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(i));
    return b;
}

const std::string kBlanks(44, ' ');

class LogDump : public test::ScratchDir {
protected:
    // The file after its six heading lines.
    std::string records(const DispatchLog& log, bool hex = true, bool allHex = true) {
        log.write(path("px708.LOG"), false, hex, allHex, "COM3");
        const std::string file = contents(path("px708.LOG"));
        std::size_t at = 0;
        for (int line = 0; line < 6; ++line) {
            at = file.find("\r\n", at);
            if (at == std::string::npos)
                return "missing heading";
            at += 2;
        }
        return file.substr(at);
    }
};

TEST_F(LogDump, HeadingNamesTheToolChainPlatformAndDevice) {
    DispatchLog log(10000);
    log.add(DispatchLog::tTrDatChg, DispatchLog::sTrigAvail, 0, 1);
    log.write(path("px708.LOG"), false, true, true, "COM3");
    const std::string file = contents(path("px708.LOG"));

    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = file.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(file.substr(at, end - at));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "ComPort v1.0");
    EXPECT_EQ(lines[1].rfind("Compiler : ", 0), 0u);
    EXPECT_GT(lines[1].size(), 11u);
    EXPECT_EQ(lines[2].rfind("Operating System : ", 0), 0u);
    EXPECT_GT(lines[2].size(), 19u);
    EXPECT_LE(lines[2].size(), 19u + 80u);
    EXPECT_EQ(lines[3], "Device: COM3");
    EXPECT_EQ(lines[4], "Time      Type      SubType       Data      OtherData");
    EXPECT_EQ(lines[5], "--------  --------  ------------  --------  ---------");
    EXPECT_EQ(lines[6], "0000.000  TrDatChg  Avail         00000001  ");
    EXPECT_EQ(file.find('\n'), file.find("\r\n") + 1) << "line ends are CR LF";
}

struct RecordCase {
    const char* name;
    std::uint8_t type;
    std::uint8_t subtype;
    std::uint32_t time;
    std::uint32_t data;
    Bytes data_bytes;
    bool hex;
    bool allHex;
    std::string expected;
};

class LogRecord : public LogDump, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(LogRecord, IsWrittenAfterTheHeading) {
    const RecordCase& c = GetParam();
    DispatchLog log(10000);
    log.add(c.type, c.subtype, c.time, c.data, c.data_bytes);
    EXPECT_EQ(records(log, c.hex, c.allHex), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Log, LogRecord,
    ::testing::Values(
        RecordCase{"WriteComOf10BytesWrapsAfter8", 1, 2, 1234, 10, counting(10), true, true,
                   "0001.234  Dispatch  WriteCom      0000000A  [00][01][02][03][04][05][06][07]"
                   "\r\n" +
                       kBlanks + "[08][09]\r\n"},
        RecordCase{"ReadComOfExactly8StaysOnOneLine", 1, 1, 50, 8, counting(8), true, true,
                   "0000.050  Dispatch  ReadCom       00000008  [00][01][02][03][04][05][06][07]"
                   "\r\n"},
        RecordCase{"AvailTriggerHasNoBytes",
                   2,
                   5,
                   10000,
                   0x1F,
                   {},
                   true,
                   true,
                   "0010.000  Trigger   Avail         0000001F  \r\n"},
        RecordCase{"WindowDataInUpperCaseHex",
                   7,
                   17,
                   9999999,
                   0xABCDEF01,
                   {},
                   true,
                   true,
                   "9999.999  TrgHdAlc  Window        ABCDEF01  \r\n"},
        RecordCase{"TimePastFourDigitsOfSecondsKeepsMilliseconds",
                   2,
                   5,
                   12345678,
                   1,
                   {},
                   true,
                   true,
                   "12345.678  Trigger   Avail         00000001  \r\n"},
        RecordCase{"LargestTime",
                   2,
                   5,
                   4294967295u,
                   1,
                   {},
                   true,
                   true,
                   "4294967.295  Trigger   Avail         00000001  \r\n"},
        RecordCase{"HexFormOfBytes", 1, 1, 0, 4, bytes(" AOK\r"), true, false,
                   "0000.000  Dispatch  ReadCom       00000004  [20]AOK[0D]\r\n"},
        RecordCase{"DecimalFormOfBytes", 1, 1, 0, 4, bytes(" A\r\xc8"), false, false,
                   "0000.000  Dispatch  ReadCom       00000004   A[13][200]\r\n"},
        RecordCase{"OneColumnItemsWrapAt79", 1, 2, 0, 40, Bytes(40, 'a'), true, false,
                   "0000.000  Dispatch  WriteCom      00000028  " + std::string(33, 'a') + "\r\n" +
                       kBlanks + std::string(7, 'a') + "\r\n"},
        RecordCase{"UserBytesAreWrittenAsThemselves", 19, 7, 0, 2, bytes("AB"), true, true,
                   "0000.000  User      Data          00000002  AB\r\n"},
        RecordCase{"StatusTriggerKindInPlaceOfBytes", 5, 15, 0, 0, Bytes{3}, true, true,
                   "0000.000  TrigAllc  Status        00000000  (Output buffer free)\r\n"},
        RecordCase{"StatusTriggerKindOfUnknownValue", 6, 15, 0, 0, Bytes{6}, true, true,
                   "0000.000  TrigDisp  Status        00000000  \r\n"},
        RecordCase{"ModemStatusBitsNamed",
                   3,
                   4,
                   10,
                   0x31,
                   {},
                   true,
                   true,
                   "0000.010  Error     Modem status  00000031   (DCTS CTS DSR)\r\n"},
        RecordCase{"ModemStatusAllBits",
                   3,
                   4,
                   10,
                   0xFF,
                   {},
                   true,
                   true,
                   "0000.010  Error     Modem status  000000FF   (DCTS DDSR TERI DDCD CTS DSR RI "
                   "DCD)\r\n"},
        RecordCase{"NamesOutsideTheTablesAreEmpty",
                   20,
                   20,
                   0,
                   0,
                   {},
                   true,
                   true,
                   "0000.000                          00000000  \r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(LogDump, RingDropsTheOldestWholeRecords) {
    // 24-byte records in a 64-byte ring: two fit, and the third wraps round the ring's end.
    DispatchLog log(64);
    for (std::uint32_t t = 1; t <= 3; ++t)
        log.add(1, 1, t, t, Bytes(8, static_cast<std::uint8_t>(0x10 * t)));
    const std::string line2 = "0000.002  Dispatch  ReadCom       00000002  "
                              "[20][20][20][20][20][20][20][20]\r\n";
    const std::string line3 = "0000.003  Dispatch  ReadCom       00000003  "
                              "[30][30][30][30][30][30][30][30]\r\n";
    EXPECT_EQ(records(log), line2 + line3);

    // A record as large as the ring is not stored and drops nothing.
    log.add(1, 2, 4, 4, Bytes(64 - 16, 0xEE));
    EXPECT_EQ(records(log), line2 + line3);

    // One that only just fits drops every record before it.
    log.add(1, 2, 5, 5, Bytes(64 - 17, 0x55));
    std::string line5 = "0000.005  Dispatch  WriteCom      00000005  ";
    for (int i = 0; i < 47; ++i)
        line5 += (i > 0 && i % 8 == 0 ? "\r\n" + kBlanks : "") + std::string("[55]");
    EXPECT_EQ(records(log), line5 + "\r\n");

    log.add(2, 5, 6, 1);
    EXPECT_EQ(records(log), "0000.006  Trigger   Avail         00000001  \r\n");
}

TEST_F(LogDump, EmptyLogWritesNoFileAndKeepsAnExistingOne) {
    DispatchLog log(10000);
    log.write(path("new.LOG"), false, true, true, "COM1");
    EXPECT_FALSE(exists(path("new.LOG")));

    put(path("old.LOG"), "earlier run");
    log.add(2, 5, 0, 1);
    log.clear();
    log.write(path("old.LOG"), false, true, true, "COM1");
    EXPECT_EQ(contents(path("old.LOG")), "earlier run");

    DispatchLog tooSmall(16);
    tooSmall.add(2, 5, 0, 1);
    EXPECT_TRUE(tooSmall.empty());
}

TEST_F(LogDump, AppendAddsAFreshHeadingToTheEnd) {
    DispatchLog log(10000);
    log.add(2, 5, 0, 1);
    put(path("a.LOG"), "earlier run\r\n");
    log.write(path("a.LOG"), true, true, true, "COM1");
    const std::string file = contents(path("a.LOG"));
    EXPECT_EQ(file.rfind("earlier run\r\nComPort v1.0\r\n", 0), 0u);
    EXPECT_EQ(file.substr(file.size() - 46), "0000.000  Trigger   Avail         00000001  \r\n");
}

TEST(DispatchLogSize, IsCapped) {
    EXPECT_EQ(DispatchLog(20000000).capacity(), DispatchLog::kMaxSize);
}

} // namespace
} // namespace px708
