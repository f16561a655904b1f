#include "store/rowvalues.h"

#include "store/field.h"
#include "store/table.h"

namespace px708 {

RowValues::RowValues(const Table& table)
    : table_(&table), values_(static_cast<std::size_t>(table.fieldCount())) {}

int RowValues::indexOf(QStringView fieldName) const {
    return table_->fieldByName(fieldName).index();
}

const Field& RowValues::field(int index) const {
    return table_->field(index);
}

void RowValues::put(int field, QVariant stored) {
    values_.at(static_cast<std::size_t>(field)) = std::move(stored);
    mask_ |= std::uint64_t{1} << field;
}

void RowValues::setText(int f, const QString& text) {
    put(f, field(f).storedFromText(text));
}

void RowValues::setInteger(int f, qint64 value) {
    put(f, field(f).storedFromInteger(value));
}

void RowValues::setBoolean(int f, bool value) {
    put(f, field(f).storedFromBoolean(value));
}

void RowValues::setDate(int f, QDate date) {
    put(f, field(f).storedFromDate(date));
}

void RowValues::setTime(int f, QTime time) {
    put(f, field(f).storedFromTime(time));
}

void RowValues::setNull(int f) {
    field(f);
    put(f, QVariant());
}

void RowValues::clear() {
    for (QVariant& v : values_)
        v = QVariant();
    mask_ = 0;
}

bool RowValues::isSet(int f) const {
    field(f);
    return (mask_ >> f) & 1U;
}

const QVariant& RowValues::stored(int f) const {
    return values_.at(static_cast<std::size_t>(f));
}

} // namespace px708
