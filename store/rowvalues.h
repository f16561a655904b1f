#pragma once
// RowValues: the values of one new row of a table, built outside the table's cursor, for the
// bulk path (BulkAppend) and the single durable append (Table::appendRow).
//
// The setters convert as the table's fields do (Field::setAsString and its kin): text is cut to
// the field's width, the empty text is null, dates are read in the program's short date
// pattern, times as hours, minutes and optionally seconds, booleans as the leading letters of
// "False" or "True". A value a field cannot take raises ConvertError with the field's text
// ("'32/01/2024' is not a valid date") and leaves the value as it was. A field never set keeps
// the column's default when the row is stored.
//
// Thread affinity: that of its Table (main thread). The Table must outlive its RowValues; the
// values stay valid across closing and opening the table.

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>

#include <cstdint>
#include <vector>

namespace px708 {

class Field;
class Table;

class RowValues {
public:
    explicit RowValues(const Table& table);

    const Table& table() const { return *table_; }
    int fieldCount() const { return static_cast<int>(values_.size()); }
    // The index of a field by name, without regard to case; raises DatabaseError
    // "<component>: Field '<name>' not found".
    int indexOf(QStringView fieldName) const;

    void setText(int field, const QString& text);
    void setText(QStringView fieldName, const QString& text) { setText(indexOf(fieldName), text); }
    void setInteger(int field, qint64 value);
    void setBoolean(int field, bool value);
    void setDate(int field, QDate date);
    void setTime(int field, QTime time);
    // Sets the field to null (unlike a field never set, which keeps the column's default).
    void setNull(int field);
    // Forgets every value: the row is as new.
    void clear();

    bool isSet(int field) const;
    // The value as it will be stored (null, integer or text); null for a field not set.
    const QVariant& stored(int field) const;
    const std::vector<QVariant>& storedValues() const { return values_; }
    // One bit per field that was set (bit i for field i).
    std::uint64_t setMask() const { return mask_; }

private:
    const Field& field(int index) const;
    void put(int field, QVariant stored);

    const Table* table_;
    std::vector<QVariant> values_;
    std::uint64_t mask_ = 0;
};

} // namespace px708
