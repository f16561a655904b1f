#pragma once
// ReadingsModel: the rows of a readings table (tbld) as an editable item model for the grid.
//
// Rows are read lazily by position through Table::storedValue/displayText, so only the rows a
// view shows are fetched from the file; a table of a million rows opens and scrolls at once.
// The Table's signals are forwarded as the model's own (reset, rows appended and removed, rows
// changed), so every view follows the table whatever changed it: the record panel, the
// navigator, a transfer, another table being selected.
//
// Editing a cell moves the table's cursor to its row, puts the row into editing and writes the
// field from the cell's text; the row is stored when the cursor leaves it or the navigator
// posts it, as every edit of the row is. A text the field cannot take is reported through the
// error handler and the cell keeps its value.
//
// Thread affinity: main thread only. The Table must outlive the model.

#include <QAbstractTableModel>

#include <exception>
#include <functional>

namespace px708 {
class Table;
}

class ReadingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using ErrorHandler = std::function<void(const std::exception& e)>;

    explicit ReadingsModel(px708::Table& table, QObject* parent = nullptr);

    px708::Table& table() const { return table_; }
    // Where a failed edit is reported (the window's standard error box).
    void setErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

    // The column titles follow the fields' display labels; call after they changed.
    void titlesChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    px708::Table& table_;
    ErrorHandler onError_;
};
