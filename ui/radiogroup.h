#pragma once
// TRadioGroup: a captioned group of radio buttons laid out in a given number of columns, with
// one selected item or none.
//
// Items are placed column by column: with n items in c columns each column holds
// ceil(n / c) items, the first column the first ones. The selection is an index counted from
// 0; -1 means no item is selected, which is how a group without a preset starts.
//
// The view of the reader link finds a group by its objectName and sets the selection through
// qobject_cast<TRadioGroup*>(widget)->setItemIndex(i).
//
// Thread affinity: main thread only, like every widget.

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged USER true)

public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    ~TRadioGroup() override;

    QStringList items() const { return items_; }
    // Replaces the items; the selection is cleared.
    void setItems(const QStringList& items);

    int columns() const { return columns_; }
    // At least 1.
    void setColumns(int columns);

    // The selected index, or -1 when none is selected.
    int itemIndex() const;
    // Selects item i; -1 (or any index outside the items) clears the selection. Emits
    // itemIndexChanged when the selection changes, whether by the operator or by a call.
    void setItemIndex(int i);

    // The button of item i (for tests and accessibility); nullptr outside the items.
    QRadioButton* button(int i) const;

signals:
    void itemIndexChanged(int index);

private:
    void rebuild();
    void arrange();

    QStringList items_;
    int columns_ = 1;
    int lastIndex_ = -1;
    QGridLayout* grid_ = nullptr;
    QButtonGroup* buttons_ = nullptr;
    std::vector<QRadioButton*> radios_;
};
