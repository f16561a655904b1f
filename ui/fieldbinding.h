#pragma once
// FieldBinder: the data-aware controls of one table. Each bound control shows a field of the
// table's current row and writes the operator's changes back into it, the way a record panel
// works:
//
// - when the table moves to another row, is reopened, posts or cancels, every control shows
//   the row's values again at once; values written into the current row by other code show
//   at the next turn of the event loop (once, however many were written); while the table is
//   closed the controls are empty and disabled;
// - the operator's first change of a control puts the row into editing (on an empty table
//   this starts a new row); text fields take the text at each keystroke, cut to the field's
//   width by the editor's length limit; date, time and number texts are written when the
//   editor is left or Enter is pressed, or by updateRecord() before the row is stored;
// - loading a row into a control is no change of the operator's: it writes nothing and does
//   not report userChanged.
//
// - the table asks the binder for its pending texts before anything moves the cursor, appends
//   a row or starts a bulk operation (a download while the operator types a time), so a typed
//   text always reaches the row it was typed for.
//
// A failure (the row changed by another program, a text the field cannot take) goes to the
// error handler; the control then shows the field's value again, except a text that is no
// valid date or time, which stays in its editor to be corrected (unless something other than
// the operator moves the cursor meanwhile: the operator has then been told that the text could
// not be stored).
//
// Thread affinity: main thread only. The table and the controls must outlive the binder or
// be destroyed with it (the binder's parent is normally the page that holds the controls).

#include "store/tablehooks.h"

#include <QObject>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace px708 {
class Table;
}

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QWidget;
class TRadioGroup;

class FieldBinder : public QObject, private px708::PendingText {
    Q_OBJECT
public:
    using ErrorHandler = std::function<void(const std::exception& e)>;

    FieldBinder(px708::Table& table, QObject* parent = nullptr);
    ~FieldBinder() override;

    px708::Table& table() const { return table_; }
    void setErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

    // Field names are the table's; an unknown name raises the store's error.
    void bindLineEdit(QLineEdit* edit, const QString& field);
    void bindLabel(QLabel* label, const QString& field);
    void bindCheckBox(QCheckBox* box, const QString& field);
    // A memo takes at most the field's width in characters.
    void bindMemo(QPlainTextEdit* memo, const QString& field);
    // A date editor shows a null date blank; entering it offers today's date to type over,
    // which is written only when the operator changes it.
    void bindDateEdit(QDateEdit* edit, const QString& field);
    // Item i stores values[i]; a stored value that is no item selects none.
    void bindRadioGroup(TRadioGroup* group, const QString& field, const QStringList& values);
    void bindSpinBox(QSpinBox* spin, const QString& field);

    // Writes every text the operator changed that has not reached its field yet. Raises the
    // store's error; call it before the row is stored or the cursor moves.
    void updateRecord();
    // Shows the current row in every control again.
    void reload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The operator changed control and its field now holds the new value.
    void userChanged(QWidget* control);

private:
    void writePendingText() noexcept override;

    enum class Kind { LineEdit, Label, CheckBox, Memo, DateEdit, RadioGroup, SpinBox };
    struct Binding {
        Kind kind;
        QWidget* widget;
        int field;
        QStringList values;
        bool pending = false; // a text typed but not yet written into the field
        bool touched = false; // the operator changed the control since it was loaded
    };

    int fieldIndex(const QString& name) const;
    void add(Binding binding);
    void load(Binding& b);
    // The operator changed b: start editing, let write() put the value, report.
    void userChange(Binding& b, const std::function<void()>& write);
    void writePending(Binding& b);
    void scheduleReload();
    void fail(const std::exception& e);
    Binding* find(QWidget* widget);

    px708::Table& table_;
    ErrorHandler onError_;
    std::vector<std::unique_ptr<Binding>> bindings_;
    bool loading_ = false;
    Binding* writing_ = nullptr;
    bool reloadScheduled_ = false;
};
