// The reader clock text and its display, on the rows that the window tests do not reach:
// weekdays across month, year and leap-day boundaries, and replies that are no clock text.

#include "link/clocktext.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct WeekdayCase {
    int year, month, day;
    int weekday;
};

class ReaderWeekday : public testing::TestWithParam<WeekdayCase> {};

TEST_P(ReaderWeekday, CountsMondayAsOneAndSundayAsSeven) {
    const WeekdayCase& c = GetParam();
    EXPECT_EQ(px708::readerWeekday(c.year, c.month, c.day), c.weekday);
}

INSTANTIATE_TEST_SUITE_P(Dates, ReaderWeekday,
                         testing::Values(WeekdayCase{2023, 4, 15, 6}, WeekdayCase{2023, 4, 16, 7},
                                         WeekdayCase{2023, 4, 17, 1}, WeekdayCase{2024, 2, 29, 4},
                                         WeekdayCase{2024, 3, 1, 5}, WeekdayCase{2000, 1, 1, 6},
                                         WeekdayCase{2099, 12, 31, 4},
                                         WeekdayCase{1999, 12, 31, 5}));

TEST(ReaderClockText, YearWithinTheCenturyAndTrailingZeros) {
    EXPECT_EQ(px708::readerClockText({2009, 3, 2, 7, 8, 9}), "0903020107080900");
    EXPECT_EQ(px708::readerClockText({2100, 1, 1, 0, 0, 0}), "0001010500000000");
}

TEST(UserClockText, TakesTheTimeDigitsAsTypedAndSkipsTheColons) {
    EXPECT_EQ(px708::userClockText(2023, 4, 15, "14:30:05"), "2304150614300500");
    EXPECT_EQ(px708::userClockText(2023, 4, 15, "14x30y05"), "2304150614300500");
}

struct DisplayCase {
    const char* name;
    std::string line;
    int order;
    std::string separator;
    std::string date;
    std::string time;
};

class ClockDisplay : public testing::TestWithParam<DisplayCase> {};

TEST_P(ClockDisplay, ShowsWhateverStandsAtTheClockPositions) {
    const DisplayCase& c = GetParam();
    const px708::ClockDisplay d = px708::clockDisplay(c.line, c.order, c.separator);
    EXPECT_EQ(d.date, c.date);
    EXPECT_EQ(d.time, c.time);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ClockDisplay,
    testing::Values(
        DisplayCase{"DayFirst", "2304150614300500", 0, "/", "15/04/2023 Saturday", "14:30:05 "},
        DisplayCase{"MonthFirst", "2304150614300500", 1, "-", "04-15-2023 Saturday", "14:30:05 "},
        DisplayCase{"NoneSelectedIsDayFirst", "2304150614300500", -1, "/", "15/04/2023 Saturday",
                    "14:30:05 "},
        DisplayCase{"EmptySeparator", "2304160700000700", 0, "", "16042023 Sunday", "00:00:07 "},
        DisplayCase{"WeekdayOutOfRange", "2304150914300500", 0, "/", "15/04/2023 ", "14:30:05 "},
        DisplayCase{"WeekdayNotANumber", "230415XY14300500", 0, "/", "15/04/2023 ", "14:30:05 "},
        DisplayCase{"ShortLine", "2304", 0, "/", "/04/2023 ", ":: "},
        DisplayCase{"EmptyLine", "", 0, "/", "//20 ", ":: "}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
