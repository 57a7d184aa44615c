#pragma once
// The rows of the customer list: 13 columns (the name, the name again as the row's hidden key, then
// fields 1 to 11), a tick box per row, and the list's text sort.

#include "customers/CustomerStore.h"

#include <QAbstractTableModel>

#include <vector>

namespace vorlan::customers {

class CustomerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 13;
    static constexpr int kKeyColumn = 1;     // repeats the name; deletions read it from here
    static constexpr int kDefaultSortColumn = 2; // "快捷码"

    explicit CustomerListModel(QObject* parent = nullptr);

    // Header text, width in twips and whether the column is centred.
    static QString header(int column);
    static int widthTwips(int column);
    static bool centred(int column);
    // The customer field shown in a column.
    static int fieldOf(int column) { return column <= kKeyColumn ? 0 : column - 1; }

    // Replaces every row (ticks cleared). Once sorting is on, the rows come sorted by the sort column.
    void setCustomers(QList<Customer> customers);
    // Adds one row, at its sorted place once sorting is on.
    void addCustomer(const Customer& c);
    // Drops every row whose name denotes the same customer as name.
    void removeName(const QString& name);

    const Customer& customer(int row) const { return rows_[size_t(row)].fields; }
    // The name in the row's hidden key column.
    QString keyName(int row) const { return rows_[size_t(row)].fields[0]; }
    bool isChecked(int row) const { return rows_[size_t(row)].checked; }
    void setChecked(int row, bool checked);
    QStringList checkedNames() const;

    // A header click: sorting switched on, ascending, by that column.
    void sortAscending(int column);
    void setSortColumn(int column) { sortColumn_ = column; }
    int sortColumn() const { return sortColumn_; }
    bool sortingOn() const { return sortingOn_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Row {
        Customer fields;
        bool checked = false;
    };
    bool less(const Row& a, const Row& b, int column) const;
    void sortRows();

    std::vector<Row> rows_;
    int sortColumn_ = kDefaultSortColumn;
    bool sortingOn_ = false;
};

} // namespace vorlan::customers
