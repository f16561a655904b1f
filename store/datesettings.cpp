#include "store/datesettings.h"

#include "store/storeerror.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <mutex>

namespace px708 {
namespace {

struct Settings {
    std::mutex mutex;
    int order = 0;
    QString separator = QStringLiteral("/");
    QString pattern = QStringLiteral("dd/MM/yyyy");
};

Settings& settings() {
    static Settings s;
    return s;
}

struct Snapshot {
    int order;
    QString separator;
    QString pattern;
};

Snapshot snapshot() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return {s.order, s.separator, s.pattern};
}

enum class Part { Day, Month, Year };

// The order of day, month and year in a pattern, by the first letter of each outside quotes.
std::array<Part, 3> partOrder(const QString& pattern) {
    qsizetype day = -1, month = -1, year = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == QLatin1Char('d') && day < 0)
            day = i;
        else if (c == QLatin1Char('M') && month < 0)
            month = i;
        else if (c == QLatin1Char('y') && year < 0)
            year = i;
    }
    if (day < 0 || month < 0 || year < 0)
        return {Part::Day, Part::Month, Part::Year};
    std::array<std::pair<qsizetype, Part>, 3> parts{
        {{day, Part::Day}, {month, Part::Month}, {year, Part::Year}}};
    std::sort(parts.begin(), parts.end());
    return {parts[0].second, parts[1].second, parts[2].second};
}

// The first character of the pattern that separates two fields (outside quotes).
std::optional<QChar> patternSeparator(const QString& pattern) {
    bool quoted = false;
    bool seenField = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c.isLetter())
            seenField = true;
        else if (seenField)
            return c;
    }
    return std::nullopt;
}

bool allDigits(QStringView s) {
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

std::optional<QDate> makeDate(const std::array<Part, 3>& order,
                              const std::array<QStringView, 3>& parts) {
    int day = 0, month = 0, year = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const QStringView p = parts[i];
        if (!allDigits(p))
            return std::nullopt;
        const int value = p.toInt();
        switch (order[i]) {
        case Part::Day:
            if (p.size() > 2)
                return std::nullopt;
            day = value;
            break;
        case Part::Month:
            if (p.size() > 2)
                return std::nullopt;
            month = value;
            break;
        case Part::Year:
            if (p.size() > 4)
                return std::nullopt;
            year = p.size() <= 2 ? DateSettings::expandTwoDigitYear(value) : value;
            break;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QDate> parseWithSeparator(const std::array<Part, 3>& order, QStringView text,
                                        QChar separator) {
    std::array<QStringView, 3> parts;
    qsizetype start = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const qsizetype end = i < 2 ? text.indexOf(separator, start) : text.size();
        if (end < 0)
            return std::nullopt;
        parts[i] = text.mid(start, end - start);
        start = end + 1;
    }
    return makeDate(order, parts);
}

std::optional<QDate> parseDigitsOnly(const std::array<Part, 3>& order, QStringView text) {
    if (!allDigits(text) || (text.size() != 8 && text.size() != 6))
        return std::nullopt;
    const qsizetype yearWidth = text.size() == 8 ? 4 : 2;
    std::array<QStringView, 3> parts;
    qsizetype start = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const qsizetype width = order[i] == Part::Year ? yearWidth : 2;
        parts[i] = text.mid(start, width);
        start += width;
    }
    return makeDate(order, parts);
}

QString formatRun(QDate date, QChar letter, qsizetype count) {
    const QLocale locale = QLocale::system();
    if (letter == QLatin1Char('d')) {
        if (count == 1)
            return QString::number(date.day());
        if (count == 2)
            return QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
        return locale.dayName(date.dayOfWeek(),
                              count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
    }
    if (letter == QLatin1Char('M')) {
        if (count == 1)
            return QString::number(date.month());
        if (count == 2)
            return QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
        return locale.monthName(date.month(),
                                count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
    }
    if (count <= 2)
        return QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace

int DateSettings::dateOrder() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return s.order;
}

void DateSettings::setDateOrder(int flag) {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    s.order = flag;
}

QString DateSettings::dateSeparator() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return s.separator;
}

void DateSettings::setDateSeparator(QStringView text) {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    s.separator = text.left(1).toString();
}

void DateSettings::rebuildShortDatePattern() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    if (s.order == 0)
        s.pattern = QStringLiteral("dd") + s.separator + QStringLiteral("MM") + s.separator +
                    QStringLiteral("yyyy");
    else if (s.order == 1)
        s.pattern = QStringLiteral("MM") + s.separator + QStringLiteral("dd") + s.separator +
                    QStringLiteral("yyyy");
}

QString DateSettings::shortDatePattern() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return s.pattern;
}

QString DateSettings::systemShortDatePattern() {
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

void DateSettings::setShortDatePattern(const QString& pattern) {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    s.pattern = pattern;
}

void DateSettings::applyAtStartUp(int flag, QStringView separator) {
    setShortDatePattern(systemShortDatePattern());
    setDateSeparator(separator);
    setDateOrder(flag);
    rebuildShortDatePattern();
}

int DateSettings::expandTwoDigitYear(int twoDigitYear) {
    return twoDigitYear < 50 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

QString DateSettings::formatDate(QDate date) {
    if (!date.isValid())
        return {};
    const Snapshot s = snapshot();
    QString out;
    const QString& p = s.pattern;
    for (qsizetype i = 0; i < p.size();) {
        const QChar c = p[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype close = p.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype end = close < 0 ? p.size() : close;
            if (end == i + 1)
                out += QLatin1Char('\'');
            else
                out += p.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            qsizetype j = i;
            while (j < p.size() && p[j] == c)
                ++j;
            out += formatRun(date, c, j - i);
            i = j;
        } else if (c == QLatin1Char('/')) {
            out += s.separator;
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::optional<QDate> DateSettings::parseDate(QStringView text) {
    const Snapshot s = snapshot();
    const QStringView t = text.trimmed();
    const std::array<Part, 3> order = partOrder(s.pattern);
    if (!s.separator.isEmpty()) {
        if (auto d = parseWithSeparator(order, t, s.separator[0]))
            return d;
    }
    // A pattern built with another separator than the current one still reads its own dates.
    if (auto own = patternSeparator(s.pattern); own && *own != QLatin1Char('/')) {
        if (auto d = parseWithSeparator(order, t, *own))
            return d;
    }
    if (s.separator.isEmpty())
        return parseDigitsOnly(order, t);
    return std::nullopt;
}

QDate DateSettings::toDate(QStringView text) {
    if (auto d = parseDate(text))
        return *d;
    throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
}

QString DateSettings::formatTime(QTime time) {
    if (!time.isValid())
        return {};
    return time.toString(QStringLiteral("HH:mm:ss"));
}

std::optional<QTime> DateSettings::parseTime(QStringView text) {
    const QStringView t = text.trimmed();
    std::array<int, 3> values{0, 0, 0};
    std::size_t count = 0;
    qsizetype start = 0;
    while (true) {
        if (count == 3)
            return std::nullopt;
        qsizetype end = t.indexOf(QLatin1Char(':'), start);
        if (end < 0)
            end = t.size();
        const QStringView part = t.mid(start, end - start);
        if (!allDigits(part) || part.size() > 2)
            return std::nullopt;
        values[count++] = part.toInt();
        if (end == t.size())
            break;
        start = end + 1;
    }
    if (count < 2)
        return std::nullopt;
    const QTime time(values[0], values[1], values[2]);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QTime DateSettings::toTime(QStringView text) {
    if (auto t = parseTime(text))
        return *t;
    throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
}

} // namespace px708
