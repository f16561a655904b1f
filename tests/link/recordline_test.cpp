#include "link/recordline.h"

#include <gtest/gtest.h>

namespace px708 {
namespace {

struct RecordCase {
    const char* name;
    std::string line;
    std::string typeName;
    std::string country;
    std::string transponder;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordDecoding : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordDecoding, TypeCountryAndTransponderNumber) {
    const RecordCase& c = GetParam();
    const RecordLine r = decodeRecordLine(c.line);
    EXPECT_EQ(r.typeName, c.typeName);
    EXPECT_EQ(r.country, c.country);
    EXPECT_EQ(r.transponder, c.transponder);
}

// Lot 01, 15/04/2023 (a Saturday) 14:30:05, then the type code and the country code.
std::string record(const std::string& code, const std::string& type, const std::string& country) {
    return "01" + code + "23041506143005" + "00" + type + country;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RecordDecoding,
    ::testing::Values(
        RecordCase{"fdxb_with_country_turns_decimal_and_pads_to_12",
                   record("0123456789", "4", "3E7"), " ISO FDX-B Non ", "999", "004886718345"},
        RecordCase{"zelmar_without_country_keeps_the_hex_text", record("0006A1B2C3", "0", "000"),
                   " Zelmar ", "0", "0006A1B2C3"},
        RecordCase{"avid_without_country_drops_the_first_character",
                   record("0123456789", "C", "000"), " AVID ", "0", "123456789"},
        RecordCase{"avid_with_country_drops_then_turns_decimal", record("0000000010", "C", "001"),
                   " AVID ", "1", "000000000016"},
        RecordCase{"type_3_has_no_name", record("0123456789", "3", "000"), "3", "0", "0123456789"},
        RecordCase{"animal_fdxb", record("0123456789", "5", "3E7"), " ISO FDX-B Anm ", "999",
                   "004886718345"},
        RecordCase{"fecava", record("0123456789", "8", "000"), " FECAVA ", "0", "0123456789"},
        RecordCase{"unknown_codes", record("0123456789", "9", "000"), " Unknown ", "0",
                   "0123456789"},
        RecordCase{"lower_case_type_counts_as_0", record("0123456789", "c", "000"), " Zelmar ", "0",
                   "0123456789"},
        RecordCase{"garbled_hex_counts_as_0", record("01234567ZZ", "4", "0G1"), " ISO FDX-B Non ",
                   "1", "004886718208"},
        RecordCase{"longer_line_uses_its_first_32", record("0123456789", "4", "3E7") + "NOK",
                   " ISO FDX-B Non ", "999", "004886718345"}),
    [](const ::testing::TestParamInfo<RecordCase>& row) { return std::string(row.param.name); });

TEST(RecordDate, BothOrdersWithTheSeparator) {
    const RecordLine r = decodeRecordLine(record("0123456789", "4", "3E7"));
    EXPECT_EQ(recordDate(r, 0, "/"), "15/04/2023");
    EXPECT_EQ(recordDate(r, 1, "-"), "04-15-2023");
    EXPECT_EQ(recordDate(r, 0, ""), "15042023");
    EXPECT_EQ(recordTime(r), "14:30:05");
    EXPECT_EQ(recordWeekday(r), 6);
    EXPECT_EQ(r.lot, "01");
}

} // namespace
} // namespace px708

namespace px708 {
namespace {

struct DumpCase {
    const char* name;
    std::string line;
    int dateOrder;
    std::string separator;
    std::string shown;
};

class DumpLine : public ::testing::TestWithParam<DumpCase> {};

TEST_P(DumpLine, ShowsTheRecordWithItsDay) {
    const DumpCase& c = GetParam();
    EXPECT_EQ(dumpLine(decodeRecordLine(c.line), c.dateOrder, c.separator), c.shown);
}

std::string dated(const std::string& clock, const std::string& type, const std::string& country) {
    return "01"
           "0123456789" +
           clock + type + country;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DumpLine,
    ::testing::Values(
        DumpCase{"country_code_before_the_number", dated("2304150614300500", "4", "3E7"), 0, "/",
                 "01 999004886718345 ISO FDX-B Non  15/04/2023   Saturday   14:30:05:00"},
        DumpCase{"no_country_code_keeps_the_hex_text", dated("2304150614300500", "0", "000"), 0,
                 "/", "01 0123456789 Zelmar  15/04/2023   Saturday   14:30:05:00"},
        DumpCase{"avid_drops_its_first_character", dated("2304150614300500", "C", "000"), 0, "/",
                 "01 123456789 AVID  15/04/2023   Saturday   14:30:05:00"},
        DumpCase{"type_3_shows_its_digit", dated("2304150614300500", "3", "000"), 0, "/",
                 "01 01234567893 15/04/2023   Saturday   14:30:05:00"},
        DumpCase{"month_first_with_hyphen_and_the_further_digits",
                 dated("2401070716472117", "8", "000"), 1, "-",
                 "01 0123456789 FECAVA  01-07-2024   Sunday   16:47:21:17"},
        DumpCase{"garbled_weekday_shows_its_digits", dated("2304150914300500", "0", "000"), 0, "/",
                 "01 0123456789 Zelmar  15/04/2023   09   14:30:05:00"}),
    [](const ::testing::TestParamInfo<DumpCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace px708
