#include "data/Sql.h"

#include "data/Engine.h"
#include "data/PostgresEngine.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>

#include <algorithm>

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
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        // Flags live in number columns: a server would not take true and false for them.
        if (v.typeId() == QMetaType::Bool)
            q.bindValue(i, v.isNull() ? QVariant(QMetaType::fromType<int>()) : QVariant(v.toBool() ? 1 : 0));
        else
            q.bindValue(i, v);
    }
    if (!q.exec())
        throw DbError(describe(q.lastError()));
}

namespace {

constexpr int kBatchRows = 500;
constexpr int kBatchParameters = 30000;         // below the embedded engine's limit of bound values
constexpr qint64 kBatchBytes = 4 * 1024 * 1024; // a server receives the values as text in the statement

qint64 boundSize(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QByteArray:
        return 2 * v.toByteArray().size(); // sent escaped
    case QMetaType::QString:
        return 3 * v.toString().size();
    default:
        return 16;
    }
}

QString batchStatement(const QString& head, const QString& group, int rows) {
    QString sql = head + QStringLiteral(" VALUES ");
    sql.reserve(sql.size() + rows * (group.size() + 2));
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            sql += QStringLiteral(", ");
        sql += group;
    }
    return sql;
}

} // namespace

RowBatch::RowBatch(const QSqlDatabase& db, const QString& head, const QString& group, int width)
    : db_(db), head_(head), group_(group), width_(std::max(1, width)),
      perStatement_(std::clamp(kBatchParameters / std::max(1, width), 1, kBatchRows)) {}

void RowBatch::add(const QVariantList& row) {
    pending_ << row;
    for (const QVariant& v : row)
        bytes_ += boundSize(v);
    if (pending_.size() >= qsizetype(perStatement_) * width_ || bytes_ >= kBatchBytes)
        flush();
}

void RowBatch::finish() {
    flush();
}

void RowBatch::flush() {
    const int rows = int(pending_.size() / width_);
    if (rows == 0)
        return;
    if (rows == perStatement_) {
        if (!fullPrepared_) {
            full_ = prepare(db_, batchStatement(head_, group_, rows));
            fullPrepared_ = true;
        }
        run(full_, pending_);
    } else {
        QSqlQuery q = prepare(db_, batchStatement(head_, group_, rows));
        run(q, pending_);
    }
    pending_.clear();
    bytes_ = 0;
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

namespace {
// The connections with a transaction open, by name: a transaction begun inside another is part of it.
QHash<QString, int>& openTransactions() {
    static QHash<QString, int> open;
    return open;
}
} // namespace

Transaction::Transaction(const QSqlDatabase& db) : db_(db) {
    int& depth = openTransactions()[db_.connectionName()];
    if (depth > 0) {
        outermost_ = false;
        ++depth;
        return;
    }
    if (!db_.transaction())
        throw DbError(describe(db_.lastError()));
    depth = 1;
}

Transaction::Transaction(const Engine& e) : Transaction(e.db()) {}

Transaction::~Transaction() {
    auto& open = openTransactions();
    if (outermost_)
        open.remove(db_.connectionName());
    else if (auto it = open.find(db_.connectionName()); it != open.end())
        --*it;
    // An inner one that ends without its commit leaves the rollback to the outermost, whose work it
    // was part of (its failure is on its way there).
    if (!done_ && outermost_)
        db_.rollback();
}

void Transaction::commit() {
    done_ = true;
    if (!outermost_)
        return;
    if (!db_.commit()) {
        const QString why = describe(db_.lastError());
        db_.rollback();
        throw DbError(why);
    }
}

} // namespace vorlan::data
