#pragma once
// The reader's calendar clock and its 16-digit text: year within the century, month, day, "0"
// and the weekday (1 Monday to 7 Sunday), hour, minute, second, "00".
// Times are civil seconds: seconds since 1970-01-01 00:00 of the local wall clock, without a
// time zone, so that the reader's clock moves with the PC's local clock plus a fixed offset.
// Pure functions apart from localNow(); usable from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace px708::sim {

using CivilSeconds = std::int64_t;

// The PC's present local date and time as civil seconds.
CivilSeconds localNow();

// The clock text of a civil time; the weekday is computed from the date.
std::string clockText(CivilSeconds t);

// A clock text as the reader accepts it in a set: 16 digits, a real date in 2000-2099, hour,
// minute and second in range, "0" and a weekday digit 1 to 7 at positions 7-8. The weekday
// digit is not trusted: the reader keeps the date and derives the weekday itself.
std::optional<CivilSeconds> parseClockText(std::string_view text);

// Civil seconds of a date and time (year with century).
CivilSeconds civil(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                   unsigned second);

} // namespace px708::sim
