#pragma once
// The rows of the customer list: 13 columns (the name, the name again as the row's hidden key, then
// fields 1 to 11), a tick box per row, the list's sort (texts in pinyin order) and its search.
//
// The list keeps only the row ids of the customers, in display order, with their ticks; the texts
// are read from the table a screenful at a time as the view asks for them. A reload of a hundred
// thousand customers thus reads ids only.

#include "customers/CustomerStore.h"
#include "customers/PinyinOrder.h"

#include <QAbstractTableModel>
#include <QHash>

#include <vector>

namespace vorlan::customers {

class CustomerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 13;
    static constexpr int kKeyColumn = 1;         // repeats the name; deletions read it from here
    static constexpr int kDefaultSortColumn = 2; // "快捷码"

    explicit CustomerListModel(QObject* parent = nullptr);

    // Header text, width in twips and whether the column is centred.
    static QString header(int column);
    static int widthTwips(int column);
    static bool centred(int column);
    // The customer field shown in a column.
    static int fieldOf(int column) { return column <= kKeyColumn ? 0 : column - 1; }

    // Reads the customers matching the search text afresh (ticks cleared). Once sorting is on, the
    // rows come sorted by the sort column. Throws DbError; the list is then empty.
    void reload(const CustomerStore& store);
    // A new search text, the list read again for it. Nothing was written since the last reload, so
    // the sort order worked out then serves again. Throws DbError; the list is then empty.
    void search(const CustomerStore& store, const QString& text);
    // The search text for the next reload.
    void setSearchText(const QString& text) { search_ = text; }
    const QString& searchText() const { return search_; }
    // Adds a row just written, at its sorted place once sorting is on; a row that does not match the
    // search text is not shown.
    void addCustomer(RowId id, const Customer& c);
    // Drops the rows of those ids.
    void removeIds(const std::vector<RowId>& ids);

    RowId rowId(int row) const { return ids_[size_t(row)]; }
    // The list row of that id, -1 when it is not in the list.
    int rowOf(RowId id) const;
    // The row's fields; empty when they cannot be read.
    Customer customer(int row) const;
    // The name in the row's hidden key column.
    QString keyName(int row) const;
    bool isChecked(int row) const { return checked_[size_t(row)] != 0; }
    void setChecked(int row, bool checked);
    // The names of the ticked rows, from their key column. Throws DbError.
    QStringList checkedNames() const;

    // A header click: sorting switched on, ascending, by that column. Throws DbError.
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

private:
    // Every customer's text in one column, in pinyin order, and each row id's place in that order.
    struct SortedColumn {
        int column = -1;
        std::vector<std::pair<RowId, QString>> rows;
        QHash<RowId, int> place;
    };

    const CustomerRow& row(int r) const;
    void read(const CustomerStore& store);
    const SortedColumn& sortedBy(int column);
    // The positions of the ids in the order of the sort column, and the ids' texts.
    std::vector<size_t> sortedOrder(const std::vector<RowId>& ids, std::vector<QString>& keys);
    // The ids put in the order of the sort column, with their texts in that order.
    void sortIds(std::vector<RowId>& ids, std::vector<QString>& keys);

    PinyinOrder pinyin_;
    std::optional<CustomerStore> store_;
    QString search_;
    std::optional<SortedColumn> sorted_; // dropped whenever rows may have changed
    std::vector<RowId> ids_;
    std::vector<char> checked_;
    std::vector<QString> keys_; // the sort column's texts, in display order, while sorting is on
    mutable QHash<RowId, CustomerRow> cache_;
    int sortColumn_ = kDefaultSortColumn;
    bool sortingOn_ = false;
};

} // namespace vorlan::customers
