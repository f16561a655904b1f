// Every command of the reader's catalogue and its refusal, sent from a plain client over the
// pseudo-terminal to a reader in a known state.

#include "tests/sim/knownreader.h"

#include <gtest/gtest.h>

namespace simtest {
namespace {

struct Step {
    std::string send; // without the carriage return
    std::vector<std::string> expect;
};

struct Script {
    std::string name;
    std::vector<Step> steps;
};

std::ostream& operator<<(std::ostream& os, const Script& s) {
    return os << s.name;
}

class Catalogue : public ::testing::TestWithParam<Script> {};

TEST_P(Catalogue, AnswersAsTheReader) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    for (const auto& step : GetParam().steps)
        EXPECT_EQ(reader.port->ask(step.send, step.expect.size()), step.expect)
            << "after sending " << step.send;
    // The version comes next only if no step answered more lines than expected.
    EXPECT_EQ(reader.port->ask("V", 1), std::vector<std::string>{kVersion});
}

const std::string k16 = "ABCDEFGHIJKLMNOP";

std::vector<Script> scripts() {
    std::vector<Script> s = {
        {"BaudRead", {{"AB", {"96AOK"}}}},
        {"BaudSetThenRead", {{"AB19", {"19AOK"}}, {"AB", {"19AOK"}}}},
        {"BaudUnknownCode", {{"AB20", {"ANO"}}, {"AB9", {"ANO"}}, {"AB", {"96AOK"}}}},
        {"SaveSeekRead", {{"M", {"01MOK"}}}},
        {"SaveSeekSetKeepsDigitOrder", {{"M10", {"10MOK"}}, {"M", {"10MOK"}}}},
        {"SaveSeekMalformed", {{"M2", {"MNO"}}, {"M012", {"MNO"}}, {"M1", {"MNO"}}}},
        {"DisplayReadAndSet", {{"J", {"0JOK"}}, {"J1", {"1JOK"}}, {"J", {"1JOK"}}}},
        {"DisplayMalformed", {{"J2", {"JNO"}}, {"J01", {"JNO"}}}},
        {"TriggerRead", {{"P", {"1POK"}}, {"PX", {"PNO"}}}},
        {"LedsAndTone", {{"Z22", {"ZOK"}}, {"Z00", {"ZOK"}}, {"Z33", {"ZOK"}}}},
        {"LedsAndToneMalformed",
         {{"Z", {"ZNO"}}, {"Z40", {"ZNO"}}, {"Z2", {"ZNO"}}, {"Z223", {"ZNO"}}}},
        {"LotReadGivesValueThenOk", {{"L", {"03", "LOK"}}}},
        {"LotSetIsAcknowledgedAlone", {{"L0A", {"LOK"}}, {"L", {"0A", "LOK"}}}},
        {"LotOutsideRange",
         {{"L00", {"LNO"}}, {"LFF", {"LNO"}}, {"L0a", {"LNO"}}, {"L7", {"LNO"}}}},
        {"KeylotReadAndSet", {{"K", {"01", "KOK"}}, {"KFE", {"KOK"}}, {"K", {"FE", "KOK"}}}},
        {"KeylotOutsideRange", {{"K00", {"KNO"}}, {"KG1", {"KNO"}}, {"K", {"01", "KOK"}}}},
        {"ClearLots", {{"C", {"COK"}}, {"N", {"NOK"}}, {"F", {"000A"}}}},
        {"ClearLotsMalformed", {{"C1", {"CNO"}}, {"F", {"0007"}}}},
        {"FreeMemory", {{"F", {"0007"}}, {"F0", {"FNO"}}}},
        {"VersionMalformed", {{"V1", {"VNO"}}}},
        {"ReadTransponderQueueThenNoRead",
         {{"I", {"0006A1B2C3"}}, {"I", {"16FEE0E52D"}}, {"I", {"INO"}}}},
        {"ReadTransponderMalformed", {{"I1", {"INO"}}, {"I", {"0006A1B2C3"}}}},
        {"Captions", {{"XHELLO", {"XOK"}}, {"YBOTTOM LINE", {"YOK"}}, {"X" + k16, {"XOK"}}}},
        {"CaptionsTooLong", {{"X" + k16 + "Q", {"XNO"}}, {"Y" + k16 + "Q", {"YNO"}}}},
        {"CaptionsEmptyClear", {{"X", {"XOK"}}, {"Y", {"YOK"}}}},
        {"OnlineSettingsListing",
         {{"AA",
           {"BAUD 9600", "CHECKDIGIT OFF", "ACK/NAK ON", "ENQ ON", "BIDIRECTIONAL OFF",
            "SCAN+STORE OFF", "NO DECODE MESSAGE ON", "MESSAGE \"NO READ\"", "PREFIX \"\"",
            "SUFFIX \"\"", "AOK"}}}},
        {"OnlineSettingsMalformed", {{"AA1", {"ANO"}}}},
        {"MessageRead", {{"AX", {"4E4F20524541440DAOK"}}}},
        {"MessageSetThenRead", {{"AX41420D", {"AOK"}}, {"AX", {"41420DAOK"}}}},
        {"MessageClear", {{"AX00", {"AOK"}}, {"AX", {"AOK"}}}},
        {"MessageSetEmpty", {{"AX0D", {"AOK"}}, {"AX", {"AOK"}}}},
        {"MessageMalformed",
         {{"AX4142", {"ANO"}},
          {"AX414", {"ANO"}},
          {"AX4g0D", {"ANO"}},
          {"AX410D420D", {"ANO"}},
          {"AX" + std::string(66, '4') + "0D", {"ANO"}},
          {"AX", {"4E4F20524541440DAOK"}}}},
        {"MessageOf32Characters", {{"AX" + std::string(64, '4') + "0D", {"AOK"}}}},
        {"PrefixSetWithoutTerminator", {{"AP49443A", {"AOK"}}, {"AP", {"49443AAOK"}}}},
        {"PrefixClear", {{"AP3E", {"AOK"}}, {"AP00", {"AOK"}}, {"AP", {"AOK"}}}},
        {"PrefixMalformed", {{"AP3", {"ANO"}}, {"APZZ", {"ANO"}}, {"AP", {"AOK"}}}},
        {"SuffixSetThenRead", {{"AS2D0D", {"AOK"}}, {"AS", {"2D0DAOK"}}}},
        {"SuffixClearReader", {{"AS2D0D", {"AOK"}}, {"AS0D", {"AOK"}}, {"AS", {"AOK"}}}},
        {"SuffixNeedsTerminator", {{"AS2D", {"ANO"}}}},
        {"UnknownParameter", {{"AQ", {"ANO"}}, {"A", {"ANO"}}}},
        {"UnknownCommand", {{"Q", {"QNO"}}, {"q", {"qNO"}}}},
        {"ClockSet", {{"T2304150614300500", {"TOK"}}}},
        {"ClockMalformed",
         {{"T230415061430050", {"TNO"}},    // fifteen digits
          {"T2313150614300500", {"TNO"}},   // month 13
          {"T2302300414300500", {"TNO"}},   // 30 February
          {"T2304150624300500", {"TNO"}},   // hour 24
          {"T2304150614600500", {"TNO"}},   // minute 60
          {"T2304150814300500", {"TNO"}},   // weekday 08
          {"T23041506143005AB", {"TNO"}}}}, // letters
        {"ModeSwitches",
         {{"\x1A"
           "1",
           {"ON-LINE MODE"}},
          {"V", {}},
          {"\x1A"
           "0",
           {"ZELMAR MODE"}}}},
        {"ModeSwitchOtherDigitIgnored",
         {{"\x1A"
           "2",
           {}}}},
        {"MarkerRestartsAGarbledCommand",
         {{"LL\x1A"
           "0",
           {"ZELMAR MODE"}}}},
        {"DumpLotOutsideRange",
         {{"N00", {"NNO"}},
          {"NFF", {"NNO"}},
          {"N1", {"NNO"}},
          {"N0g", {"NNO"}},
          {"N011", {"NNO"}}}},
        {"DumpEmptyLot", {{"N05", {"NOK"}}}},
    };
    // The six on/off parameters share one pattern.
    for (const std::string p : {"AC", "AF", "AE", "AG", "AH", "AI"}) {
        s.push_back({"OnOff" + p,
                     {{p + "1", {"1AOK"}},
                      {p, {"1AOK"}},
                      {p + "0", {"0AOK"}},
                      {p, {"0AOK"}},
                      {p + "2", {"ANO"}},
                      {p + "10", {"ANO"}}}});
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(Reader, Catalogue, ::testing::ValuesIn(scripts()),
                         [](const auto& row) { return row.param.name; });

TEST(Catalogue, OnOffReadsGiveTheKnownState) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    EXPECT_EQ(reader.port->ask("AC", 1), std::vector<std::string>{"0AOK"});
    EXPECT_EQ(reader.port->ask("AF", 1), std::vector<std::string>{"1AOK"});
    EXPECT_EQ(reader.port->ask("AE", 1), std::vector<std::string>{"1AOK"});
    EXPECT_EQ(reader.port->ask("AI", 1), std::vector<std::string>{"1AOK"});
}

// The clock runs on from a set, and the reader derives the weekday from the date itself.
TEST(Clock, RunsOnFromTheSetTime) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.port->ask("T2304150114300500", 1), std::vector<std::string>{"TOK"});
    const auto read = reader.port->ask("T", 1);
    ASSERT_EQ(read.size(), 1u);
    const std::string& text = read[0];
    ASSERT_EQ(text.size(), 16u);
    EXPECT_EQ(text.substr(0, 8), "23041506"); // 15 April 2023 was a Saturday
    EXPECT_EQ(text.substr(8, 4), "1430");
    const int seconds = std::stoi(text.substr(12, 2));
    EXPECT_GE(seconds, 5);
    EXPECT_LE(seconds, 15);
    EXPECT_EQ(text.substr(14, 2), "00");
}

TEST(Clock, ReadFollowsThePcClockWithoutASet) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char expected[48];
    std::snprintf(expected, sizeof expected, "%02d%02d%02d0%d", local.tm_year % 100,
                  local.tm_mon + 1, local.tm_mday, local.tm_wday == 0 ? 7 : local.tm_wday);
    const auto read = reader.port->ask("T", 1);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].substr(0, 8), expected); // fails only across midnight
}

} // namespace
} // namespace simtest
