#include "sim/simclock.h"

#include "sim/simhex.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace px708::sim {

namespace {

using namespace std::chrono;

constexpr CivilSeconds kDay = 86400;

CivilSeconds floorDiv(CivilSeconds a, CivilSeconds b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

int number(std::string_view text, std::size_t pos) {
    return (text[pos] - '0') * 10 + (text[pos + 1] - '0');
}

} // namespace

CivilSeconds civil(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                   unsigned second) {
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} /
                        std::chrono::day{day}};
    return static_cast<CivilSeconds>(date.time_since_epoch().count()) * kDay + hour * 3600 +
           minute * 60 + second;
}

CivilSeconds localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return civil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                 static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                 static_cast<unsigned>(local.tm_min), static_cast<unsigned>(local.tm_sec));
}

std::string clockText(CivilSeconds t) {
    const CivilSeconds days = floorDiv(t, kDay);
    const CivilSeconds rest = t - days * kDay;
    const sys_days date{std::chrono::days{days}};
    const year_month_day ymd{date};
    const weekday wd{date};
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02u%02u%02u%02d%02d%02d00",
                  static_cast<int>(ymd.year()) % 100, static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), wd.iso_encoding(),
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

std::optional<CivilSeconds> parseClockText(std::string_view text) {
    if (text.size() != 16 || !isDigits(text))
        return std::nullopt;
    const int yy = number(text, 0);
    const int month = number(text, 2);
    const int day = number(text, 4);
    const int weekdayField = number(text, 6);
    const int hour = number(text, 8);
    const int minute = number(text, 10);
    const int second = number(text, 12);
    const year_month_day ymd{std::chrono::year{2000 + yy},
                             std::chrono::month{static_cast<unsigned>(month)},
                             std::chrono::day{static_cast<unsigned>(day)}};
    if (!ymd.ok() || weekdayField < 1 || weekdayField > 7 || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    return civil(2000 + yy, static_cast<unsigned>(month), static_cast<unsigned>(day),
                 static_cast<unsigned>(hour), static_cast<unsigned>(minute),
                 static_cast<unsigned>(second));
}

} // namespace px708::sim
