#include "link/clocktext.h"

#include <cstdio>

namespace px708 {

namespace {

std::string twoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// Characters [pos, pos + n) of s, or as many of them as s has.
std::string_view piece(std::string_view s, std::size_t pos, std::size_t n) {
    if (pos >= s.size())
        return {};
    return s.substr(pos, n);
}

// The number written by a run of digits; nothing when the run is empty or holds anything
// else (a "." or "/" typed into the time entry, a garbled reply).
std::optional<int> digitsValue(std::string_view s) {
    if (s.empty())
        return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

} // namespace

int readerWeekday(int year, int month, int day) {
    // Sakamoto's method gives 0 for Sunday ... 6 for Saturday.
    static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    const int m = (month - 1) % 12;
    const int fromSunday =
        (((year + year / 4 - year / 100 + year / 400 + offsets[m < 0 ? 0 : m] + day) % 7) + 7) % 7;
    return fromSunday == 0 ? 7 : fromSunday;
}

std::string readerClockText(const ClockFields& t) {
    return twoDigits(((t.year % 100) + 100) % 100) + twoDigits(t.month) + twoDigits(t.day) +
           twoDigits(readerWeekday(t.year, t.month, t.day)) + twoDigits(t.hour) +
           twoDigits(t.minute) + twoDigits(t.second) + "00";
}

std::string userClockText(int year, int month, int day, std::string_view time) {
    std::string text = twoDigits(((year % 100) + 100) % 100) + twoDigits(month) + twoDigits(day) +
                       twoDigits(readerWeekday(year, month, day));
    text += piece(time, 0, 2);
    text += piece(time, 3, 2);
    text += piece(time, 6, 2);
    text += "00";
    return text;
}

std::string_view dayName(int readerWeekday) {
    static constexpr std::string_view names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                 "Friday", "Saturday", "Sunday"};
    if (readerWeekday < 1 || readerWeekday > 7)
        return {};
    return names[readerWeekday - 1];
}

ClockDisplay clockDisplay(std::string_view line, int dateOrder, std::string_view separator) {
    const std::string_view year = piece(line, 0, 2);
    const std::string_view month = piece(line, 2, 2);
    const std::string_view day = piece(line, 4, 2);
    const std::string_view first = dateOrder == 1 ? month : day;
    const std::string_view second = dateOrder == 1 ? day : month;

    ClockDisplay d;
    d.date.append(first).append(separator).append(second).append(separator);
    d.date.append("20").append(year).append(" ");
    // A weekday that is not a number names no day, like a number outside 1 to 7.
    if (const std::optional<int> wd = digitsValue(piece(line, 6, 2)))
        d.date.append(dayName(*wd));

    d.time.append(piece(line, 8, 2)).append(":");
    d.time.append(piece(line, 10, 2)).append(":");
    d.time.append(piece(line, 12, 2)).append(" ");
    return d;
}

bool timeEntryAccepts(char c) {
    return c == '.' || c == '/' || (c >= '0' && c <= '9');
}

std::optional<TimeEntryFix> timeEntryCheck(std::string_view text) {
    // A "." or "/" where a number is read counts as out of range: the entry refuses it the
    // same way as an hour of 24 or a minute of 60.
    const auto outOfRange = [](std::string_view digits, int limit) {
        const std::optional<int> v = digitsValue(digits);
        return !v || *v > limit;
    };
    switch (text.size()) {
    case 1:
        if (outOfRange(text, 2))
            return TimeEntryFix{"", 0};
        return std::nullopt;
    case 2:
        if (outOfRange(text, 23))
            return TimeEntryFix{"", 0};
        return TimeEntryFix{std::string(text) + ":", 3};
    case 5:
        if (outOfRange(text.substr(3, 2), 59))
            return TimeEntryFix{std::string(text.substr(0, 3)), 3};
        return TimeEntryFix{std::string(text) + ":", 6};
    case 8:
        if (outOfRange(text.substr(6, 2), 59))
            return TimeEntryFix{std::string(text.substr(0, 6)), 6};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace px708
