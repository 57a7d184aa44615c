#include "data/PagedRows.h"

#include "data/Sql.h"

namespace vorlan::data {

QString pageClause(const RowPage& page) {
    return page.count < 0 ? QString() : QStringLiteral(" LIMIT ? OFFSET ?");
}

void bindPage(QSqlQuery& q, const RowPage& page) {
    if (page.count < 0)
        return;
    q.addBindValue(page.count);
    q.addBindValue(page.offset);
}

PagedRows::PagedRows(QObject* parent) : QAbstractTableModel(parent) {}

void PagedRows::clear() {
    beginResetModel();
    source_ = nullptr;
    fields_ = QSqlRecord();
    rows_.clear();
    atEnd_ = true;
    endResetModel();
}

void PagedRows::setSource(Source source) {
    clear();
    beginResetModel();
    source_ = std::move(source);
    atEnd_ = false;
    try {
        readPage(rows_);
    } catch (...) {
        source_ = nullptr;
        rows_.clear();
        atEnd_ = true;
        endResetModel();
        throw;
    }
    endResetModel();
}

QSqlRecord PagedRows::record(int row) const {
    if (row < 0 || row >= rows_.size())
        return {};
    QSqlRecord r = fields_;
    const QVariantList& values = rows_.at(row);
    for (int i = 0; i < values.size(); ++i)
        r.setValue(i, values.at(i));
    return r;
}

bool PagedRows::readPage(QList<QVariantList>& into) {
    if (atEnd_ || !source_)
        return false;
    const RowPage page{int(rows_.size()), kPageRows};
    QSqlQuery q = source_(page);
    if (fields_.isEmpty())
        fields_ = q.record();
    const int width = fields_.count();
    int got = 0;
    while (q.next()) {
        QVariantList values;
        values.reserve(width);
        for (int i = 0; i < width; ++i)
            values << q.value(i);
        into << values;
        ++got;
    }
    if (got < page.count || got > page.count)
        atEnd_ = true;
    return got > 0;
}

int PagedRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int PagedRows::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fields_.count();
}

QVariant PagedRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return rows_.at(index.row()).value(index.column());
}

QVariant PagedRows::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < fields_.count() ? QVariant(fields_.fieldName(section)) : QVariant();
    return section + 1;
}

bool PagedRows::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !atEnd_;
}

void PagedRows::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || atEnd_)
        return;
    QList<QVariantList> more;
    try {
        readPage(more);
    } catch (const DbError&) {
        atEnd_ = true; // the rows read so far stay; the view stops asking
        return;
    }
    if (more.isEmpty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + more.size()) - 1);
    rows_ << more;
    endInsertRows();
}

} // namespace vorlan::data
