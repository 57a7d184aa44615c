#include "history/HistoryModel.h"

#include "data/Sql.h"

#include <QDate>
#include <QTime>

namespace vorlan::history {

QString printTimeText(const QVariant& v) {
    const QString text = data::nullToEmpty(v);
    // Stored as "yyyy-mm-dd hh:mm:ss"; a 'T' separator or fractions of a second are tolerated.
    if (text.size() >= 10) {
        const QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) {
            if (text.size() == 10)
                return text + QStringLiteral(" 00:00:00");
            const QChar sep = text.at(10);
            const QTime t = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
            if ((sep == QLatin1Char(' ') || sep == QLatin1Char('T')) && t.isValid())
                return text.left(10) + QLatin1Char(' ') + text.mid(11, 8);
        }
    }
    return text;
}

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryModel::setColumns(const QStringList& tableColumns) {
    beginResetModel();
    tableColumns_ = tableColumns;
    rows_.clear();
    query_ = QSqlQuery();
    more_ = false;
    endResetModel();
}

void HistoryModel::setQuery(QSqlQuery&& query, JobCells jobs) {
    beginResetModel();
    rows_.clear();
    jobs_ = std::move(jobs);
    query_ = std::move(query);
    more_ = query_.isActive();
    endResetModel();
    if (more_)
        fetchMore();
}

void HistoryModel::clear() {
    beginResetModel();
    rows_.clear();
    jobs_ = {};
    query_ = QSqlQuery();
    more_ = false;
    endResetModel();
}

void HistoryModel::fetchAll() {
    while (more_)
        fetchMore();
}

QList<int> HistoryModel::chosenRows(int current) const {
    QList<int> out;
    for (int r = 0; r < rows_.size(); ++r)
        if (rows_.at(r).checked)
            out << r;
    if (out.isEmpty() && current >= 0 && current < rows_.size())
        out << current;
    return out;
}

void HistoryModel::check(const QList<qint64>& ids) {
    for (int r = 0; r < rows_.size(); ++r)
        if (!rows_.at(r).checked && ids.contains(rows_.at(r).id))
            setData(index(r, 0), Qt::Checked, Qt::CheckStateRole);
}

QList<qint64> HistoryModel::checkedRowIds() const {
    QList<qint64> out;
    for (const Row& r : rows_)
        if (r.checked)
            out << r.id;
    return out;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || tableColumns_.isEmpty() ? 0 : int(tableColumns_.size()) + 2;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& r = rows_.at(index.row());
    const int col = index.column();
    if (role == Qt::CheckStateRole && col == 0)
        return r.checked ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (col == stateColumn())
        return role == Qt::ToolTipRole && !r.job.detail.isEmpty() ? r.job.detail : r.job.text;
    if (col == 0)
        return printTimeText(r.values.value(0));
    if (col == 1)
        return r.values.value(0);
    return r.values.value(col - 1);
}

bool HistoryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    rows_[index.row()].checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0 || section == 1)
        return QStringLiteral("打印时间");
    if (section == stateColumn())
        return kStateHeader;
    return tableColumns_.value(section - 1);
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && more_;
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || !more_)
        return;
    QList<Row> batch;
    batch.reserve(kBatch);
    const int n = int(tableColumns_.size());
    while (batch.size() < kBatch) {
        if (!query_.next()) {
            more_ = false;
            query_.finish();
            break;
        }
        Row r;
        r.id = query_.value(0).toLongLong();
        r.values.reserve(n);
        for (int i = 0; i < n; ++i)
            r.values << data::nullToEmpty(query_.value(i + 1));
        if (jobs_)
            r.job = jobs_(query_, n + 1);
        batch << std::move(r);
    }
    if (batch.isEmpty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + batch.size()) - 1);
    rows_.append(std::move(batch));
    endInsertRows();
}

} // namespace vorlan::history
