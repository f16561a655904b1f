#pragma once
// TPageControl: the page control of the main window (Page). Its tab bar, TPageTabBar, offers
// assistive technology the shown tabs only: a page whose tab is hidden ("On-Line Settings(4)"
// without extra, "Keylot Upload", "Manual") is no page tab a screen reader can choose
// (ui/accessibility.h). The pages keep their indexes, hidden or not.
//
// Thread affinity: main thread only.

#include <QTabBar>
#include <QTabWidget>

class TPageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit TPageTabBar(QWidget* parent = nullptr);
};

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);
    TPageTabBar* pageTabBar() const;
};
