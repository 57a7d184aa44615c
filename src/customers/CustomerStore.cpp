#include "customers/CustomerStore.h"

#include "data/Sql.h"

#include <QHash>
#include <QSqlError>
#include <QVariant>

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

std::vector<RowId> CustomerStore::ids() const {
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT rowid FROM Basic_Khgl ORDER BY rowid"));
    std::vector<RowId> ids;
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    return ids;
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
    QSqlQuery q = data::exec(
        db_, QStringLiteral("SELECT rowid, %1 FROM Basic_Khgl").arg(data::quoteId(columns().at(k))));
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

QSqlQuery CustomerStore::pickerRows() const {
    static const QString sql = QStringLiteral("SELECT  ") + columnList() + QStringLiteral(" FROM Basic_Khgl");
    if (!db_.isOpen())
        throw data::DbError(QStringLiteral("数据库连接未打开"));
    QSqlQuery q(db_);
    if (!q.exec(sql))
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
