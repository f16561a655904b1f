#include "ui/findbar.h"

#include "store/field.h"
#include "store/table.h"
#include "store/tablesearch.h"
#include "ui/valuelabel.h"

#include <QAbstractItemModel>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include <exception>

namespace {

const QString kNotFound = QStringLiteral("Not found");

int tagField(const px708::Table& table) {
    for (int i = 0; i < table.fieldCount(); ++i)
        if (table.field(i).fieldName() == QLatin1String("tag"))
            return i;
    return -1;
}

} // namespace

TFindBar* TFindBar::install(QTableView* grid, px708::Table& table, QWidget* page) {
    QWidget* area = grid->parentWidget();
    auto* column = new QWidget(area);
    column->setObjectName(QStringLiteral("gridColumn"));
    auto* bar = new TFindBar(grid, table, column);
    // The grid keeps its place in the page's layout, now with the bar above it.
    if (QLayout* layout = area->layout())
        delete layout->replaceWidget(grid, column);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(bar);
    stack->addWidget(grid);
    bar->hide();
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), page);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, bar, &TFindBar::open);
    return bar;
}

TFindBar::TFindBar(QTableView* grid, px708::Table& table, QWidget* parent)
    : QWidget(parent), grid_(grid), table_(table), search_(table), text_(new QLineEdit(this)),
      status_(new TValueLabel(this)) {
    setObjectName(QStringLiteral("findBar"));
    auto* caption = new QLabel(QStringLiteral("&Find tag:"), this);
    caption->setObjectName(QStringLiteral("findLabel"));
    caption->setBuddy(text_);
    text_->setObjectName(QStringLiteral("findText"));
    text_->setAccessibleName(QStringLiteral("Find a transponder code"));
    text_->setMaxLength(12);
    text_->setMaximumWidth(160);
    text_->installEventFilter(this);
    auto* next = new QPushButton(QStringLiteral("Next"), this);
    next->setObjectName(QStringLiteral("findNextButton"));
    next->setToolTip(QStringLiteral("Next row whose tag contains the text (Enter)"));
    auto* previous = new QPushButton(QStringLiteral("Previous"), this);
    previous->setObjectName(QStringLiteral("findPreviousButton"));
    previous->setToolTip(QStringLiteral("Row before whose tag contains the text (Shift+Enter)"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("findCloseButton"));
    closeButton->setToolTip(QStringLiteral("Close the find bar (Escape)"));
    status_->setObjectName(QStringLiteral("findStatus"));
    status_->setAccessibleDescription(QStringLiteral("Find result"));
    QPalette red = status_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    status_->setPalette(red);
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);
    row->addWidget(caption);
    row->addWidget(text_);
    row->addWidget(next);
    row->addWidget(previous);
    row->addWidget(status_, 1);
    row->addWidget(closeButton);

    connect(text_, &QLineEdit::textEdited, this, [this] { find(true, true); });
    connect(next, &QPushButton::clicked, this, &TFindBar::findNext);
    connect(previous, &QPushButton::clicked, this, &TFindBar::findPrevious);
    connect(closeButton, &QPushButton::clicked, this, &TFindBar::closeBar);
}

void TFindBar::open() {
    show();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void TFindBar::closeBar() {
    hide();
    status_->clear();
    search_.release();
    grid_->setFocus(Qt::OtherFocusReason);
}

void TFindBar::findNext() {
    find(true, false);
}

void TFindBar::findPrevious() {
    find(false, false);
}

void TFindBar::find(bool forward, bool includeCurrent) {
    const QString wanted = text_->text().trimmed();
    if (wanted.isEmpty() || !table_.isOpen()) {
        status_->clear();
        return;
    }
    const int field = tagField(table_);
    int from = grid_->currentIndex().isValid() ? grid_->currentIndex().row() : table_.recNo();
    // While typing, the current row is looked at first: start one before it.
    if (includeCurrent && from >= 0)
        from = forward ? from - 1 : from + 1;
    int found = -1;
    try {
        found = search_.find(field, wanted, from,
                             forward ? px708::TableSearch::Direction::Forward
                                     : px708::TableSearch::Direction::Backward);
    } catch (const std::exception& e) {
        status_->setText(QString::fromLocal8Bit(e.what()));
        return;
    }
    if (found < 0) {
        status_->setText(kNotFound);
        return;
    }
    status_->clear();
    const int column = grid_->currentIndex().isValid() ? grid_->currentIndex().column() : field;
    const QModelIndex target = grid_->model()->index(found, column);
    // Moving the grid's current row moves the table's cursor (the Data page follows the grid).
    grid_->setCurrentIndex(target);
    grid_->scrollTo(target, QAbstractItemView::PositionAtCenter);
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        case Qt::Key_Escape:
            closeBar();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
