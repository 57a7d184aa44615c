#pragma once
// The result list of the history query: one row per logged sheet, fetched from the query in batches
// as the view scrolls, with the tick boxes kept here by row.

#include <QAbstractTableModel>
#include <QList>
#include <QSqlQuery>
#include <QStringList>

#include <functional>

namespace vorlan::history {

// A print date as shown: "yyyy-mm-dd hh:mm:ss"; Null reads as empty, unreadable text stays as it is.
QString printTimeText(const QVariant& v);

// What became of a sheet's print job, as the list shows it, with more of it for a tool tip.
struct JobCell {
    QString text;
    QString detail;
};
// The cell of the row the query stands on, from its columns after the table's (first and on).
using JobCells = std::function<JobCell(const QSqlQuery& query, int first)>;

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryModel(QObject* parent = nullptr);

    static inline const QString kStateHeader = QStringLiteral("打印状态");

    // The log table's columns in table order (the print date first). Columns of the list: the print
    // time, the same value as stored (zero width in the view), then every other column, and last the
    // state of each sheet's print job.
    void setColumns(const QStringList& tableColumns);
    // Shows a new result: the query selects the row identity, then the table's columns in order, then
    // what jobs reads of the sheet's print job (the state column stays empty without).
    void setQuery(QSqlQuery&& query, JobCells jobs = {});
    // Drops every row and lets go of the query.
    void clear();
    // Reads the rest of the result.
    void fetchAll();

    qint64 rowId(int row) const { return rows_.at(row).id; }
    bool isChecked(int row) const { return rows_.at(row).checked; }
    QList<qint64> checkedRowIds() const;
    // Ticks the rows of these keys among those fetched.
    void check(const QList<qint64>& ids);
    // The table's values of a row fetched, in table order.
    const QStringList& rowValues(int row) const { return rows_.at(row).values; }
    // The rows ticked, or else the row given (the current one; -1 for none), in list order.
    QList<int> chosenRows(int current) const;
    // The column of the job states; -1 without columns.
    int stateColumn() const { return tableColumns_.isEmpty() ? -1 : int(tableColumns_.size()) + 1; }

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
        JobCell job;
    };
    QStringList tableColumns_;
    QList<Row> rows_;
    QSqlQuery query_;
    JobCells jobs_;
    bool more_ = false;
};

} // namespace vorlan::history
