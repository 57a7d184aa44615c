#include "customers/CustomerStore.h"

#include "data/Schema.h"
#include "data/Sql.h"

#include <QSqlError>
#include <QVariant>

namespace vorlan::customers {

namespace {

// A null QString would be bound as SQL Null; the table holds empty texts, never Null.
QVariant text(const QString& s)
{
    static const QString empty = QStringLiteral("");
    return QVariant(s.isNull() ? empty : s);
}

QString insertSql()
{
    QStringList cols;
    QStringList marks;
    for (const QString& c : data::schema::customerColumns()) {
        cols << data::quoteId(c);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO Basic_Khgl (") + cols.join(QLatin1Char(',')) + QStringLiteral(") VALUES (")
           + marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

const QString& lookupSql()
{
    static const QString sql = QStringLiteral("SELECT 1 FROM Basic_Khgl WHERE \"客户名称\" = ? COLLATE NOCASE LIMIT 1");
    return sql;
}

const QString& deleteSql()
{
    static const QString sql = QStringLiteral("DELETE FROM Basic_Khgl WHERE \"客户名称\" = ? COLLATE NOCASE");
    return sql;
}

QVariantList values(const Customer& c)
{
    QVariantList v;
    v.reserve(kFieldCount);
    for (const QString& f : c) v << text(f);
    return v;
}

QString describe(const QSqlError& e)
{
    const QString t = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return t.isEmpty() ? QStringLiteral("数据库操作失败") : t;
}

QSqlQuery prepared(const QSqlDatabase& db, const QString& sql)
{
    if (!db.isOpen()) throw data::DbError(QStringLiteral("数据库连接未打开"));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw data::DbError(describe(q.lastError()));
    return q;
}

void run(QSqlQuery& q, const QVariantList& params)
{
    for (int i = 0; i < params.size(); ++i) q.bindValue(i, params.at(i));
    if (!q.exec()) throw data::DbError(describe(q.lastError()));
}

} // namespace

Customer trimmed(const Customer& c)
{
    Customer t;
    for (int i = 0; i < kFieldCount; ++i) t[i] = c[i].trimmed();
    return t;
}

bool sameName(const QString& a, const QString& b)
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

CustomerStore::CustomerStore(const QSqlDatabase& db)
    : db_(db)
{
}

QList<Customer> CustomerStore::all() const
{
    QSqlQuery q = data::exec(db_, QStringLiteral("select * from Basic_Khgl"));
    QList<Customer> rows;
    while (q.next()) {
        Customer c;
        for (int i = 0; i < kFieldCount; ++i) c[i] = data::nullToEmpty(q.value(i));
        rows.append(std::move(c));
    }
    return rows;
}

bool CustomerStore::exists(const QString& name) const
{
    return data::scalar(db_, lookupSql(), {text(name)}).isValid();
}

void CustomerStore::insert(const Customer& c) { data::exec(db_, insertSql(), values(c)); }

void CustomerStore::replace(const QString& name, const Customer& c)
{
    data::Transaction t(db_);
    data::exec(db_, deleteSql(), {text(name)});
    data::exec(db_, insertSql(), values(c));
    t.commit();
}

void CustomerStore::remove(const QStringList& names)
{
    if (names.isEmpty()) return;
    data::Transaction t(db_);
    QSqlQuery q = prepared(db_, deleteSql());
    for (const QString& n : names) run(q, {text(n)});
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
    if (!db_.transaction()) throw data::DbError(describe(db_.lastError()));
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
        const QString why = describe(db_.lastError());
        db_.rollback();
        throw data::DbError(why);
    }
}

bool ImportSession::exists(const QString& name)
{
    if (!lookup_) lookup_ = prepared(db_, lookupSql());
    run(*lookup_, {text(name)});
    const bool found = lookup_->next();
    lookup_->finish();
    return found;
}

void ImportSession::insert(const Customer& c)
{
    begin();
    if (!insert_) insert_ = prepared(db_, insertSql());
    run(*insert_, values(c));
}

void ImportSession::replace(const QString& name, const Customer& c)
{
    // Rows gathered so far are saved first, so that a failing overwrite undoes only itself.
    commit();
    begin();
    try {
        data::exec(db_, deleteSql(), {text(name)});
        insert(c);
        commit();
    } catch (...) {
        rollback();
        throw;
    }
}

} // namespace vorlan::customers
