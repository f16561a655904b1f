#pragma once
// TDBNavigator: the record navigator of a table: first, prior, next, last, insert, delete,
// edit, post, cancel and refresh, each a button with its hint. Deleting asks "Delete record?"
// first. The buttons are enabled as the table's state allows (no moving past the ends, post
// and cancel only while a row is being edited, nothing while the table is closed).
//
// Before every button's action the navigator runs the "before action" callback (the record
// panel writes what the operator typed into the row); a failure of either goes to the error
// handler and the action is not done.
//
// Thread affinity: main thread only. The table must outlive the navigator.

#include <QWidget>

#include <array>
#include <exception>
#include <functional>

namespace px708 {
class Table;
}

class QToolButton;

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;

    explicit TDBNavigator(QWidget* parent = nullptr);

    // The table the navigator moves; nullptr leaves it without one (every button disabled).
    void setTable(px708::Table* table);
    void setBeforeAction(std::function<void()> beforeAction) { before_ = std::move(beforeAction); }
    void setErrorHandler(std::function<void(const std::exception&)> handler) {
        onError_ = std::move(handler);
    }

    QToolButton* button(Button which) const;
    // The hint of a button ("First record").
    static QString hint(Button which);

    // Runs a button's action as a click does.
    void press(Button which);

private:
    void updateButtons();

    px708::Table* table_ = nullptr;
    std::array<QToolButton*, kButtonCount> buttons_{};
    std::function<void()> before_;
    std::function<void(const std::exception&)> onError_;
    QMetaObject::Connection connections_[5];
};
