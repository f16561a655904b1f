#pragma once
// One field of a Table, bound by name to a column of the table file when the table opens.
//
// Reads give the value of the current row (or of the row being edited); writes need the table
// in edit or insert state. Conversions:
// - String: text cut to the field's width in characters; the empty text stores null.
// - Integer: decimal text; the empty text stores null; null reads as 0 and as "".
// - Boolean: "True"/"False"; text is compared without regard to case with as many leading
//   characters of "False" as it has, then of "True"; the empty text stores null; null reads
//   as false and as "".
// - Date: stored as "yyyy-MM-dd", read and written as text in the short date pattern.
// - Time: stored as "HH:mm:ss", read and written as text in the pattern "HH:mm:ss".
// A text that a field cannot take raises ConvertError with the runtime's text.
//
// The display label (grid title, and the name the conversion errors give) outlives closing
// and reopening the table; an empty label shows the field's own name.
//
// Thread affinity: that of its Table (main thread).

#include "store/schemas.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>

namespace px708 {

class Table;

class Field {
public:
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    const QString& fieldName() const { return name_; }
    FieldKind kind() const { return kind_; }
    // Width in characters of a String field, 0 for the others.
    int size() const { return width_; }
    int index() const { return index_; }
    // The grid column width in characters the schema gives.
    int displayWidth() const { return displayWidth_; }

    const QString& displayLabel() const { return label_; }
    void setDisplayLabel(const QString& label) { label_ = label; }
    // The label, or the field's name when the label is empty.
    QString displayName() const { return label_.isEmpty() ? name_ : label_; }

    bool isNull() const;
    QString asString() const;
    qint64 asInteger() const;
    bool asBoolean() const;
    QDate asDate() const;
    QTime asTime() const;
    // The value as stored in the file (null, integer or text).
    QVariant storedValue() const;

    void setAsString(const QString& text);
    void setAsInteger(qint64 value);
    void setAsBoolean(bool value);
    void setAsDate(QDate date);
    void setAsTime(QTime time);
    void clear();

    // The text of a stored value as this field shows it (the grid's cell text).
    QString textOf(const QVariant& stored) const;
    // The stored value for a text, as setAsString stores it; raises ConvertError.
    QVariant storedFromText(const QString& text) const;
    // The stored values setAsInteger, setAsBoolean, setAsDate and setAsTime write; each raises
    // ConvertError where the field's type cannot take the value.
    QVariant storedFromInteger(qint64 value) const;
    QVariant storedFromBoolean(bool value) const;
    QVariant storedFromDate(QDate date) const;
    QVariant storedFromTime(QTime time) const;

private:
    friend class Table;
    Field(Table* table, const FieldDef& def, int index);
    void write(const QVariant& stored);

    Table* table_;
    QString name_;
    FieldKind kind_;
    int width_;
    int displayWidth_;
    int index_;
    QString label_;
};

} // namespace px708
