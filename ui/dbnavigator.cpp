#include "ui/dbnavigator.h"

#include "store/table.h"
#include "ui/modal.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QStyle>
#include <QToolButton>

using px708::Table;

namespace {

struct ButtonLook {
    const char* name;
    const char* hint;
    const char* glyph;
};

constexpr std::array<ButtonLook, TDBNavigator::kButtonCount> kLooks{{
    {"First", "First record", "|\u25C0"},
    {"Prior", "Prior record", "\u25C0"},
    {"Next", "Next record", "\u25B6"},
    {"Last", "Last record", "\u25B6|"},
    {"Insert", "Insert record", "+"},
    {"Delete", "Delete record", "\u2212"},
    {"Edit", "Edit record", "\u25B2"},
    {"Post", "Post edit", "\u2714"},
    {"Cancel", "Cancel edit", "\u2716"},
    {"Refresh", "Refresh data", "\u21BB"},
}};

const ButtonLook& look(TDBNavigator::Button which) {
    return kLooks[static_cast<std::size_t>(which)];
}

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        const auto which = static_cast<Button>(i);
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("nb") + QString::fromLatin1(look(which).name));
        b->setText(QString::fromUtf8(look(which).glyph));
        b->setToolTip(hint(which));
        b->setAccessibleName(hint(which));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QToolButton::clicked, this, [this, which] { press(which); });
        row->addWidget(b);
        buttons_[static_cast<std::size_t>(i)] = b;
    }
    updateButtons();
}

QString TDBNavigator::hint(Button which) {
    return QString::fromLatin1(look(which).hint);
}

QToolButton* TDBNavigator::button(Button which) const {
    return buttons_[static_cast<std::size_t>(which)];
}

void TDBNavigator::setTable(Table* table) {
    for (auto& c : connections_)
        disconnect(c);
    table_ = table;
    if (table_) {
        connections_[0] = connect(table_, &Table::stateChanged, this, [this] { updateButtons(); });
        connections_[1] =
            connect(table_, &Table::currentRowChanged, this, [this] { updateButtons(); });
        connections_[2] = connect(table_, &Table::resetDone, this, [this] { updateButtons(); });
        connections_[3] = connect(table_, &Table::rowsRemoved, this, [this] { updateButtons(); });
        connections_[4] = connect(table_, &Table::rowsAppended, this, [this] { updateButtons(); });
    }
    updateButtons();
}

void TDBNavigator::press(Button which) {
    if (!table_)
        return;
    try {
        if (which == Button::Delete) {
            QMessageBox box(QMessageBox::Question, QApplication::applicationName(),
                            QStringLiteral("Delete record?"), QMessageBox::Ok | QMessageBox::Cancel,
                            window());
            box.setDefaultButton(QMessageBox::Cancel);
            if (px708::runModal(box) != QMessageBox::Ok)
                return;
        }
        // Cancelling drops the typed text with the rest of the row's change.
        if (before_ && which != Button::Cancel)
            before_();
        Table& t = *table_;
        switch (which) {
        case Button::First:
            t.first();
            break;
        case Button::Prior:
            t.prior();
            break;
        case Button::Next:
            t.next();
            break;
        case Button::Last:
            t.last();
            break;
        case Button::Insert:
            t.insert();
            break;
        case Button::Delete:
            t.remove();
            break;
        case Button::Edit:
            t.edit();
            break;
        case Button::Post:
            t.post();
            break;
        case Button::Cancel:
            t.cancel();
            break;
        case Button::Refresh:
            t.refresh();
            break;
        }
    } catch (const std::exception& e) {
        if (onError_)
            onError_(e);
    }
    updateButtons();
}

void TDBNavigator::updateButtons() {
    const bool open = table_ && table_->isOpen();
    const bool editing =
        open && (table_->state() == Table::State::Edit || table_->state() == Table::State::Insert);
    const int pos = open ? table_->recNo() : -1;
    const int count = open ? table_->recordCount() : 0;
    const bool notFirst = open && pos > 0;
    const bool notLast = open && pos >= 0 && pos < count - 1;
    const auto enable = [this](Button b, bool on) { button(b)->setEnabled(on); };
    enable(Button::First, notFirst);
    enable(Button::Prior, notFirst);
    enable(Button::Next, notLast);
    enable(Button::Last, notLast);
    enable(Button::Insert, open);
    enable(Button::Delete, open && count > 0);
    enable(Button::Edit, open && !editing);
    enable(Button::Post, editing);
    enable(Button::Cancel, editing);
    enable(Button::Refresh, open && !editing);
}
