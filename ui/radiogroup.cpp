#include "ui/radiogroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), grid_(new QGridLayout(this)), buttons_(new QButtonGroup(this)) {
    // A group is as tall as its rows; spare height of a page goes to its memos and spacers.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    grid_->setContentsMargins(6, 2, 6, 2);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(0);
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool) {
        const int now = itemIndex();
        if (now != lastIndex_) {
            lastIndex_ = now;
            emit itemIndexChanged(now);
        }
    });
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::setItems(const QStringList& items) {
    items_ = items;
    rebuild();
}

void TRadioGroup::setColumns(int columns) {
    columns_ = columns < 1 ? 1 : columns;
    arrange();
}

int TRadioGroup::itemIndex() const {
    const int id = buttons_->checkedId();
    return id >= 0 ? id : -1;
}

void TRadioGroup::setItemIndex(int i) {
    if (i >= 0 && i < static_cast<int>(radios_.size())) {
        radios_[static_cast<std::size_t>(i)]->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its checked button; lift the rule for a moment.
    if (QAbstractButton* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

QRadioButton* TRadioGroup::button(int i) const {
    if (i < 0 || i >= static_cast<int>(radios_.size()))
        return nullptr;
    return radios_[static_cast<std::size_t>(i)];
}

void TRadioGroup::rebuild() {
    for (QRadioButton* r : radios_) {
        buttons_->removeButton(r);
        delete r;
    }
    radios_.clear();
    const bool hadSelection = lastIndex_ != -1;
    lastIndex_ = -1;
    for (int i = 0; i < items_.size(); ++i) {
        auto* r = new QRadioButton(items_.at(i), this);
        r->setObjectName(objectName() + QLatin1Char('_') + QString::number(i));
        buttons_->addButton(r, i);
        radios_.push_back(r);
    }
    arrange();
    if (hadSelection)
        emit itemIndexChanged(-1);
}

void TRadioGroup::arrange() {
    for (QRadioButton* r : radios_)
        grid_->removeWidget(r);
    const int n = static_cast<int>(radios_.size());
    const int perColumn = n == 0 ? 1 : (n + columns_ - 1) / columns_;
    for (int i = 0; i < n; ++i)
        grid_->addWidget(radios_[static_cast<std::size_t>(i)], i % perColumn, i / perColumn);
    for (int c = 0; c < columns_; ++c)
        grid_->setColumnStretch(c, 1);
}
