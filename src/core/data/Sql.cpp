#include "data/Sql.h"

#include "data/Engine.h"
#include "data/PostgresEngine.h"

#include <QDateTime>
#include <QSqlError>

namespace vorlan::data {

QString quoteId(const QString& name) {
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString likeEscape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString describe(const QSqlError& e) {
    QString text = e.databaseText();
    if (text.isEmpty())
        text = e.text();
    return text.isEmpty() ? QStringLiteral("数据库操作失败") : postgres::describeFailure(text);
}

QVariant textValue(const QString& s) {
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}

QSqlQuery prepare(const QSqlDatabase& db, const QString& sql) {
    if (!db.isOpen())
        throw DbError(QStringLiteral("数据库连接未打开"));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DbError(describe(q.lastError()));
    return q;
}

void run(QSqlQuery& q, const QVariantList& params) {
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, params.at(i));
    if (!q.exec())
        throw DbError(describe(q.lastError()));
}

QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    if (params.isEmpty()) {
        // Sent as it stands: a server prepares only queries and changes of rows, not its schema statements.
        if (!db.isOpen())
            throw DbError(QStringLiteral("数据库连接未打开"));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(sql))
            throw DbError(describe(q.lastError()));
        return q;
    }
    QSqlQuery q = prepare(db, sql);
    run(q, params);
    return q;
}

QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    QSqlQuery q = exec(db, sql, params);
    if (q.next())
        return q.value(0);
    return {};
}

QString nullToEmpty(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QString();
    return v.toString();
}

QString dateTimeText(const QDateTime& dt) {
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

bool tableExists(const QSqlDatabase& db, const QString& name) {
    return Engine(db).tableExists(name);
}

Transaction::Transaction(const QSqlDatabase& db) : db_(db) {
    if (!db_.transaction())
        throw DbError(describe(db_.lastError()));
}

Transaction::Transaction(const Engine& e) : Transaction(e.db()) {}

Transaction::~Transaction() {
    if (!done_)
        db_.rollback();
}

void Transaction::commit() {
    if (!db_.commit()) {
        const QString why = describe(db_.lastError());
        db_.rollback();
        done_ = true;
        throw DbError(why);
    }
    done_ = true;
}

} // namespace vorlan::data
