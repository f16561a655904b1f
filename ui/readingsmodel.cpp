#include "ui/readingsmodel.h"

#include "store/storeerror.h"
#include "store/table.h"

ReadingsModel::ReadingsModel(px708::Table& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    using px708::Table;
    connect(&table_, &Table::aboutToReset, this, [this] { beginResetModel(); });
    connect(&table_, &Table::resetDone, this, [this] { endResetModel(); });
    connect(&table_, &Table::rowsAboutToBeAppended, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(&table_, &Table::rowsAppended, this, [this] { endInsertRows(); });
    connect(&table_, &Table::rowsAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows({}, first, last); });
    connect(&table_, &Table::rowsRemoved, this, [this] { endRemoveRows(); });
    connect(&table_, &Table::rowsChanged, this, [this](int first, int last) {
        if (first < 0 || last < first)
            return;
        emit dataChanged(index(first, 0), index(last, columnCount() - 1),
                         {Qt::DisplayRole, Qt::EditRole});
    });
}

void ReadingsModel::titlesChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int ReadingsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_.isOpen())
        return 0;
    return table_.recordCount();
}

int ReadingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.fieldCount();
}

QVariant ReadingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    try {
        return table_.displayText(index.row(), index.column());
    } catch (const px708::StoreError&) {
        // A row that cannot be read (the file gone, a disk error) shows empty; the next
        // operation on the table reports the error.
        return {};
    }
}

QVariant ReadingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= table_.fieldCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return table_.field(section).displayName();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ReadingsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool ReadingsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !table_.isOpen())
        return false;
    const QString text = value.toString();
    try {
        if (table_.displayText(index.row(), index.column()) == text)
            return true;
        if (table_.recNo() != index.row())
            table_.moveTo(index.row());
        table_.edit();
        table_.field(index.column()).setAsString(text);
        return true;
    } catch (const std::exception& e) {
        if (onError_)
            onError_(e);
        return false;
    }
}
