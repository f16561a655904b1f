#include "ui/pagecontrol.h"

TPageTabBar::TPageTabBar(QWidget* parent) : QTabBar(parent) {}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    auto* bar = new TPageTabBar(this);
    // The name Qt gives its page controls' tab bars.
    bar->setObjectName(QStringLiteral("qt_tabwidget_tabbar"));
    setTabBar(bar);
}

TPageTabBar* TPageControl::pageTabBar() const {
    return static_cast<TPageTabBar*>(tabBar());
}
