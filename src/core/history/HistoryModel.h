#pragma once
// The result list of the history query: one row per logged sheet, fetched from the query in batches
// as the view scrolls, with the tick boxes kept here by row.

#include <QAbstractTableModel>
#include <QList>
#include <QSqlQuery>
#include <QStringList>

namespace vorlan::history {

// A print date as shown: "yyyy-mm-dd hh:mm:ss"; Null reads as empty, unreadable text stays as it is.
QString printTimeText(const QVariant& v);

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryModel(QObject* parent = nullptr);

    // The log table's columns in table order (the print date first). Columns of the list: the print
    // time, the same value as stored (zero width in the view), then every other column.
    void setColumns(const QStringList& tableColumns);
    // Shows a new result: the query selects the row identity, then the table's columns in order.
    void setQuery(QSqlQuery&& query);
    // Drops every row and lets go of the query.
    void clear();
    // Reads the rest of the result.
    void fetchAll();

    qint64 rowId(int row) const { return rows_.at(row).id; }
    bool isChecked(int row) const { return rows_.at(row).checked; }
    QList<qint64> checkedRowIds() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

    static constexpr int kBatch = 256;

private:
    struct Row {
        qint64 id = 0;
        QStringList values; // the table's columns, Null as empty
        bool checked = false;
    };
    QStringList tableColumns_;
    QList<Row> rows_;
    QSqlQuery query_;
    bool more_ = false;
};

} // namespace vorlan::history
