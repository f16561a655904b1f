#include "ui/accessibility.h"

#include "ui/pagecontrol.h"
#include "ui/valuelabel.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace px708 {

namespace {

QString withoutMnemonic(QString text) {
    // "&&" stands for a literal ampersand; a single one marks the mnemonic.
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

class TabBarInterface;

// One shown tab of the page control.
class PageTabInterface : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PageTabInterface(TPageTabBar* bar, int tab) : bar_(bar), tab_(tab) {}

    bool isValid() const override {
        return bar_ && tab_ < bar_->count() && bar_->isTabVisible(tab_);
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return bar_ ? bar_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(bar_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return withoutMnemonic(bar_->tabText(tab_));
        case QAccessible::Description:
            return bar_->tabToolTip(tab_);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = bar_->currentIndex() == tab_;
        s.focused = s.selected && bar_->hasFocus();
        s.disabled = !bar_->isTabEnabled(tab_);
        s.invisible = !bar_->isVisible();
        return s;
    }
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = bar_->tabRect(tab_);
        return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction())
            bar_->setCurrentIndex(tab_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int tab() const { return tab_; }

private:
    QPointer<TPageTabBar> bar_;
    int tab_;
};

// The tab bar: its children are the shown tabs, in order.
class TabBarInterface : public QAccessibleWidget {
public:
    explicit TabBarInterface(TPageTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBarInterface() override {
        for (QAccessible::Id id : std::as_const(tabs_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return static_cast<int>(shownTabs().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<int> shown = shownTabs();
        if (index < 0 || index >= shown.size())
            return nullptr;
        const int tab = shown.at(index);
        if (const auto found = tabs_.constFind(tab); found != tabs_.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto* iface = new PageTabInterface(bar(), tab);
        tabs_.insert(tab, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child && child->role() == QAccessible::PageTab && child->parent() == this)
            return static_cast<int>(
                shownTabs().indexOf(static_cast<const PageTabInterface*>(child)->tab()));
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int count = childCount();
        for (int i = 0; i < count; ++i) {
            QAccessibleInterface* c = child(i);
            if (c && c->rect().contains(x, y))
                return c;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("Pages");
        return QAccessibleWidget::text(t);
    }

private:
    TPageTabBar* bar() const { return static_cast<TPageTabBar*>(widget()); }
    QList<int> shownTabs() const {
        QList<int> shown;
        for (int i = 0; i < bar()->count(); ++i)
            if (bar()->isTabVisible(i))
                shown << i;
        return shown;
    }

    mutable QHash<int, QAccessible::Id> tabs_;
};

// A label showing a value: named by the value, described by its field, and readable as text.
class ValueLabelInterface : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ValueLabelInterface(TValueLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return label()->shownText();
        case QAccessible::Description:
            return label()->fieldName();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // A value label is read, not edited: no selection, the caret at the start.
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        const QString shown = label()->shownText();
        if (endOffset < 0 || endOffset > shown.size())
            endOffset = static_cast<int>(shown.size());
        if (startOffset < 0 || startOffset >= endOffset)
            return {};
        return shown.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(label()->shownText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    const TValueLabel* label() const { return static_cast<const TValueLabel*>(widget()); }
};

QAccessibleInterface* createInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("TForm1"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String("TPageTabBar"))
        return new TabBarInterface(static_cast<TPageTabBar*>(object));
    if (className == QLatin1String("TValueLabel"))
        return new ValueLabelInterface(static_cast<TValueLabel*>(object));
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    QAccessible::installFactory(createInterface);
}

} // namespace px708
