#pragma once
// The reader clock text and the texts built from it.
//
// The reader clock text is 16 decimal digits without separators: year within the century,
// month, day, "0" and the weekday (1 Monday to 7 Sunday), hour, minute, second, and "00".
// The reader sends the same layout back when its clock is read, and it sits at positions
// 13-28 of every stored record line.
//
// Plain functions without state; safe on any thread.

#include <optional>
#include <string>
#include <string_view>

namespace px708 {

struct ClockFields {
    int year = 2000; // four digits; only the year within the century goes to the reader
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The reader's weekday of a Gregorian date: 1 Monday ... 7 Sunday.
int readerWeekday(int year, int month, int day);

// The clock text of a date and time, as sent after "T" to set the clock.
std::string readerClockText(const ClockFields& t);

// The clock text of an entered date and an entered time "HH:MM:SS": the hour, minute and
// second are the characters 1-2, 4-5 and 7-8 of the time text as typed (3 and 6 are not
// looked at). The caller has checked that the time text is 8 characters long.
std::string userClockText(int year, int month, int day, std::string_view time);

// "Monday" ... "Sunday" for 1 ... 7; empty for any other number.
std::string_view dayName(int readerWeekday);

// What the page shows for a clock text read back from the reader.
struct ClockDisplay {
    std::string date; // Labeldt1: the date, one blank, the day name
    std::string time; // Labeldt2: "HH:MM:SS" and one blank
};

// The display of a reply line L in the clock state, from whatever stands at the clock
// positions: a short or garbled line gives short or garbled texts, never an error.
// dateOrder 1 puts the month first; any other value puts the day first. The separator goes
// between day, month and year as it is (it may be empty).
ClockDisplay clockDisplay(std::string_view line, int dateOrder, std::string_view separator);

// The time entry field: only "." "/" and the digits may be typed.
bool timeEntryAccepts(char c);

// The correction the time entry makes after a change of its text: the new text and the
// caret position after it. Empty when the text stays as it is.
struct TimeEntryFix {
    std::string text;
    int caret = 0;
};
std::optional<TimeEntryFix> timeEntryCheck(std::string_view text);

} // namespace px708
