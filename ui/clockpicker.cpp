#include "ui/clockpicker.h"

#include <QKeyEvent>
#include <QLineEdit>

TDatePicker::TDatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
}

bool TDatePicker::takeTwoDigitYear() {
    QString twoDigits = displayFormat();
    if (!twoDigits.contains(QLatin1String("yyyy")))
        return false;
    twoDigits.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    QDate d = QDate::fromString(lineEdit()->text(), twoDigits);
    if (!d.isValid())
        return false;
    const int year = d.year() % 100;
    d.setDate(year < 50 ? 2000 + year : 1900 + year, d.month(), d.day());
    if (!d.isValid())
        return false;
    setDate(d);
    return true;
}

void TDatePicker::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        takeTwoDigitYear();
    QDateEdit::keyPressEvent(event);
}

void TDatePicker::focusOutEvent(QFocusEvent* event) {
    takeTwoDigitYear();
    QDateEdit::focusOutEvent(event);
}
