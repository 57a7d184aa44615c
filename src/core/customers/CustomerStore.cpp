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
const QString& columnList() {
    static const QString list = [] {
        QStringList cols;
        for (const QString& c : columns())
            cols << data::quoteId(c);
        return cols.join(QLatin1Char(','));
    }();
    return list;
}

const QString& insertSql() {
    static const QString sql = QStringLiteral("INSERT INTO Basic_Khgl (") + columnList() +
                               QStringLiteral(") VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    return sql;
}

// Names compare without regard to ASCII case, like the name index of the table.
const QString& nameMatch() {
    static const QString sql = QStringLiteral(" WHERE ") + data::quoteId(columns().at(kNameField)) +
                               QStringLiteral(" = ? COLLATE NOCASE");
    return sql;
}

const QString& lookupSql() {
    static const QString sql =
        QStringLiteral("SELECT 1 FROM Basic_Khgl") + nameMatch() + QStringLiteral(" LIMIT 1");
    return sql;
}

const QString& deleteSql() {
    static const QString sql = QStringLiteral("DELETE FROM Basic_Khgl") + nameMatch();
    return sql;
}

// The search reads a copy of the searched fields, one text per customer with the fields joined by
// U+001F and ASCII letters in lower case, stored in the pinyin order of the names. A search is one
// pass over that copy, and the picker reads the customers in its order, so the first screen comes
// without sorting anything. The copy lives in the connection's temporary database (never in the file)
// under names no template takes, and is made afresh whenever something was written since:
// total_changes() counts this connection's writes, data_version those of other connections.
const QString kSearchTable = QStringLiteral("temp.\"__khgl_search\"");
const QString kSearchRanks = QStringLiteral("temp.\"__khgl_search_rank\"");
const QString kSearchState = QStringLiteral("temp.\"__khgl_search_state\"");
constexpr QChar kFieldBreak(0x1f);

// ASCII letters in lower case, like SQLite's lower().
QString lowerAscii(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return text;
}

// The condition on the copy; the text is folded by the same lower() as the copy, and a text holding
// the field break (which nobody types) would match across fields, so it matches nothing.
const QString kSearchCondition = QStringLiteral("instr(s.hay, lower(?)) > 0 AND instr(?, char(31)) = 0");

void bindSearch(QSqlQuery& q, const QString& text) {
    q.addBindValue(text);
    q.addBindValue(text);
}

QVariantList values(const Customer& c) {
    QVariantList v;
    v.reserve(kFieldCount);
    for (const QString& f : c)
        v << data::textValue(f);
    return v;
}

} // namespace

Customer trimmed(const Customer& c) {
    Customer t;
    for (int i = 0; i < kFieldCount; ++i)
        t[i] = c[i].trimmed();
    return t;
}

bool matches(const Customer& c, const QString& text) {
    if (text.isEmpty())
        return true;
    if (text.contains(kFieldBreak))
        return false;
    const QString needle = lowerAscii(text);
    for (int k : kSearchFields)
        if (lowerAscii(c[k]).contains(needle))
            return true;
    return false;
}

bool sameName(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

constexpr QChar kSeparator(0x1f);

CustomerRow::CustomerRow(const Customer& c) : text_() {
    qsizetype size = kFieldCount - 1;
    for (const QString& f : c)
        size += f.size();
    text_.reserve(size);
    for (int k = 0; k < kFieldCount; ++k) {
        if (k > 0) {
            ends_[size_t(k - 1)] = int(text_.size());
            text_ += kSeparator;
        }
        text_ += c[k];
    }
}

std::optional<CustomerRow> CustomerRow::fromJoined(QString joined) {
    CustomerRow r;
    int found = 0;
    const QChar* text = joined.constData();
    for (qsizetype i = 0, n = joined.size(); i < n; ++i) {
        if (text[i] != kSeparator)
            continue;
        if (found == kFieldCount - 1)
            return std::nullopt;
        r.ends_[size_t(found++)] = int(i);
    }
    if (found != kFieldCount - 1)
        return std::nullopt;
    r.text_ = std::move(joined);
    return r;
}

Customer CustomerRow::customer() const {
    Customer c;
    for (int k = 0; k < kFieldCount; ++k)
        c[k] = field(k).toString();
    return c;
}

CustomerStore::CustomerStore(const QSqlDatabase& db) : db_(db) {}

std::vector<Customer> CustomerStore::all() const {
    QSqlQuery q = data::exec(db_, QStringLiteral("select * from Basic_Khgl"));
    std::vector<Customer> rows;
    while (q.next()) {
        Customer c;
        for (int i = 0; i < kFieldCount; ++i)
            c[i] = data::nullToEmpty(q.value(i));
        rows.push_back(std::move(c));
    }
    return rows;
}

void CustomerStore::refreshSearch() const {
    data::exec(
        db_, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (rank INTEGER PRIMARY KEY, rid INTEGER NOT NULL, "
                            "hay TEXT NOT NULL)")
                 .arg(kSearchTable));
    data::exec(
        db_, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (rid INTEGER PRIMARY KEY, rank INTEGER NOT NULL)")
                 .arg(kSearchRanks));
    data::exec(
        db_,
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (changes INTEGER, version INTEGER)").arg(kSearchState));
    data::exec(
        db_,
        QStringLiteral("INSERT INTO %1 SELECT -1, -1 WHERE NOT EXISTS (SELECT 1 FROM %1)").arg(kSearchState));
    const qint64 version = data::scalar(db_, QStringLiteral("PRAGMA data_version")).toLongLong();
    {
        QSqlQuery state = data::exec(
            db_, QStringLiteral("SELECT changes = total_changes() AND version = ? FROM %1").arg(kSearchState),
            {version});
        if (state.next() && state.value(0).toInt() == 1)
            return;
    }

    // The pinyin order is worked out here and handed over as one JSON array of the row ids in that
    // order, a customer's place being its index. SQLite then copies and folds the fields itself in one
    // pass over the table, far quicker than a statement per customer; reading the table in pinyin
    // order instead would cost a seek per row.
    const std::vector<std::pair<RowId, QString>> names = field(kNameField);
    const std::vector<size_t> order = PinyinOrder().order(names, [](const auto& n) { return n.second; });
    QByteArray ids;
    ids.reserve(qsizetype(names.size()) * 8 + 2);
    ids += '[';
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0)
            ids += ',';
        ids += QByteArray::number(names[order[i]].first);
    }
    ids += ']';

    static const QString copySql = [] {
        QStringList fields;
        for (int k : kSearchFields)
            fields << QStringLiteral("ifnull(k.%1, '')").arg(data::quoteId(columns().at(k)));
        return QStringLiteral("INSERT INTO %1 (rank, rid, hay) SELECT r.rank, k.rowid, lower(")
                   .arg(kSearchTable) +
               fields.join(QStringLiteral(" || char(31) || ")) +
               QStringLiteral(") FROM Basic_Khgl k CROSS JOIN %1 r ON r.rid = k.rowid ORDER BY r.rank")
                   .arg(kSearchRanks);
    }();
    data::exec(db_, QStringLiteral("DELETE FROM %1").arg(kSearchRanks));
    data::exec(db_,
               QStringLiteral("INSERT INTO %1 (rid, rank) SELECT j.value, j.key FROM json_each(?) j")
                   .arg(kSearchRanks),
               {QString::fromLatin1(ids)});
    data::exec(db_, QStringLiteral("DELETE FROM %1").arg(kSearchTable));
    data::exec(db_, copySql);
    // The state is written last, so a copy that failed half-way is made again next time. Its own
    // update is one more change.
    const qint64 changes = data::scalar(db_, QStringLiteral("SELECT total_changes()")).toLongLong();
    data::exec(db_, QStringLiteral("UPDATE %1 SET changes = ?, version = ?").arg(kSearchState),
               {changes + 1, version});
}

// Row ids gathered by SQLite into one text, "1,2,3", and sorted here: a hundred thousand rows one
// by one cost more than the search itself.
static std::vector<RowId> gatheredIds(QSqlQuery& q) {
    std::vector<RowId> ids;
    if (!q.next())
        return ids;
    const QString text = q.value(0).toString();
    RowId id = 0;
    bool inNumber = false, negative = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            id = id * 10 + (c.unicode() - u'0');
            inNumber = true;
        } else if (c == QLatin1Char('-')) {
            negative = true;
        } else {
            if (inNumber)
                ids.push_back(negative ? -id : id);
            id = 0;
            inNumber = negative = false;
        }
    }
    if (inNumber)
        ids.push_back(negative ? -id : id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<RowId> CustomerStore::ids(const QString& text) const {
    if (text.isEmpty()) {
        QSqlQuery q = data::exec(db_, QStringLiteral("SELECT group_concat(rowid) FROM Basic_Khgl"));
        return gatheredIds(q);
    }
    refreshSearch();
    QSqlQuery q = data::prepare(
        db_,
        QStringLiteral("SELECT group_concat(s.rid) FROM %1 s WHERE %2").arg(kSearchTable, kSearchCondition));
    bindSearch(q, text);
    if (!q.exec())
        throw data::DbError(data::describe(q.lastError()));
    return gatheredIds(q);
}

std::vector<CustomerRow> CustomerStore::rows(const std::vector<RowId>& ids) const {
    // Each row comes as one text, its fields joined by a separator that typed text never holds; a
    // row whose fields do hold it is read again field by field.
    static const QString joinedSql = [] {
        QStringList marks;
        for (int k = 0; k < kFieldCount; ++k)
            marks << QStringLiteral("%s");
        return QStringLiteral("SELECT rowid, printf('") + marks.join(kSeparator) + QStringLiteral("', ") +
               columnList() + QStringLiteral(") FROM Basic_Khgl WHERE rowid IN (");
    }();
    constexpr size_t kChunk = 200;
    QHash<RowId, CustomerRow> found;
    found.reserve(qsizetype(ids.size()));
    std::vector<RowId> odd;
    for (size_t from = 0; from < ids.size(); from += kChunk) {
        const size_t n = std::min(kChunk, ids.size() - from);
        QVariantList params;
        params.reserve(qsizetype(n));
        for (size_t i = 0; i < n; ++i)
            params << ids[from + i];
        QStringList marks(qsizetype(n), QStringLiteral("?"));
        QSqlQuery q = data::exec(db_, joinedSql + marks.join(QLatin1Char(',')) + QLatin1Char(')'), params);
        while (q.next()) {
            const RowId id = q.value(0).toLongLong();
            if (auto r = CustomerRow::fromJoined(q.value(1).toString()))
                found.insert(id, std::move(*r));
            else
                odd.push_back(id);
        }
    }
    for (RowId id : odd) {
        QSqlQuery q = data::exec(db_,
                                 QStringLiteral("SELECT ") + columnList() +
                                     QStringLiteral(" FROM Basic_Khgl WHERE rowid = ?"),
                                 {id});
        if (!q.next())
            continue;
        Customer c;
        for (int i = 0; i < kFieldCount; ++i)
            c[i] = data::nullToEmpty(q.value(i));
        found.insert(id, CustomerRow(c));
    }
    std::vector<CustomerRow> out;
    out.reserve(ids.size());
    for (RowId id : ids)
        out.push_back(found.value(id));
    return out;
}

std::vector<std::pair<RowId, QString>> CustomerStore::field(int k) const {
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT rowid, %1 FROM Basic_Khgl ORDER BY rowid")
                                      .arg(data::quoteId(columns().at(k))));
    std::vector<std::pair<RowId, QString>> out;
    while (q.next())
        out.emplace_back(q.value(0).toLongLong(), data::nullToEmpty(q.value(1)));
    return out;
}

std::vector<RowId> CustomerStore::idsOf(const QString& name) const {
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT rowid FROM Basic_Khgl") + nameMatch(),
                             {data::textValue(name)});
    std::vector<RowId> ids;
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    return ids;
}

QSqlQuery CustomerStore::pickerRows(const QString& text) const {
    static const QString select = [] {
        QStringList cols;
        for (const QString& c : columns())
            cols << QStringLiteral("k.%1 AS %1").arg(data::quoteId(c));
        return QStringLiteral("SELECT  ") + cols.join(QLatin1Char(',')) +
               QStringLiteral(" FROM %1 s CROSS JOIN Basic_Khgl k ON k.rowid = s.rid").arg(kSearchTable);
    }();
    static const QString all = select + QStringLiteral(" ORDER BY s.rank");
    static const QString some =
        select + QStringLiteral(" WHERE ") + kSearchCondition + QStringLiteral(" ORDER BY s.rank");
    if (!db_.isOpen())
        throw data::DbError(QStringLiteral("数据库连接未打开"));
    refreshSearch();
    // The search copy walked in name order: the first screen comes without reading the whole table.
    QSqlQuery q(db_);
    if (!q.prepare(text.isEmpty() ? all : some))
        throw data::DbError(data::describe(q.lastError()));
    if (!text.isEmpty())
        bindSearch(q, text);
    if (!q.exec())
        throw data::DbError(data::describe(q.lastError()));
    return q;
}

bool CustomerStore::exists(const QString& name) const {
    return data::scalar(db_, lookupSql(), {data::textValue(name)}).isValid();
}

RowId CustomerStore::insert(const Customer& c) {
    return data::exec(db_, insertSql(), values(c)).lastInsertId().toLongLong();
}

RowId CustomerStore::replace(const QString& name, const Customer& c) {
    data::Transaction t(db_);
    data::exec(db_, deleteSql(), {data::textValue(name)});
    const RowId id = data::exec(db_, insertSql(), values(c)).lastInsertId().toLongLong();
    t.commit();
    return id;
}

void CustomerStore::remove(const QStringList& names) {
    if (names.isEmpty())
        return;
    data::Transaction t(db_);
    QSqlQuery q = data::prepare(db_, deleteSql());
    for (const QString& n : names)
        data::run(q, {data::textValue(n)});
    t.commit();
}

void CustomerStore::removeAll() {
    data::exec(db_, QStringLiteral("delete from Basic_Khgl"));
}

ImportSession::ImportSession(const QSqlDatabase& db) : db_(db) {}

ImportSession::~ImportSession() {
    if (open_ && !db_.commit())
        db_.rollback();
}

void ImportSession::begin() {
    if (open_)
        return;
    if (!db_.transaction())
        throw data::DbError(data::describe(db_.lastError()));
    open_ = true;
}

void ImportSession::rollback() {
    if (open_)
        db_.rollback();
    open_ = false;
}

void ImportSession::commit() {
    if (!open_)
        return;
    open_ = false;
    if (!db_.commit()) {
        const QString why = data::describe(db_.lastError());
        db_.rollback();
        throw data::DbError(why);
    }
}

bool ImportSession::exists(const QString& name) {
    if (!lookup_)
        lookup_ = data::prepare(db_, lookupSql());
    data::run(*lookup_, {data::textValue(name)});
    const bool found = lookup_->next();
    lookup_->finish();
    return found;
}

RowId ImportSession::insert(const Customer& c) {
    begin();
    if (!insert_)
        insert_ = data::prepare(db_, insertSql());
    data::run(*insert_, values(c));
    return insert_->lastInsertId().toLongLong();
}

ImportSession::Replaced ImportSession::replace(const QString& name, const Customer& c) {
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
