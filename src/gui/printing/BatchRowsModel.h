#pragma once
// The rows of a batch's source with a tick box each, for the batch dialog's list. The ticks live in the
// model, not in item widgets: the register can be long.

#include "printing/Batch.h"

#include <QAbstractTableModel>

namespace vorlan::printing {

class BatchRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    // Shows these rows (kept by the caller), none ticked.
    void setData(const BatchData* data);
    QList<int> ticked() const;
    void setTicked(int row, bool on);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    const BatchData* data_ = nullptr;
    QList<bool> ticks_;
};

} // namespace vorlan::printing
