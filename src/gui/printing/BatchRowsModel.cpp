#include "printing/BatchRowsModel.h"

namespace vorlan::printing {

void BatchRowsModel::setData(const BatchData* data) {
    beginResetModel();
    data_ = data;
    ticks_ = QList<bool>(data ? data->rows.size() : 0, false);
    endResetModel();
}

QList<int> BatchRowsModel::ticked() const {
    QList<int> out;
    for (int i = 0; i < ticks_.size(); ++i)
        if (ticks_.at(i))
            out << i;
    return out;
}

void BatchRowsModel::setTicked(int row, bool on) {
    setData(index(row, 0), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

int BatchRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_ ? 0 : int(data_->rows.size());
}

int BatchRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_ ? 0 : int(data_->header.size()) + 1;
}

QVariant BatchRowsModel::data(const QModelIndex& index, int role) const {
    if (!data_ || !index.isValid())
        return {};
    if (index.column() == 0) {
        if (role == Qt::CheckStateRole)
            return ticks_.value(index.row()) ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DisplayRole)
            return data_->rowNumbers.value(index.row());
        return {};
    }
    if (role == Qt::DisplayRole)
        return data_->rows.value(index.row()).value(index.column() - 1);
    return {};
}

bool BatchRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || index.row() >= ticks_.size())
        return false;
    ticks_[index.row()] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags BatchRowsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant BatchRowsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal || !data_)
        return QAbstractTableModel::headerData(section, o, role);
    if (section == 0)
        return data_->source == BatchData::Source::Customers ? QStringLiteral("序号")
                                                             : QStringLiteral("行号");
    return data_->header.value(section - 1);
}

} // namespace vorlan::printing
