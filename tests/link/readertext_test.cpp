#include "link/readertext.h"

#include <gtest/gtest.h>

namespace px708 {
namespace {

struct WireCase {
    const char* name;
    const ReaderText* text;
    std::string bytes;
    std::string wire;
};

class TextWireForms : public ::testing::TestWithParam<WireCase> {};

TEST_P(TextWireForms, SetSendsTheHexadecimalText) {
    const WireCase& c = GetParam();
    EXPECT_EQ(setTextCommand(*c.text, c.bytes), c.wire);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextWireForms,
    ::testing::Values(
        WireCase{"message_ends_with_0D", &kMessageText, "NO READ", "AX4E4F20524541440D"},
        WireCase{"prefix_has_no_terminator", &kPrefixText, "ID:", "AP49443A"},
        WireCase{"suffix_ends_with_0D", &kSuffixText, "\r\n", "AS0D0A0D"},
        WireCase{"empty_message_sends_the_terminator", &kMessageText, "", "AX0D"},
        WireCase{"empty_prefix_sends_the_command", &kPrefixText, "", "AP"},
        WireCase{"codes_above_7F_and_zero", &kPrefixText, "\xE9\xFF\x01", "APE9FF01"}),
    [](const ::testing::TestParamInfo<WireCase>& row) { return std::string(row.param.name); });

TEST(TextWireForms, ClearReaderSendsItsOwnCode) {
    EXPECT_EQ(clearTextCommand(kMessageText), "AX00");
    EXPECT_EQ(clearTextCommand(kPrefixText), "AP00");
    EXPECT_EQ(clearTextCommand(kSuffixText), "AS0D");
}

} // namespace
} // namespace px708
