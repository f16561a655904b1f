#pragma once
// TDatePicker: the date picker of the user-defined clock setting, a date edit with a
// drop-down calendar in the program's short date pattern. A year typed with two digits is
// taken as 1950-2049 when the operator ends the entry (Enter, or leaving the field).
//
// Thread affinity: main thread only, like every widget.

#include <QDateEdit>

class TDatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit TDatePicker(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Replaces an entry with a two-digit year by its date; false when the text is no such
    // entry.
    bool takeTwoDigitYear();
};
