#include "ui/fieldbinding.h"

#include "store/storeerror.h"
#include "store/table.h"
#include "ui/dateformat.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextCursor>

#include <utility>

using px708::FieldKind;
using px708::Table;

namespace {

// A date editor cannot be empty: its lowest date stands for "no date" and shows blank.
const QDate kNoDate(1752, 9, 14);

} // namespace

FieldBinder::FieldBinder(Table& table, QObject* parent) : QObject(parent), table_(table) {
    table_.addPendingText(this);
    connect(&table_, &Table::resetDone, this, &FieldBinder::reload);
    connect(&table_, &Table::stateChanged, this, &FieldBinder::reload);
    connect(&table_, &Table::currentRowChanged, this, &FieldBinder::reload);
    // Values written into the current row (a transfer setting one field after another) are
    // shown once per turn of the event loop; a move, a new state or a reset shows at once.
    connect(&table_, &Table::rowsChanged, this, [this](int first, int last) {
        const int pos = table_.recNo();
        if (pos >= first && pos <= last)
            scheduleReload();
    });
}

FieldBinder::~FieldBinder() {
    table_.removePendingText(this);
}

void FieldBinder::writePendingText() noexcept {
    for (auto& b : bindings_) {
        if (!b->pending)
            continue;
        try {
            writePending(*b);
        } catch (const std::exception& e) {
            try {
                fail(e);
            } catch (...) {
                // The error handler itself failed: nothing more can be told.
            }
        }
    }
}

int FieldBinder::fieldIndex(const QString& name) const {
    return table_.fieldByName(name).index();
}

FieldBinder::Binding* FieldBinder::find(QWidget* widget) {
    for (auto& b : bindings_)
        if (b->widget == widget)
            return b.get();
    return nullptr;
}

void FieldBinder::add(Binding binding) {
    bindings_.push_back(std::make_unique<Binding>(std::move(binding)));
    load(*bindings_.back());
}

void FieldBinder::bindLineEdit(QLineEdit* edit, const QString& field) {
    const int index = fieldIndex(field);
    const px708::Field& f = table_.field(index);
    if (f.kind() == FieldKind::String && f.size() > 0)
        edit->setMaxLength(f.size());
    add({Kind::LineEdit, edit, index, {}});
    const bool textField = f.kind() == FieldKind::String;
    connect(edit, &QLineEdit::textEdited, this, [this, edit, index, textField](const QString& t) {
        Binding* b = find(edit);
        if (textField) {
            userChange(*b, [this, index, t] { table_.field(index).setAsString(t); });
        } else {
            userChange(*b, [b] { b->pending = true; });
        }
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        Binding* b = find(edit);
        if (!b->pending)
            return;
        try {
            writePending(*b);
        } catch (const std::exception& e) {
            fail(e);
        }
    });
}

void FieldBinder::bindLabel(QLabel* label, const QString& field) {
    add({Kind::Label, label, fieldIndex(field), {}});
}

void FieldBinder::bindCheckBox(QCheckBox* box, const QString& field) {
    const int index = fieldIndex(field);
    add({Kind::CheckBox, box, index, {}});
    connect(box, &QCheckBox::clicked, this, [this, box, index](bool checked) {
        userChange(*find(box),
                   [this, index, checked] { table_.field(index).setAsBoolean(checked); });
    });
}

void FieldBinder::bindMemo(QPlainTextEdit* memo, const QString& field) {
    const int index = fieldIndex(field);
    add({Kind::Memo, memo, index, {}});
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, index] {
        if (loading_)
            return;
        const int limit = table_.field(index).size();
        QString text = memo->toPlainText();
        if (limit > 0 && text.size() > limit) {
            // Typing or pasting beyond the field's width keeps the first characters only.
            const QSignalBlocker block(memo);
            QTextCursor cursor = memo->textCursor();
            const int position = std::min(cursor.position(), limit);
            text.truncate(limit);
            memo->setPlainText(text);
            cursor = memo->textCursor();
            cursor.setPosition(position);
            memo->setTextCursor(cursor);
        }
        userChange(*find(memo), [this, index, text] { table_.field(index).setAsString(text); });
    });
}

void FieldBinder::bindDateEdit(QDateEdit* edit, const QString& field) {
    const int index = fieldIndex(field);
    edit->setMinimumDate(kNoDate);
    edit->setSpecialValueText(QStringLiteral(" "));
    add({Kind::DateEdit, edit, index, {}});
    edit->installEventFilter(this);
    connect(edit, &QDateEdit::dateChanged, this, [this, edit, index](QDate date) {
        if (loading_)
            return;
        userChange(*find(edit), [this, index, date] {
            if (date == kNoDate)
                table_.field(index).clear();
            else
                table_.field(index).setAsDate(date);
        });
    });
}

void FieldBinder::bindRadioGroup(TRadioGroup* group, const QString& field,
                                 const QStringList& values) {
    const int index = fieldIndex(field);
    add({Kind::RadioGroup, group, index, values});
    connect(group, &TRadioGroup::itemIndexChanged, this, [this, group, index](int item) {
        if (loading_)
            return;
        Binding* b = find(group);
        userChange(*b, [this, b, index, item] {
            if (item >= 0 && item < b->values.size())
                table_.field(index).setAsString(b->values[item]);
            else
                table_.field(index).clear();
        });
    });
}

void FieldBinder::bindSpinBox(QSpinBox* spin, const QString& field) {
    const int index = fieldIndex(field);
    add({Kind::SpinBox, spin, index, {}});
    connect(spin, &QSpinBox::valueChanged, this, [this, spin, index](int value) {
        if (loading_)
            return;
        userChange(*find(spin), [this, index, value] { table_.field(index).setAsInteger(value); });
    });
}

bool FieldBinder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return QObject::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    Binding* b = find(static_cast<QWidget*>(watched));
    if (!b || b->kind != Kind::DateEdit || reason == Qt::PopupFocusReason ||
        reason == Qt::ActiveWindowFocusReason)
        return QObject::eventFilter(watched, event);
    auto* edit = static_cast<QDateEdit*>(b->widget);
    if (event->type() == QEvent::FocusIn) {
        // The blank of a missing date has no sections to type into.
        if (edit->date() == kNoDate) {
            const bool wasLoading = std::exchange(loading_, true);
            edit->setDate(QDate::currentDate());
            loading_ = wasLoading;
        }
    } else {
        // Left without a change: show the missing date blank again, once the editor has
        // finished its own work on leaving (a two-digit year is taken then).
        QWidget* widget = b->widget;
        QMetaObject::invokeMethod(
            this,
            [this, widget] {
                Binding* left = find(widget);
                if (left && !left->touched && !widget->hasFocus())
                    load(*left);
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void FieldBinder::userChange(Binding& b, const std::function<void()>& write) {
    if (loading_)
        return;
    b.touched = true;
    writing_ = &b;
    try {
        if (table_.state() == Table::State::Browse)
            table_.edit();
        write();
    } catch (const std::exception& e) {
        writing_ = nullptr;
        fail(e);
        return;
    }
    writing_ = nullptr;
    // Editing may have read the row afresh: show it in the other controls.
    for (auto& other : bindings_)
        if (other.get() != &b && !other->pending)
            load(*other);
    emit userChanged(b.widget);
}

void FieldBinder::writePending(Binding& b) {
    const QString text = static_cast<QLineEdit*>(b.widget)->text();
    writing_ = &b;
    try {
        if (table_.state() == Table::State::Browse)
            table_.edit();
        table_.field(b.field).setAsString(text);
    } catch (...) {
        writing_ = nullptr;
        throw;
    }
    writing_ = nullptr;
    b.pending = false;
    emit userChanged(b.widget);
}

void FieldBinder::updateRecord() {
    for (auto& b : bindings_)
        if (b->pending)
            writePending(*b);
}

void FieldBinder::fail(const std::exception& e) {
    const bool convert = dynamic_cast<const px708::ConvertError*>(&e) != nullptr;
    if (onError_)
        onError_(e);
    if (!convert)
        reload();
}

void FieldBinder::scheduleReload() {
    if (reloadScheduled_)
        return;
    reloadScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            reloadScheduled_ = false;
            if (writing_)
                return;
            // Text the operator typed meanwhile and has not written stays in its editor.
            for (auto& b : bindings_)
                if (!b->pending)
                    load(*b);
        },
        Qt::QueuedConnection);
}

void FieldBinder::reload() {
    if (writing_)
        return;
    for (auto& b : bindings_) {
        b->pending = false;
        load(*b);
    }
}

void FieldBinder::load(Binding& b) {
    b.touched = false;
    const bool open = table_.isOpen();
    b.widget->setEnabled(open);
    const px708::Field& f = table_.field(b.field);
    const bool hasValue = open && !f.isNull();
    const QString text = open ? f.asString() : QString();
    const bool wasLoading = std::exchange(loading_, true);
    switch (b.kind) {
    case Kind::LineEdit: {
        auto* edit = static_cast<QLineEdit*>(b.widget);
        if (edit->text() != text)
            edit->setText(text);
        break;
    }
    case Kind::Label:
        static_cast<QLabel*>(b.widget)->setText(text);
        break;
    case Kind::CheckBox:
        static_cast<QCheckBox*>(b.widget)->setChecked(hasValue && f.asBoolean());
        break;
    case Kind::Memo: {
        auto* memo = static_cast<QPlainTextEdit*>(b.widget);
        if (memo->toPlainText() != text)
            memo->setPlainText(text);
        break;
    }
    case Kind::DateEdit: {
        auto* edit = static_cast<QDateEdit*>(b.widget);
        const QString format = dateEditFormat();
        if (edit->displayFormat() != format)
            edit->setDisplayFormat(format);
        edit->setDate(hasValue ? f.asDate() : kNoDate);
        break;
    }
    case Kind::RadioGroup:
        static_cast<TRadioGroup*>(b.widget)->setItemIndex(hasValue ? b.values.indexOf(text) : -1);
        break;
    case Kind::SpinBox:
        static_cast<QSpinBox*>(b.widget)->setValue(open ? static_cast<int>(f.asInteger()) : 0);
        break;
    }
    loading_ = wasLoading;
}
