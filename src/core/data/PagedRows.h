#pragma once
// The rows of a long SELECT, read a page at a time as a view scrolls to them: a server sends only the
// rows of the page asked for, where a scrollable query would first bring every row of the result over.

#include <QAbstractTableModel>
#include <QList>
#include <QSqlQuery>
#include <QSqlRecord>

#include <functional>

namespace vorlan::data {

// Which rows of a result: count rows from offset (the result's order); a count below 0 means all.
struct RowPage {
    int offset = 0;
    int count = -1;
};

// " LIMIT ? OFFSET ?" with its two values for a page that has a count, else nothing.
QString pageClause(const RowPage& page);
void bindPage(QSqlQuery& q, const RowPage& page);

class PagedRows : public QAbstractTableModel {
    Q_OBJECT

public:
    // The rows of one page, as an active query; it may throw DbError. A source that gives more rows
    // than asked for has given all of them.
    using Source = std::function<QSqlQuery(const RowPage& page)>;
    static constexpr int kPageRows = 256;

    explicit PagedRows(QObject* parent = nullptr);

    // Reads the first page of the source (the model is empty when it throws: the error goes on).
    void setSource(Source source);
    void clear();

    // The fields of the result (names and types), and one row's values.
    QSqlRecord record() const { return fields_; }
    QSqlRecord record(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

private:
    // Reads the next page; true when it gave rows.
    bool readPage(QList<QVariantList>& into);

    Source source_;
    QSqlRecord fields_;
    QList<QVariantList> rows_; // the values only: the fields are the same for every row
    bool atEnd_ = true;
};

} // namespace vorlan::data
