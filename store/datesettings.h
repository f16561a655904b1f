#pragma once
// Process-wide date and time settings, and every conversion between dates or times and text.
//
// The date-order flag (0 day before month, 1 month before day, any other value: neither), the
// date separator (at most one character, possibly none) and the short date pattern are set at
// start-up from the settings record and changed by the date settings on "Settings (1)". Every
// date shown, stored as text or read from text goes through formatDate and parseDate.
//
// Pattern notation: Qt's ("dd", "MM", "yyyy", "d", "M", "yy"; text in single quotes is
// literal). A '/' in the pattern stands for the current date separator, so a pattern built with
// "/" follows a later change of the separator at once, while a pattern built with "-" or "."
// keeps that character until it is rebuilt.
//
// Until they are set: flag 0, separator "/", pattern "dd/MM/yyyy".
//
// Thread affinity: set on the main thread; reading is safe from any thread (a mutex guards it).

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

namespace px708 {

class DateSettings {
public:
    static int dateOrder();
    static void setDateOrder(int flag);

    // "" or one character.
    static QString dateSeparator();
    // Keeps the first character of text; an empty text leaves no separator.
    static void setDateSeparator(QStringView text);

    // Builds the short date pattern from the flag and the separator: flag 0 gives
    // "dd" sep "MM" sep "yyyy", flag 1 "MM" sep "dd" sep "yyyy"; any other flag leaves the
    // pattern as it is.
    static void rebuildShortDatePattern();
    static QString shortDatePattern();
    // The pattern the operating system's regional settings give (the pattern before any
    // rebuild, and the one that a flag other than 0 or 1 keeps at start-up).
    static QString systemShortDatePattern();
    static void setShortDatePattern(const QString& pattern);

    // Sets flag and separator and rebuilds the pattern, as the start-up does. The pattern
    // starts from the system's, so that a flag other than 0 or 1 leaves the system's pattern.
    static void applyAtStartUp(int flag, QStringView separator);

    // Short and long time pattern, both "HH:mm:ss"; the time separator is ':'.
    static QString timePattern() { return QStringLiteral("HH:mm:ss"); }
    static QChar timeSeparator() { return QLatin1Char(':'); }

    // A two-digit year read from text: 50..99 are 1950..1999, 0..49 are 2000..2049.
    static int expandTwoDigitYear(int twoDigitYear);

    // The date in the short date pattern; the empty text for an invalid (null) date.
    static QString formatDate(QDate date);
    // Day, month and year in the pattern's order, separated by the current date separator
    // (the pattern's own separator character is accepted as well); one or two digits for day
    // and month, two-digit years as expandTwoDigitYear, leading and trailing blanks ignored.
    // With no separator the text is the digits alone (ddMMyyyy or ddMMyy in the order).
    static std::optional<QDate> parseDate(QStringView text);
    // parseDate, or ConvertError "'<text>' is not a valid date".
    static QDate toDate(QStringView text);

    static QString formatTime(QTime time);
    // Hours, minutes and optionally seconds separated by ':', one or two digits each.
    static std::optional<QTime> parseTime(QStringView text);
    // parseTime, or ConvertError "'<text>' is not a valid time".
    static QTime toTime(QStringView text);
};

} // namespace px708
