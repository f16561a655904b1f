#include "transfer/uploadrecord.h"

#include "store/datesettings.h"
#include "store/storeerror.h"

#include <optional>

namespace px708 {

namespace {

// The largest number ten hexadecimal digits hold.
constexpr qint64 kLargestCode = 0xFFFFFFFFFFLL;
constexpr qint64 kLargestCountry = 0xFFFF;

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString textOf(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

ConvertError notAnInteger(const QString& text) {
    return ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

// A whole number from 0 to largest, blanks around it allowed; the empty text is empty.
std::optional<qint64> wholeNumber(const QString& text, qint64 largest) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (!ok || n < 0 || n > largest)
        throw notAnInteger(text);
    return n;
}

QDate rowDate(const QVariant& stored, const QDateTime& now) {
    const QString s = textOf(stored);
    if (s.trimmed().isEmpty())
        return now.date();
    // Stored as "yyyy-MM-dd"; a file another program wrote may hold the short date pattern.
    if (const QDate iso = QDate::fromString(s, Qt::ISODate); iso.isValid())
        return iso;
    if (const auto d = DateSettings::parseDate(s))
        return *d;
    throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(s));
}

QTime rowTime(const QVariant& stored, const QDateTime& now) {
    const QString s = textOf(stored);
    if (s.trimmed().isEmpty())
        return now.time();
    if (const QTime iso = QTime::fromString(s, Qt::ISODate); iso.isValid())
        return iso;
    if (const auto t = DateSettings::parseTime(s))
        return *t;
    throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(s));
}

QString normalisedLot(const QString& lot) {
    return lot.size() == 1 ? QLatin1Char('0') + lot : lot;
}

} // namespace

QString uploadRecord(QStringView lot, QStringView code, QDate date, QTime time, unsigned country) {
    QString r;
    r.reserve(kUploadRecordLength + lot.size());
    r += lot;
    r += code;
    r += twoDigits(date.year() % 100);
    r += twoDigits(date.month());
    r += twoDigits(date.day());
    r += twoDigits(date.dayOfWeek());
    r += twoDigits(time.hour());
    r += twoDigits(time.minute());
    r += QStringLiteral("0000");
    r += QStringLiteral("%1").arg(country, 4, 16, QLatin1Char('0')).toUpper();
    r.truncate(kUploadRecordLength);
    return r;
}

std::string uploadCommand(const QString& record) {
    return "S" + record.toLatin1().toStdString();
}

QString tableUploadRecord(const UploadRow& row, QStringView lotForAll, const QDateTime& now) {
    QString lot = lotForAll.toString();
    if (lot.isEmpty())
        lot = textOf(row.lot);
    if (lot.isEmpty())
        lot = QStringLiteral("01");

    const QString cCode = textOf(row.cCode);
    // Readings captured on-line have no country code; they are sent as codes without one.
    const qint64 country = wholeNumber(cCode, kLargestCountry).value_or(0);

    const QString tag = textOf(row.tag);
    QString code;
    if (country > 0) {
        // The tag is the decimal national number the download made of the hexadecimal code.
        const auto number = wholeNumber(tag, kLargestCode);
        if (!number)
            throw notAnInteger(tag);
        code = QString::number(*number, 16).toUpper().rightJustified(kUploadCodeLength, u'0');
    } else {
        code = tag.left(kUploadCodeLength).rightJustified(kUploadCodeLength, u'0');
    }

    return uploadRecord(normalisedLot(lot), code, rowDate(row.date, now), rowTime(row.time, now),
                        static_cast<unsigned>(country));
}

QString keylotCode(QStringView line) {
    const QStringView c = line.left(kUploadCodeLength);
    QString code;
    code.reserve(kUploadCodeLength);
    for (qsizetype pair = kUploadCodeLength - 2; pair >= 0; pair -= 2)
        code += c.mid(pair, 2);
    return code;
}

QString keylotUploadRecord(QStringView line, QStringView keylot, const QDateTime& now) {
    return uploadRecord(keylot, keylotCode(line), now.date(), now.time(), 0);
}

} // namespace px708
