#include "customers/CustomerListModel.h"

#include "data/Sql.h"

#include <QSet>

#include <algorithm>
#include <numeric>

namespace vorlan::customers {

namespace {

// Width in twips of each list column; the headers are the names of the fields shown.
constexpr int kWidths[CustomerListModel::kColumnCount] = {1300, 0,    900,  2500, 900, 1200, 1200,
                                                          900,  2500, 2500, 2500, 900, 1200};

// Rows read around the one the view asks for, and how many rows are kept before starting afresh.
constexpr int kFetchBefore = 20;
constexpr int kFetchAfter = 80;
constexpr qsizetype kCacheLimit = 20000;

template <typename T> std::vector<T> permuted(std::vector<T>& items, const std::vector<size_t>& order) {
    std::vector<T> out;
    out.reserve(items.size());
    for (size_t i : order)
        out.push_back(std::move(items[i]));
    return out;
}

} // namespace

CustomerListModel::CustomerListModel(QObject* parent) : QAbstractTableModel(parent) {}

QString CustomerListModel::header(int column) {
    return columns().at(fieldOf(column));
}

int CustomerListModel::widthTwips(int column) {
    return kWidths[column];
}

bool CustomerListModel::centred(int column) {
    return column > kKeyColumn;
}

const CustomerListModel::SortedColumn& CustomerListModel::sortedBy(int column) {
    if (sorted_ && sorted_->column == column)
        return *sorted_;
    SortedColumn s;
    s.column = column;
    // Equal texts keep table order.
    std::vector<std::pair<RowId, QString>> rows = store_->field(fieldOf(column));
    const std::vector<size_t> order = pinyin_.order(rows, [](const auto& r) { return r.second; });
    s.rows = permuted(rows, order);
    s.place.reserve(qsizetype(s.rows.size()));
    for (size_t i = 0; i < s.rows.size(); ++i)
        s.place.insert(s.rows[i].first, int(i));
    sorted_ = std::move(s);
    return *sorted_;
}

std::vector<size_t> CustomerListModel::sortedOrder(const std::vector<RowId>& ids,
                                                   std::vector<QString>& keys) {
    const SortedColumn& s = sortedBy(sortColumn_);
    std::vector<int> at(ids.size());
    keys.assign(ids.size(), QString());
    bool known = true;
    for (size_t i = 0; i < ids.size(); ++i) {
        const auto it = s.place.constFind(ids[i]);
        if (it != s.place.constEnd()) {
            at[i] = *it;
            keys[i] = s.rows[size_t(*it)].second;
        } else {
            // Gone from the table since it was read: sorted by the text the list holds.
            known = false;
            keys[i] = cache_.value(ids[i]).field(fieldOf(sortColumn_)).toString();
        }
    }
    std::vector<size_t> order(ids.size());
    std::iota(order.begin(), order.end(), size_t(0));
    if (known)
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return at[a] < at[b]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return pinyin_(keys[a], keys[b]); });
    return order;
}

void CustomerListModel::sortIds(std::vector<RowId>& ids, std::vector<QString>& keys) {
    // The column's order walked once, keeping the rows wanted: nothing compared, which matters when a
    // search keystroke lists a hundred thousand rows. A row the order does not know was written since
    // it was worked out: it is worked out again.
    std::vector<RowId> wanted = ids;
    if (!std::is_sorted(wanted.begin(), wanted.end()))
        std::sort(wanted.begin(), wanted.end());
    // Row ids are mostly dense: then one flag per id answers at once.
    std::vector<char> flag;
    if (!wanted.empty() && wanted.front() >= 0 && wanted.back() < RowId(wanted.size()) * 4 + 1024) {
        flag.assign(size_t(wanted.back()) + 1, 0);
        for (RowId id : wanted)
            flag[size_t(id)] = 1;
    }
    const auto isWanted = [&](RowId id) {
        if (flag.empty())
            return std::binary_search(wanted.begin(), wanted.end(), id);
        return id >= 0 && id < RowId(flag.size()) && flag[size_t(id)] != 0;
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0)
            sorted_.reset();
        const SortedColumn& s = sortedBy(sortColumn_);
        std::vector<RowId> sortedIds;
        std::vector<QString> sortedKeys;
        sortedIds.reserve(ids.size());
        sortedKeys.reserve(ids.size());
        for (const auto& [id, text] : s.rows) {
            if (!isWanted(id))
                continue;
            sortedIds.push_back(id);
            sortedKeys.push_back(text);
        }
        if (sortedIds.size() == ids.size()) {
            ids = std::move(sortedIds);
            keys = std::move(sortedKeys);
            return;
        }
    }
    const std::vector<size_t> order = sortedOrder(ids, keys);
    ids = permuted(ids, order);
    keys = permuted(keys, order);
}

void CustomerListModel::read(const CustomerStore& store) {
    store_ = store;
    std::vector<RowId> ids;
    std::vector<QString> keys;
    try {
        ids = store.ids(search_);
        if (sortingOn_)
            sortIds(ids, keys);
    } catch (const data::DbError&) {
        // As on a successful reload, the old rows are gone first.
        beginResetModel();
        ids_.clear();
        checked_.clear();
        keys_.clear();
        cache_.clear();
        sorted_.reset();
        endResetModel();
        throw;
    }
    beginResetModel();
    ids_ = std::move(ids);
    checked_.assign(ids_.size(), 0);
    keys_ = std::move(keys);
    cache_.clear();
    endResetModel();
}

void CustomerListModel::reload(const CustomerStore& store) {
    sorted_.reset();
    read(store);
}

void CustomerListModel::search(const CustomerStore& store, const QString& text) {
    search_ = text;
    read(store);
}

void CustomerListModel::addCustomer(RowId id, const Customer& c) {
    sorted_.reset();
    if (!matches(c, search_))
        return;
    cache_.insert(id, CustomerRow(c));
    size_t pos = ids_.size();
    if (sortingOn_) {
        const QString& key = c[fieldOf(sortColumn_)];
        pos = size_t(std::upper_bound(keys_.begin(), keys_.end(), key, pinyin_) - keys_.begin());
    }
    beginInsertRows({}, int(pos), int(pos));
    ids_.insert(ids_.begin() + qsizetype(pos), id);
    checked_.insert(checked_.begin() + qsizetype(pos), 0);
    if (sortingOn_)
        keys_.insert(keys_.begin() + qsizetype(pos), c[fieldOf(sortColumn_)]);
    endInsertRows();
}

void CustomerListModel::removeIds(const std::vector<RowId>& ids) {
    if (ids.empty())
        return;
    sorted_.reset();
    const QSet<RowId> gone(ids.begin(), ids.end());
    for (int r = int(ids_.size()) - 1; r >= 0; --r) {
        if (!gone.contains(ids_[size_t(r)]))
            continue;
        // Remove a run of neighbouring rows at once.
        int first = r;
        while (first > 0 && gone.contains(ids_[size_t(first - 1)]))
            --first;
        beginRemoveRows({}, first, r);
        ids_.erase(ids_.begin() + first, ids_.begin() + r + 1);
        checked_.erase(checked_.begin() + first, checked_.begin() + r + 1);
        if (sortingOn_)
            keys_.erase(keys_.begin() + first, keys_.begin() + r + 1);
        endRemoveRows();
        r = first;
    }
    for (RowId id : ids)
        cache_.remove(id);
}

const CustomerRow& CustomerListModel::row(int r) const {
    const RowId id = ids_[size_t(r)];
    auto it = cache_.constFind(id);
    if (it != cache_.constEnd())
        return *it;

    if (cache_.size() > kCacheLimit)
        cache_.clear();
    std::vector<RowId> wanted;
    const int last = std::min(int(ids_.size()), r + kFetchAfter);
    for (int i = std::max(0, r - kFetchBefore); i < last; ++i)
        if (!cache_.contains(ids_[size_t(i)]))
            wanted.push_back(ids_[size_t(i)]);
    std::vector<CustomerRow> rows;
    if (store_) {
        try {
            rows = store_->rows(wanted);
        } catch (const data::DbError&) {
            // Shown empty rather than asked for again on every paint.
        }
    }
    rows.resize(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i)
        cache_.insert(wanted[i], std::move(rows[i]));
    return *cache_.constFind(id);
}

int CustomerListModel::rowOf(RowId id) const {
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return it == ids_.end() ? -1 : int(it - ids_.begin());
}

Customer CustomerListModel::customer(int r) const {
    return row(r).customer();
}

QString CustomerListModel::keyName(int r) const {
    return row(r).field(fieldOf(kKeyColumn)).toString();
}

void CustomerListModel::setChecked(int r, bool checked) {
    if ((checked_[size_t(r)] != 0) == checked)
        return;
    checked_[size_t(r)] = checked ? 1 : 0;
    const QModelIndex i = index(r, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

QStringList CustomerListModel::checkedNames() const {
    std::vector<RowId> ids;
    for (size_t r = 0; r < ids_.size(); ++r)
        if (checked_[r])
            ids.push_back(ids_[r]);
    std::vector<RowId> unknown;
    for (RowId id : ids)
        if (!cache_.contains(id))
            unknown.push_back(id);
    if (!unknown.empty() && store_) {
        const std::vector<CustomerRow> rows = store_->rows(unknown);
        for (size_t i = 0; i < unknown.size(); ++i)
            cache_.insert(unknown[i], rows[i]);
    }
    QStringList names;
    for (RowId id : ids)
        names << cache_.value(id).field(fieldOf(kKeyColumn)).toString();
    return names;
}

void CustomerListModel::sortAscending(int column) {
    if (column < 0 || column >= kColumnCount || !store_)
        return;
    const int was = sortColumn_;
    sortColumn_ = column;
    std::vector<QString> keys;
    std::vector<size_t> order;
    try {
        order = sortedOrder(ids_, keys);
    } catch (...) {
        sortColumn_ = was;
        throw;
    }
    sortingOn_ = true;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPos(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        newPos[order[i]] = int(i);
    ids_ = permuted(ids_, order);
    checked_ = permuted(checked_, order);
    keys_ = permuted(keys, order);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after << index(newPos[size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CustomerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ids_.size());
}

int CustomerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CustomerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(ids_.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return row(index.row()).field(fieldOf(index.column())).toString();
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return checked_[size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment(centred(index.column()) ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter)));
    default:
        return {};
    }
}

bool CustomerListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CustomerListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant CustomerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return header(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            Qt::Alignment(centred(section) ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter)));
    return {};
}

} // namespace vorlan::customers
