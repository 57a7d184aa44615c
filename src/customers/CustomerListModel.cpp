#include "customers/CustomerListModel.h"

#include <algorithm>
#include <numeric>

namespace vorlan::customers {

namespace {

struct ColumnSpec {
    const char* header;
    int width;
};

constexpr ColumnSpec kColumns[CustomerListModel::kColumnCount] = {
    {"客户名称", 1300}, {"客户名称", 0},      {"快捷码", 900},     {"客户地址", 2500}, {"邮政编码", 900},
    {"联系电话", 1200}, {"传真", 1200},       {"联系人", 900},     {"开户行名称", 2500}, {"开户行账号", 2500},
    {"开户地址", 2500}, {"汇入地省", 900},    {"汇入地县市", 1200},
};

} // namespace

CustomerListModel::CustomerListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

QString CustomerListModel::header(int column) { return QString::fromUtf8(kColumns[column].header); }

int CustomerListModel::widthTwips(int column) { return kColumns[column].width; }

bool CustomerListModel::centred(int column) { return column > kKeyColumn; }

void CustomerListModel::setCustomers(QList<Customer> customers)
{
    beginResetModel();
    rows_.clear();
    rows_.reserve(size_t(customers.size()));
    for (Customer& c : customers) rows_.push_back(Row{std::move(c), false});
    if (sortingOn_) {
        std::stable_sort(rows_.begin(), rows_.end(),
                         [this](const Row& a, const Row& b) { return less(a, b, sortColumn_); });
    }
    endResetModel();
}

void CustomerListModel::addCustomer(const Customer& c)
{
    Row row{c, false};
    auto at = rows_.end();
    if (sortingOn_)
        at = std::upper_bound(rows_.begin(), rows_.end(), row,
                              [this](const Row& a, const Row& b) { return less(a, b, sortColumn_); });
    const int pos = int(at - rows_.begin());
    beginInsertRows({}, pos, pos);
    rows_.insert(at, std::move(row));
    endInsertRows();
}

void CustomerListModel::removeName(const QString& name)
{
    for (int r = int(rows_.size()) - 1; r >= 0; --r) {
        if (!sameName(rows_[size_t(r)].fields[0], name)) continue;
        // Remove a run of neighbouring rows at once.
        int first = r;
        while (first > 0 && sameName(rows_[size_t(first - 1)].fields[0], name)) --first;
        beginRemoveRows({}, first, r);
        rows_.erase(rows_.begin() + first, rows_.begin() + r + 1);
        endRemoveRows();
        r = first;
    }
}

void CustomerListModel::setChecked(int row, bool checked)
{
    if (rows_[size_t(row)].checked == checked) return;
    rows_[size_t(row)].checked = checked;
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

QStringList CustomerListModel::checkedNames() const
{
    QStringList names;
    for (const Row& r : rows_)
        if (r.checked) names << r.fields[fieldOf(kKeyColumn)];
    return names;
}

bool CustomerListModel::less(const Row& a, const Row& b, int column) const
{
    const int f = fieldOf(column);
    return QString::compare(a.fields[f], b.fields[f], Qt::CaseInsensitive) < 0;
}

void CustomerListModel::sortAscending(int column) { sort(column, Qt::AscendingOrder); }

void CustomerListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumnCount) return;
    sortColumn_ = column;
    sortingOn_ = true;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order_(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? less(rows_[size_t(a)], rows_[size_t(b)], column)
                                           : less(rows_[size_t(b)], rows_[size_t(a)], column);
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newPos(rows_.size());
    for (size_t i = 0; i < order_.size(); ++i) {
        sorted.push_back(std::move(rows_[size_t(order_[i])]));
        newPos[size_t(order_[i])] = int(i);
    }
    rows_ = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) after << index(newPos[size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CustomerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int CustomerListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CustomerListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const Row& r = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole: return r.fields[fieldOf(index.column())];
    case Qt::CheckStateRole:
        if (index.column() == 0) return r.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(centred(index.column()) ? Qt::AlignCenter
                                                                         : (Qt::AlignLeft | Qt::AlignVCenter)));
    default: return {};
    }
}

bool CustomerListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CustomerListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant CustomerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) return header(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(centred(section) ? Qt::AlignCenter
                                                                  : (Qt::AlignLeft | Qt::AlignVCenter)));
    return {};
}

} // namespace vorlan::customers
