#include "store/datesettings.h"
#include "store/storeerror.h"

#include <gtest/gtest.h>

namespace px708::test {
namespace {

struct PatternCase {
    int order;
    const char* separator;
    const char* pattern;
    const char* shown; // 15 April 2023
};

class ShortDatePattern : public ::testing::TestWithParam<PatternCase> {};

TEST_P(ShortDatePattern, IsBuiltFromTheFlagAndTheSeparator) {
    const PatternCase& c = GetParam();
    DateSettings::applyAtStartUp(c.order, QString::fromUtf8(c.separator));
    EXPECT_EQ(DateSettings::shortDatePattern().toStdString(), c.pattern);
    EXPECT_EQ(DateSettings::formatDate(QDate(2023, 4, 15)).toStdString(), c.shown);
    EXPECT_EQ(DateSettings::parseDate(QString::fromUtf8(c.shown)), QDate(2023, 4, 15));
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortDatePattern,
                         ::testing::Values(PatternCase{0, "/", "dd/MM/yyyy", "15/04/2023"},
                                           PatternCase{0, "-", "dd-MM-yyyy", "15-04-2023"},
                                           PatternCase{0, ".", "dd.MM.yyyy", "15.04.2023"},
                                           PatternCase{1, "/", "MM/dd/yyyy", "04/15/2023"},
                                           PatternCase{1, "-", "MM-dd-yyyy", "04-15-2023"},
                                           PatternCase{1, ".", "MM.dd.yyyy", "04.15.2023"},
                                           PatternCase{0, "", "ddMMyyyy", "15042023"},
                                           PatternCase{0, ".-", "dd.MM.yyyy", "15.04.2023"}),
                         [](const auto& row) { return "row" + std::to_string(row.index); });

TEST(DateSettingsTest, OtherFlagsLeaveThePattern) {
    DateSettings::applyAtStartUp(2, u"-");
    EXPECT_EQ(DateSettings::shortDatePattern(), DateSettings::systemShortDatePattern());
    EXPECT_EQ(DateSettings::dateOrder(), 2);

    DateSettings::applyAtStartUp(1, u"-");
    DateSettings::setDateOrder(-1);
    DateSettings::rebuildShortDatePattern();
    EXPECT_EQ(DateSettings::shortDatePattern(), "MM-dd-yyyy") << "no item selected";
}

TEST(DateSettingsTest, ANewSeparatorReachesThePatternOnlyAtTheNextRebuild) {
    DateSettings::applyAtStartUp(0, u"-");
    DateSettings::setDateSeparator(u".");
    EXPECT_EQ(DateSettings::dateSeparator(), ".");
    EXPECT_EQ(DateSettings::formatDate(QDate(2023, 4, 15)), "15-04-2023");
    EXPECT_EQ(DateSettings::parseDate(u"15.04.2023"), QDate(2023, 4, 15))
        << "dates built with the new separator are read";
    EXPECT_EQ(DateSettings::parseDate(u"15-04-2023"), QDate(2023, 4, 15))
        << "and so are the dates the pattern still shows";
    DateSettings::rebuildShortDatePattern();
    EXPECT_EQ(DateSettings::formatDate(QDate(2023, 4, 15)), "15.04.2023");
}

TEST(DateSettingsTest, SlashInThePatternStandsForTheCurrentSeparator) {
    DateSettings::applyAtStartUp(0, u"/");
    DateSettings::setDateSeparator(u"-");
    EXPECT_EQ(DateSettings::formatDate(QDate(2023, 4, 15)), "15-04-2023");
}

struct ParseCase {
    const char* text;
    QDate expected; // invalid: refused
};

class DateParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DateParsing, DayFirstWithSlash) {
    DateSettings::applyAtStartUp(0, u"/");
    const auto got = DateSettings::parseDate(QString::fromLatin1(GetParam().text));
    if (GetParam().expected.isValid())
        EXPECT_EQ(got, GetParam().expected);
    else
        EXPECT_FALSE(got.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateParsing,
    ::testing::Values(ParseCase{"1/2/2024", QDate(2024, 2, 1)},
                      ParseCase{" 15/04/2023 ", QDate(2023, 4, 15)},
                      ParseCase{"15/04/49", QDate(2049, 4, 15)},
                      ParseCase{"15/04/50", QDate(1950, 4, 15)},
                      ParseCase{"15/04/0", QDate(2000, 4, 15)}, ParseCase{"29/02/2023", QDate()},
                      ParseCase{"15/13/2023", QDate()}, ParseCase{"15/04", QDate()},
                      ParseCase{"15/04/2023/1", QDate()}, ParseCase{"a5/04/2023", QDate()},
                      ParseCase{"115/04/2023", QDate()}, ParseCase{"", QDate()}),
    [](const auto& row) { return "row" + std::to_string(row.index); });

TEST(DateSettingsTest, TwoDigitYearsAre1950To2049) {
    EXPECT_EQ(DateSettings::expandTwoDigitYear(0), 2000);
    EXPECT_EQ(DateSettings::expandTwoDigitYear(49), 2049);
    EXPECT_EQ(DateSettings::expandTwoDigitYear(50), 1950);
    EXPECT_EQ(DateSettings::expandTwoDigitYear(99), 1999);
}

TEST(DateSettingsTest, ConversionErrorsCarryTheRuntimeText) {
    DateSettings::applyAtStartUp(0, u"/");
    try {
        DateSettings::toDate(u"31/02/2024");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.text(), "'31/02/2024' is not a valid date");
    }
    try {
        DateSettings::toTime(u"12:60");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.text(), "'12:60' is not a valid time");
    }
    EXPECT_EQ(DateSettings::toTime(u"7:5:3"), QTime(7, 5, 3));
    EXPECT_EQ(DateSettings::formatTime(QTime(7, 5, 3)), "07:05:03");
}

} // namespace
} // namespace px708::test
