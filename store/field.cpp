#include "store/field.h"

#include "store/datesettings.h"
#include "store/storeerror.h"
#include "store/table.h"

namespace px708 {
namespace {

// Cuts text to width characters, never splitting a surrogate pair.
QString cutToWidth(const QString& text, int width) {
    if (width <= 0)
        return text;
    qsizetype units = 0;
    for (int chars = 0; units < text.size() && chars < width; ++chars) {
        const bool pair = text[units].isHighSurrogate() && units + 1 < text.size() &&
                          text[units + 1].isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return text.left(units);
}

// "F", "fa", "FALSE" are false and "t", "Tru", "TRUE" true; anything else has no value.
std::optional<bool> booleanFromText(const QString& text) {
    static const QString kFalse = QStringLiteral("False");
    static const QString kTrue = QStringLiteral("True");
    if (text.isEmpty())
        return std::nullopt;
    if (text.size() <= kFalse.size() &&
        kFalse.left(text.size()).compare(text, Qt::CaseInsensitive) == 0)
        return false;
    if (text.size() <= kTrue.size() &&
        kTrue.left(text.size()).compare(text, Qt::CaseInsensitive) == 0)
        return true;
    return std::nullopt;
}

bool isInteger(const QVariant& v) {
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
}

std::optional<bool> storedBoolean(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    if (isInteger(v) || v.typeId() == QMetaType::Double)
        return v.toLongLong() != 0;
    const QString s = v.toString();
    if (s == QLatin1String("1"))
        return true;
    if (s == QLatin1String("0"))
        return false;
    return booleanFromText(s);
}

QDate storedDate(const QVariant& v) {
    if (v.isNull())
        return {};
    const QString s = v.toString();
    const QDate iso = QDate::fromString(s, Qt::ISODate);
    if (iso.isValid())
        return iso;
    return DateSettings::parseDate(s).value_or(QDate());
}

QTime storedTime(const QVariant& v) {
    if (v.isNull())
        return {};
    const QString s = v.toString();
    const QTime iso = QTime::fromString(s, Qt::ISODate);
    if (iso.isValid())
        return iso;
    return DateSettings::parseTime(s).value_or(QTime());
}

// The stored forms "yyyy-MM-dd" and "HH:mm:ss", written without the locale machinery: an
// import stores them for every row, and QDate::toString costs more than the row's insert.
void putDigits(QChar* out, int value, int count) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[i] = QLatin1Char(static_cast<char>('0' + value % 10));
}

QString storedDateText(QDate date) {
    const int year = date.year();
    if (year < 0 || year > 9999)
        return date.toString(Qt::ISODate);
    QString text(10, QLatin1Char('-'));
    QChar* out = text.data();
    putDigits(out, year, 4);
    putDigits(out + 5, date.month(), 2);
    putDigits(out + 8, date.day(), 2);
    return text;
}

QString storedTimeText(QTime time) {
    QString text(8, QLatin1Char(':'));
    QChar* out = text.data();
    putDigits(out, time.hour(), 2);
    putDigits(out + 3, time.minute(), 2);
    putDigits(out + 6, time.second(), 2);
    return text;
}

QString booleanText(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

Field::Field(Table* table, const FieldDef& def, int index)
    : table_(table), name_(QString::fromLatin1(def.name)), kind_(def.kind), width_(def.width),
      displayWidth_(def.gridChars), index_(index), label_(QString::fromUtf8(def.title)) {}

QVariant Field::storedValue() const {
    return table_->currentValue(index_);
}

bool Field::isNull() const {
    return storedValue().isNull();
}

QString Field::asString() const {
    return textOf(storedValue());
}

qint64 Field::asInteger() const {
    const QVariant v = storedValue();
    if (v.isNull())
        return 0;
    if (kind_ == FieldKind::Boolean)
        return storedBoolean(v).value_or(false) ? 1 : 0;
    if (isInteger(v) || v.typeId() == QMetaType::Double)
        return v.toLongLong();
    bool ok = false;
    const QString s = v.toString();
    const qint64 n = s.trimmed().toLongLong(&ok);
    if (!ok)
        throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
    return n;
}

bool Field::asBoolean() const {
    const QVariant v = storedValue();
    if (v.isNull())
        return false;
    if (auto b = storedBoolean(v))
        return *b;
    throw ConvertError(QStringLiteral("'%1' is not a valid boolean value for field '%2'")
                           .arg(v.toString(), displayName()));
}

QDate Field::asDate() const {
    const QVariant v = storedValue();
    if (kind_ == FieldKind::Date || v.isNull())
        return storedDate(v);
    return DateSettings::toDate(v.toString());
}

QTime Field::asTime() const {
    const QVariant v = storedValue();
    if (kind_ == FieldKind::Time || v.isNull())
        return storedTime(v);
    return DateSettings::toTime(v.toString());
}

QString Field::textOf(const QVariant& stored) const {
    if (stored.isNull())
        return {};
    switch (kind_) {
    case FieldKind::String:
    case FieldKind::Integer:
        return stored.toString();
    case FieldKind::Boolean:
        if (auto b = storedBoolean(stored))
            return booleanText(*b);
        return stored.toString();
    case FieldKind::Date: {
        const QDate d = storedDate(stored);
        return d.isValid() ? DateSettings::formatDate(d) : stored.toString();
    }
    case FieldKind::Time: {
        const QTime t = storedTime(stored);
        return t.isValid() ? DateSettings::formatTime(t) : stored.toString();
    }
    }
    return stored.toString();
}

QVariant Field::storedFromText(const QString& text) const {
    switch (kind_) {
    case FieldKind::String: {
        if (text.isEmpty())
            return {};
        return cutToWidth(text, width_);
    }
    case FieldKind::Integer: {
        const QString t = text.trimmed();
        if (t.isEmpty())
            return {};
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (!ok)
            throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return QVariant::fromValue<qint64>(n);
    }
    case FieldKind::Boolean: {
        if (text.isEmpty())
            return {};
        const auto b = booleanFromText(text);
        if (!b)
            throw ConvertError(QStringLiteral("'%1' is not a valid boolean value for field '%2'")
                                   .arg(text, displayName()));
        return QVariant::fromValue<qint64>(*b ? 1 : 0);
    }
    case FieldKind::Date:
        if (text.trimmed().isEmpty())
            return {};
        return storedDateText(DateSettings::toDate(text));
    case FieldKind::Time:
        if (text.trimmed().isEmpty())
            return {};
        return storedTimeText(DateSettings::toTime(text));
    }
    return {};
}

void Field::write(const QVariant& stored) {
    table_->writeValue(index_, stored);
}

void Field::setAsString(const QString& text) {
    // Convert before touching the row, so a refused text leaves the field as it was.
    write(storedFromText(text));
}

QVariant Field::storedFromInteger(qint64 value) const {
    switch (kind_) {
    case FieldKind::Integer:
        return QVariant::fromValue<qint64>(value);
    case FieldKind::Boolean:
        return QVariant::fromValue<qint64>(value != 0 ? 1 : 0);
    case FieldKind::String:
        return storedFromText(QString::number(value));
    case FieldKind::Date:
    case FieldKind::Time:
        break;
    }
    throw ConvertError(QStringLiteral("Invalid value for field '%1'").arg(displayName()));
}

QVariant Field::storedFromBoolean(bool value) const {
    switch (kind_) {
    case FieldKind::Boolean:
    case FieldKind::Integer:
        return QVariant::fromValue<qint64>(value ? 1 : 0);
    case FieldKind::String:
        return storedFromText(booleanText(value));
    case FieldKind::Date:
    case FieldKind::Time:
        break;
    }
    throw ConvertError(QStringLiteral("Invalid value for field '%1'").arg(displayName()));
}

QVariant Field::storedFromDate(QDate date) const {
    if (kind_ == FieldKind::Date)
        return date.isValid() ? QVariant(storedDateText(date)) : QVariant();
    if (kind_ == FieldKind::String)
        return storedFromText(DateSettings::formatDate(date));
    throw ConvertError(QStringLiteral("Invalid value for field '%1'").arg(displayName()));
}

QVariant Field::storedFromTime(QTime time) const {
    if (kind_ == FieldKind::Time)
        return time.isValid() ? QVariant(storedTimeText(time)) : QVariant();
    if (kind_ == FieldKind::String)
        return storedFromText(DateSettings::formatTime(time));
    throw ConvertError(QStringLiteral("Invalid value for field '%1'").arg(displayName()));
}

void Field::setAsInteger(qint64 value) {
    write(storedFromInteger(value));
}

void Field::setAsBoolean(bool value) {
    write(storedFromBoolean(value));
}

void Field::setAsDate(QDate date) {
    write(storedFromDate(date));
}

void Field::setAsTime(QTime time) {
    write(storedFromTime(time));
}

void Field::clear() {
    write(QVariant());
}

} // namespace px708
