#include "customers/CustomerStore.h"

#include "customers/PinyinOrder.h"
#include "data/Sql.h"

#include <QHash>
#include <QSqlError>
#include <QVariant>

#include <algorithm>

namespace vorlan::customers {

namespace {

// The twelve customer columns, quoted, comma-separated.
const QString& columnList()
{
    static const QString list = [] {
        QStringList cols;
        for (const QString& c : columns()) cols << data::quoteId(c);
        return cols.join(QLatin1Char(','));
    }();
    return list;
}

const QString& insertSql()
{
    static const QString sql = QStringLiteral("INSERT INTO Basic_Khgl (") + columnList()
                               + QStringLiteral(") VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    return sql;
}

// Names compare without regard to ASCII case, like the name index of the table.
const QString& nameMatch()
{
    static const QString sql = QStringLiteral(" WHERE ") + data::quoteId(columns().at(kNameField))
                               + QStringLiteral(" = ? COLLATE NOCASE");
    return sql;
}

const QString& lookupSql()
{
    static const QString sql = QStringLiteral("SELECT 1 FROM Basic_Khgl") + nameMatch() + QStringLiteral(" LIMIT 1");
    return sql;
}

const QString& deleteSql()
{
    static const QString sql = QStringLiteral("DELETE FROM Basic_Khgl") + nameMatch();
    return sql;
}

// The search reads a copy of the searched fields with ASCII letters in lower case, one row per
// customer, numbered in the pinyin order of the names. The copy lives in the connection's temporary
// database (never in the file) under names no template takes, and is made afresh whenever something
// was written since: total_changes() counts this connection's writes, data_version those of others.
const QString kSearchTable = QStringLiteral("temp.\"__khgl_search\"");
const QString kSearchState = QStringLiteral("temp.\"__khgl_search_state\"");

// ASCII letters in lower case, like SQLite's lower().
QString lowerAscii(QString text)
{
    for (QChar& c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
    return text;
}

// The condition on the search copy for one bound text per searched field; the text is folded by the
// same lower() as the copy.
const QString& searchCondition()
{
    static const QString sql = [] {
        QStringList any;
        for (size_t i = 0; i < kSearchFields.size(); ++i) any << QStringLiteral("instr(s.f%1, lower(?)) > 0").arg(i);
        return any.join(QStringLiteral(" OR "));
    }();
    return sql;
}

void bindSearch(QSqlQuery& q, const QString& text)
{
    for (size_t i = 0; i < kSearchFields.size(); ++i) q.addBindValue(text);
}

QVariantList values(const Customer& c)
{
    QVariantList v;
    v.reserve(kFieldCount);
    for (const QString& f : c) v << data::textValue(f);
    return v;
}

} // namespace

Customer trimmed(const Customer& c)
{
    Customer t;
    for (int i = 0; i < kFieldCount; ++i) t[i] = c[i].trimmed();
    return t;
}

bool matches(const Customer& c, const QString& text)
{
    if (text.isEmpty()) return true;
    const QString needle = lowerAscii(text);
    for (int k : kSearchFields)
        if (lowerAscii(c[k]).contains(needle)) return true;
    return false;
}

bool sameName(QStringView a, QStringView b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
        if (x != y) return false;
    }
    return true;
}

constexpr QChar kSeparator(0x1f);

CustomerRow::CustomerRow(const Customer& c)
    : text_()
{
    qsizetype size = kFieldCount - 1;
    for (const QString& f : c) size += f.size();
    text_.reserve(size);
    for (int k = 0; k < kFieldCount; ++k) {
        if (k > 0) {
            ends_[size_t(k - 1)] = int(text_.size());
            text_ += kSeparator;
        }
        text_ += c[k];
    }
}

std::optional<CustomerRow> CustomerRow::fromJoined(QString joined)
{
    CustomerRow r;
    int found = 0;
    const QChar* text = joined.constData();
    for (qsizetype i = 0, n = joined.size(); i < n; ++i) {
        if (text[i] != kSeparator) continue;
        if (found == kFieldCount - 1) return std::nullopt;
        r.ends_[size_t(found++)] = int(i);
    }
    if (found != kFieldCount - 1) return std::nullopt;
    r.text_ = std::move(joined);
    return r;
}

Customer CustomerRow::customer() const
{
    Customer c;
    for (int k = 0; k < kFieldCount; ++k) c[k] = field(k).toString();
    return c;
}

CustomerStore::CustomerStore(const QSqlDatabase& db)
    : db_(db)
{
}

std::vector<Customer> CustomerStore::all() const
{
    QSqlQuery q = data::exec(db_, QStringLiteral("select * from Basic_Khgl"));
    std::vector<Customer> rows;
    while (q.next()) {
        Customer c;
        for (int i = 0; i < kFieldCount; ++i) c[i] = data::nullToEmpty(q.value(i));
        rows.push_back(std::move(c));
    }
    return rows;
}

void CustomerStore::refreshSearch() const
{
    data::exec(db_, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (rank INTEGER PRIMARY KEY, rid INTEGER NOT NULL, "
                                   "f0 TEXT, f1 TEXT, f2 TEXT, f3 TEXT, f4 TEXT)")
                        .arg(kSearchTable));
    data::exec(db_, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (changes INTEGER, version INTEGER)").arg(kSearchState));
    data::exec(db_, QStringLiteral("INSERT INTO %1 SELECT -1, -1 WHERE NOT EXISTS (SELECT 1 FROM %1)").arg(kSearchState));
    const qint64 version = data::scalar(db_, QStringLiteral("PRAGMA data_version")).toLongLong();
    {
        QSqlQuery state = data::exec(db_, QStringLiteral("SELECT changes = total_changes() AND version = ? FROM %1")
                                              .arg(kSearchState),
                                     {version});
        if (state.next() && state.value(0).toInt() == 1) return;
    }

    // The pinyin order is worked out here and handed over as one JSON array of row ids; SQLite copies
    // and folds the fields itself, which is far quicker than a statement per customer.
    std::vector<std::pair<RowId, QString>> names = field(kNameField);
    const PinyinOrder pinyin;
    std::stable_sort(names.begin(), names.end(),
                     [&pinyin](const auto& a, const auto& b) { return pinyin(a.second, b.second); });
    QString order;
    order.reserve(qsizetype(names.size()) * 8 + 2);
    order += QLatin1Char('[');
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) order += QLatin1Char(',');
        order += QString::number(names[i].first);
    }
    order += QLatin1Char(']');

    static const QString copySql = [] {
        QStringList folded;
        for (int k : kSearchFields) folded << QStringLiteral("lower(k.%1)").arg(data::quoteId(columns().at(k)));
        return QStringLiteral("INSERT INTO %1 (rank, rid, f0, f1, f2, f3, f4) SELECT j.key, k.rowid, ").arg(kSearchTable)
               + folded.join(QStringLiteral(", "))
               + QStringLiteral(" FROM json_each(?) j CROSS JOIN Basic_Khgl k ON k.rowid = j.value");
    }();
    data::exec(db_, QStringLiteral("DELETE FROM %1").arg(kSearchTable));
    data::exec(db_, copySql, {order});
    // The state is written last, so a copy that failed half-way is made again next time. Its own
    // update is one more change.
    const qint64 changes = data::scalar(db_, QStringLiteral("SELECT total_changes()")).toLongLong();
    data::exec(db_, QStringLiteral("UPDATE %1 SET changes = ?, version = ?").arg(kSearchState), {changes + 1, version});
}

std::vector<RowId> CustomerStore::ids(const QString& text) const
{
    if (!text.isEmpty()) {
        refreshSearch();
        QSqlQuery q = data::prepare(
            db_, QStringLiteral("SELECT s.rid FROM %1 s WHERE %2 ORDER BY s.rid").arg(kSearchTable, searchCondition()));
        bindSearch(q, text);
        if (!q.exec()) throw data::DbError(data::describe(q.lastError()));
        std::vector<RowId> ids;
        while (q.next()) ids.push_back(q.value(0).toLongLong());
        return ids;
    }
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT rowid FROM Basic_Khgl ORDER BY rowid"));
    std::vector<RowId> ids;
    while (q.next()) ids.push_back(q.value(0).toLongLong());
    return ids;
}

std::vector<CustomerRow> CustomerStore::rows(const std::vector<RowId>& ids) const
{
    // Each row comes as one text, its fields joined by a separator that typed text never holds; a
    // row whose fields do hold it is read again field by field.
    static const QString joinedSql = [] {
        QStringList marks;
        for (int k = 0; k < kFieldCount; ++k) marks << QStringLiteral("%s");
        return QStringLiteral("SELECT rowid, printf('") + marks.join(kSeparator) + QStringLiteral("', ")
               + columnList() + QStringLiteral(") FROM Basic_Khgl WHERE rowid IN (");
    }();
    constexpr size_t kChunk = 200;
    QHash<RowId, CustomerRow> found;
    found.reserve(qsizetype(ids.size()));
    std::vector<RowId> odd;
    for (size_t from = 0; from < ids.size(); from += kChunk) {
        const size_t n = std::min(kChunk, ids.size() - from);
        QVariantList params;
        params.reserve(qsizetype(n));
        for (size_t i = 0; i < n; ++i) params << ids[from + i];
        QStringList marks(qsizetype(n), QStringLiteral("?"));
        QSqlQuery q = data::exec(db_, joinedSql + marks.join(QLatin1Char(',')) + QLatin1Char(')'), params);
        while (q.next()) {
            const RowId id = q.value(0).toLongLong();
            if (auto r = CustomerRow::fromJoined(q.value(1).toString())) found.insert(id, std::move(*r));
            else odd.push_back(id);
        }
    }
    for (RowId id : odd) {
        QSqlQuery q = data::exec(
            db_, QStringLiteral("SELECT ") + columnList() + QStringLiteral(" FROM Basic_Khgl WHERE rowid = ?"), {id});
        if (!q.next()) continue;
        Customer c;
        for (int i = 0; i < kFieldCount; ++i) c[i] = data::nullToEmpty(q.value(i));
        found.insert(id, CustomerRow(c));
    }
    std::vector<CustomerRow> out;
    out.reserve(ids.size());
    for (RowId id : ids) out.push_back(found.value(id));
    return out;
}

std::vector<std::pair<RowId, QString>> CustomerStore::field(int k) const
{
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT rowid, %1 FROM Basic_Khgl")
                                      .arg(data::quoteId(columns().at(k))));
    std::vector<std::pair<RowId, QString>> out;
    while (q.next()) out.emplace_back(q.value(0).toLongLong(), data::nullToEmpty(q.value(1)));
    return out;
}

std::vector<RowId> CustomerStore::idsOf(const QString& name) const
{
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT rowid FROM Basic_Khgl") + nameMatch(), {data::textValue(name)});
    std::vector<RowId> ids;
    while (q.next()) ids.push_back(q.value(0).toLongLong());
    return ids;
}

QSqlQuery CustomerStore::pickerRows(const QString& text) const
{
    static const QString select = [] {
        QStringList cols;
        for (const QString& c : columns()) cols << QStringLiteral("k.%1 AS %1").arg(data::quoteId(c));
        return QStringLiteral("SELECT  ") + cols.join(QLatin1Char(','))
               + QStringLiteral(" FROM %1 s CROSS JOIN Basic_Khgl k ON k.rowid = s.rid").arg(kSearchTable);
    }();
    static const QString all = select + QStringLiteral(" ORDER BY s.rank");
    static const QString some = select + QStringLiteral(" WHERE ") + searchCondition() + QStringLiteral(" ORDER BY s.rank");
    if (!db_.isOpen()) throw data::DbError(QStringLiteral("数据库连接未打开"));
    refreshSearch();
    // The search copy walked in name order: the first screen comes without reading the whole table.
    QSqlQuery q(db_);
    if (!q.prepare(text.isEmpty() ? all : some)) throw data::DbError(data::describe(q.lastError()));
    if (!text.isEmpty()) bindSearch(q, text);
    if (!q.exec()) throw data::DbError(data::describe(q.lastError()));
    return q;
}

bool CustomerStore::exists(const QString& name) const
{
    return data::scalar(db_, lookupSql(), {data::textValue(name)}).isValid();
}

RowId CustomerStore::insert(const Customer& c)
{
    return data::exec(db_, insertSql(), values(c)).lastInsertId().toLongLong();
}

RowId CustomerStore::replace(const QString& name, const Customer& c)
{
    data::Transaction t(db_);
    data::exec(db_, deleteSql(), {data::textValue(name)});
    const RowId id = data::exec(db_, insertSql(), values(c)).lastInsertId().toLongLong();
    t.commit();
    return id;
}

void CustomerStore::remove(const QStringList& names)
{
    if (names.isEmpty()) return;
    data::Transaction t(db_);
    QSqlQuery q = data::prepare(db_, deleteSql());
    for (const QString& n : names) data::run(q, {data::textValue(n)});
    t.commit();
}

void CustomerStore::removeAll() { data::exec(db_, QStringLiteral("delete from Basic_Khgl")); }

ImportSession::ImportSession(const QSqlDatabase& db)
    : db_(db)
{
}

ImportSession::~ImportSession()
{
    if (open_ && !db_.commit()) db_.rollback();
}

void ImportSession::begin()
{
    if (open_) return;
    if (!db_.transaction()) throw data::DbError(data::describe(db_.lastError()));
    open_ = true;
}

void ImportSession::rollback()
{
    if (open_) db_.rollback();
    open_ = false;
}

void ImportSession::commit()
{
    if (!open_) return;
    open_ = false;
    if (!db_.commit()) {
        const QString why = data::describe(db_.lastError());
        db_.rollback();
        throw data::DbError(why);
    }
}

bool ImportSession::exists(const QString& name)
{
    if (!lookup_) lookup_ = data::prepare(db_, lookupSql());
    data::run(*lookup_, {data::textValue(name)});
    const bool found = lookup_->next();
    lookup_->finish();
    return found;
}

RowId ImportSession::insert(const Customer& c)
{
    begin();
    if (!insert_) insert_ = data::prepare(db_, insertSql());
    data::run(*insert_, values(c));
    return insert_->lastInsertId().toLongLong();
}

ImportSession::Replaced ImportSession::replace(const QString& name, const Customer& c)
{
    // Rows gathered so far are saved first, so that a failing overwrite undoes only itself.
    commit();
    begin();
    try {
        Replaced r;
        r.removed = CustomerStore(db_).idsOf(name);
        data::exec(db_, deleteSql(), {data::textValue(name)});
        r.added = insert(c);
        commit();
        return r;
    } catch (...) {
        rollback();
        throw;
    }
}

} // namespace vorlan::customers
