#include "transfer/textencoding.h"

#include <gtest/gtest.h>

namespace px708 {
namespace {

struct Utf8Case {
    const char* name;
    QByteArray bytes;
    bool valid;
};

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, DecidesTheFilesCharacterSet) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
    EXPECT_EQ(detectTextEncoding(c.bytes),
              c.valid ? TextEncoding::Utf8 : TextEncoding::Windows1252);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Validity,
                         ::testing::Values(Utf8Case{"plain_ascii", "985;123;AVID\r\n", true},
                                           Utf8Case{"cafe_euro_in_utf8",
                                                    "caf\xC3\xA9 \xE2\x82\xAC"
                                                    "5",
                                                    true},
                                           Utf8Case{"four_byte_character", "\xF0\x9F\x90\x84",
                                                    true},
                                           Utf8Case{"cafe_in_windows_1252", "caf\xE9", false},
                                           Utf8Case{"euro_in_windows_1252",
                                                    "\x80"
                                                    "5",
                                                    false},
                                           Utf8Case{"overlong_slash", "\xC0\xAF", false},
                                           Utf8Case{"overlong_three_bytes", "\xE0\x80\xAF", false},
                                           Utf8Case{"surrogate", "\xED\xA0\x80", false},
                                           Utf8Case{"above_10FFFF", "\xF4\x90\x80\x80", false},
                                           Utf8Case{"cut_short_at_the_end", "ab\xE2\x82", false},
                                           Utf8Case{"lone_continuation_byte", "a\x80z", false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(TextEncoding, CafeEuroComesBackFromEitherCharacterSet) {
    const QString cafe = QStringLiteral("café €5");
    EXPECT_EQ(decodeTextFile(cafe.toUtf8()), cafe);
    EXPECT_EQ(decodeTextFile(QByteArray("\xEF\xBB\xBF") + cafe.toUtf8()), cafe)
        << "a byte-order mark is not part of the text";
    EXPECT_EQ(toWindows1252(cafe), QByteArray("caf\xE9 \x80"
                                              "5"));
    EXPECT_EQ(decodeTextFile(toWindows1252(cafe)), cafe);
}

TEST(TextEncoding, Windows1252KeepsEveryByteAndMarksWhatItCannotHold) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toWindows1252(fromWindows1252(all)), all);
    EXPECT_EQ(fromWindows1252("\x93ok\x94 \x8A"), QStringLiteral("\u201Cok\u201D \u0160"));
    EXPECT_EQ(toWindows1252(QStringLiteral("日本 Ω")), QByteArray("?? ?"));
    EXPECT_EQ(toWindows1252(QStringLiteral("a\U0001F404b")), QByteArray("a?b"))
        << "a character beyond the first plane is one question mark";
}

} // namespace
} // namespace px708
