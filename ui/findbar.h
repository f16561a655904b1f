#pragma once
// TFindBar: the find bar of the Data page. Ctrl+F on the page opens it above the grid; typing
// part of a transponder code moves the grid to the nearest row, from the current one on, whose
// tag contains it; Enter finds the next such row, Shift+Enter the one before, both wrapping
// round the table; "Not found" says that no row holds it. Escape closes the bar and gives the
// grid the focus back. The search runs in the table's file (store/tablesearch.h), so a table of
// a million rows is searched without being read into memory.
//
// Thread affinity: main thread only.

#include "store/tablesearch.h"

#include <QWidget>

namespace px708 {
class Table;
}

class QLineEdit;
class QTableView;
class TValueLabel;

class TFindBar : public QWidget {
    Q_OBJECT
public:
    // Puts a find bar above grid (a view of table's rows), hidden, and binds Ctrl+F on page to
    // it. The page owns the bar.
    static TFindBar* install(QTableView* grid, px708::Table& table, QWidget* page);

    TFindBar(QTableView* grid, px708::Table& table, QWidget* parent);

    // Shows the bar with the focus in its text, all of it selected.
    void open();
    void closeBar();
    // Finds the next row (or the one before) from the current row, the current row excluded.
    void findNext();
    void findPrevious();

    QLineEdit* findText() const { return text_; }
    TValueLabel* findStatus() const { return status_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Searches from the grid's current row; includeCurrent for the search while typing, which
    // stays on the current row as long as it still matches.
    void find(bool forward, bool includeCurrent);

    QTableView* grid_;
    px708::Table& table_;
    px708::TableSearch search_;
    QLineEdit* text_;
    TValueLabel* status_;
};
