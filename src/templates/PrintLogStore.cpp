#include "templates/PrintLogStore.h"

#include "data/Schema.h"
#include "templates/PointRules.h"

namespace vorlan::templates {

using data::DbError;
using data::exec;
using data::quoteId;

namespace {

const QString& kDate = PrintLogStore::kDateColumn;

QStringList columnsOf(const QSqlDatabase& db, const QString& table) {
    QStringList cols;
    QSqlQuery q = exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
    while (q.next())
        cols << q.value(0).toString();
    return cols;
}

bool containsNoCase(const QStringList& list, const QString& s) {
    return list.contains(s, Qt::CaseInsensitive);
}

// A table, index or view: they share one set of names, in which ASCII letter case does not count.
struct SchemaObject {
    QString type;
    QString name;
    QString table;
};

std::optional<SchemaObject> objectNamed(const QSqlDatabase& db, const QString& name) {
    QSqlQuery q =
        exec(db,
             QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master WHERE name = ? COLLATE NOCASE "
                            "AND type IN ('table', 'index', 'view') LIMIT 1"),
             {name});
    if (!q.next())
        return std::nullopt;
    return SchemaObject{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

// The date index of a log table made before index names were reserved: it may stand where a new
// template's table is to go, and is then moved out of the way.
bool isLegacyLogIndex(const SchemaObject& o) {
    return o.type == QLatin1String("index") && !data::schema::isBaseTable(o.table) &&
           PrintLogStore::sameName(o.name, PrintLogStore::legacyIndexName(o.table));
}

QString createIndex(const QString& table) {
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
        .arg(quoteId(PrintLogStore::indexName(table)), quoteId(table), quoteId(kDate));
}

// A column of the log table may itself be called rowid; take the first alias it does not hide.
QString rowIdAlias(const QStringList& columns) {
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        const QString a = QString::fromLatin1(alias);
        if (!columns.contains(a, Qt::CaseInsensitive))
            return a;
    }
    throw DbError(QStringLiteral("打印记录表的列名占用了记录标识，无法区分各条记录"));
}

} // namespace

PrintLogStore::PrintLogStore(QSqlDatabase db) : db_(std::move(db)) {}

QString PrintLogStore::nameProblem(const QString& templateName) {
    if (templateName.trimmed().isEmpty())
        return QStringLiteral("模板名称不能为空，请在模板目录中为模板起一个名称！");
    if (QString problem = controlCharacterProblem(templateName, QStringLiteral("模板名称"));
        !problem.isEmpty())
        return problem;
    if (data::schema::isBaseTable(templateName))
        return QStringLiteral("模板名称“%1”与系统数据表同名，不能使用，请在模板目录中换一个名称！")
            .arg(templateName);
    return QString();
}

bool PrintLogStore::sameName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y)
            continue;
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}

QString PrintLogStore::indexName(const QString& table) {
    return kIndexPrefix + table;
}

QString PrintLogStore::legacyIndexName(const QString& table) {
    return QStringLiteral("idx_") + table + QLatin1Char('_') + kDate;
}

QString PrintLogStore::tableName(const QString& templateName) const {
    if (!nameProblem(templateName).isEmpty())
        return QString();
    // SQLite itself keeps no two tables whose names differ only in ASCII case; should it ever hold
    // both, the exact name wins.
    return data::nullToEmpty(
        data::scalar(db_,
                     QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                    "name = ? COLLATE NOCASE ORDER BY name = ? DESC LIMIT 1"),
                     {templateName, templateName}));
}

std::optional<LogTable> PrintLogStore::find(const QString& templateName) const {
    LogTable t;
    t.name = tableName(templateName);
    if (t.name.isEmpty())
        return std::nullopt;
    t.columns = columnsOf(db_, t.name);
    if (t.columns.isEmpty())
        return std::nullopt;
    t.rowId = rowIdAlias(t.columns);
    return t;
}

QString PrintLogStore::tableNameProblem(const QString& templateName) const {
    if (QString problem = nameProblem(templateName); !problem.isEmpty())
        return problem;
    if (!tableName(templateName).isEmpty())
        return QString();
    if (templateName.startsWith(kIndexPrefix, Qt::CaseInsensitive))
        return QStringLiteral(
                   "模板名称不能以“%1”开头，这样的名称留给打印记录表的索引使用，请在模板目录中换一个名称！")
            .arg(kIndexPrefix);
    const auto o = objectNamed(db_, templateName);
    if (o && o->type != QLatin1String("table") && !isLegacyLogIndex(*o))
        return QStringLiteral("模板名称“%1”与数据库中已有的%2“%3”同名，不能使用，请在模板目录中换一个名称！")
            .arg(templateName,
                 o->type == QLatin1String("view") ? QStringLiteral("视图") : QStringLiteral("索引"), o->name);
    return QString();
}

QStringList PrintLogStore::updateStatements(const Template& t, const PendingColumns& pending) const {
    QStringList out;
    const QString table = tableName(t.name);
    if (!table.isEmpty()) {
        // One column per statement: add the new names, then drop the deleted ones. A column that is
        // already there is not added twice, and one that is gone is not dropped.
        QStringList columns = columnsOf(db_, table);
        for (const QString& n : pending.added) {
            if (n.isEmpty() || containsNoCase(columns, n))
                continue;
            out << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 varchar(255)")
                       .arg(quoteId(table), quoteId(n));
            columns << n;
        }
        for (const QString& n : pending.deleted) {
            if (n.isEmpty() || !containsNoCase(columns, n) || n.compare(kDate, Qt::CaseInsensitive) == 0)
                continue;
            out << QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(quoteId(table), quoteId(n));
            columns.removeAll(n);
        }
        return out;
    }
    // The name may be held by another log table's date index under its old name: it moves to its own.
    if (const auto o = objectNamed(db_, t.name); o && isLegacyLogIndex(*o)) {
        out << QStringLiteral("DROP INDEX %1").arg(quoteId(o->name));
        if (!objectNamed(db_, indexName(o->table)) && columnsOf(db_, o->table).contains(kDate))
            out << createIndex(o->table);
    }
    QStringList cols{quoteId(kDate) + QStringLiteral(" datetime")};
    QStringList seen{kDate};
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i) {
            const QString& n = (*fam)[i].name;
            if (n.isEmpty() || containsNoCase(seen, n))
                continue;
            seen << n;
            cols << quoteId(n) + QStringLiteral(" varchar(255)");
        }
    out << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteId(t.name), cols.join(QLatin1Char(',')));
    // The index only speeds up the history query: where its name is taken (by a table made before index
    // names were reserved) the table goes without it.
    if (!objectNamed(db_, indexName(t.name)))
        out << createIndex(t.name);
    return out;
}

void PrintLogStore::bringUpToDate(const Template& t, PendingColumns& pending) const {
    if (QString problem = nameProblem(t.name); !problem.isEmpty())
        throw DbError(problem);
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i)
            if ((*fam)[i].name.compare(kDate, Qt::CaseInsensitive) == 0)
                throw DbError(QStringLiteral("输入点名称不能是“%1”，它是打印记录表的日期列，请改名后再保存！")
                                  .arg(kDate));
    for (const QString& sql : updateStatements(t, pending))
        exec(db_, sql);
    pending.clear();
}

void PrintLogStore::drop(const QString& templateName) const {
    const QString table = tableName(templateName);
    if (!table.isEmpty())
        exec(db_, QStringLiteral("DROP TABLE ") + quoteId(table));
}

void PrintLogStore::insert(const QString& templateName, const QDateTime& when,
                           const QList<LogValue>& values) const {
    insertMany(templateName, when, {values});
}

void PrintLogStore::insertMany(const QString& templateName, const QDateTime& when,
                               const QList<QList<LogValue>>& rows) const {
    if (data::schema::isBaseTable(templateName))
        throw DbError(QStringLiteral("模板名称不能用作打印记录表的名称"));
    const QString table = tableName(templateName);
    if (table.isEmpty())
        throw MissingLogTable(QStringLiteral("模板“%1”还没有打印记录表").arg(templateName));
    const QVariant at = data::dateTimeText(when);
    data::Transaction tx(db_);
    // The sheets of one template name the same columns: one statement prepared for all of them.
    QStringList preparedFor;
    QSqlQuery q;
    for (const QList<LogValue>& values : rows) {
        QStringList columns{quoteId(kDate)};
        QVariantList params{at};
        for (const LogValue& v : values) {
            columns << quoteId(v.column);
            params << data::textValue(v.text);
        }
        if (columns != preparedFor) {
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?");
            q = data::prepare(db_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(quoteId(table), columns.join(QStringLiteral(", ")),
                                            marks.join(QStringLiteral(", "))));
            preparedFor = columns;
        }
        data::run(q, params);
    }
    tx.commit();
}

LogStatement PrintLogStore::buildQuery(const LogTable& table, const LogCriteria& c) {
    // An unknown name in double quotes would be taken as a text by SQLite, so each is checked here.
    if (!table.columns.contains(kDate))
        throw DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, kDate));
    if (!c.column.isEmpty() && !table.columns.contains(c.column))
        throw DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, c.column));
    QStringList select{table.rowId};
    for (const QString& col : table.columns)
        select << quoteId(col);
    LogStatement s;
    s.sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
            quoteId(table.name) + QStringLiteral(" WHERE ");
    if (!c.column.isEmpty()) {
        s.sql += quoteId(c.column) + QStringLiteral(" LIKE ? ESCAPE '\\' AND ");
        s.params << QVariant(QLatin1Char('%') + data::likeEscape(c.text) + QLatin1Char('%'));
    }
    const QString date = quoteId(kDate);
    s.sql += date + QStringLiteral(" >= ? AND ") + date + QStringLiteral(" <= ? ORDER BY ") + date +
             QStringLiteral(", ") + table.rowId;
    s.params << QVariant(data::dateText(c.start) + QStringLiteral(" 00:00:00"))
             << QVariant(data::dateText(c.end) + QStringLiteral(" 23:59:59"));
    return s;
}

QSqlQuery PrintLogStore::query(const LogTable& table, const LogCriteria& c) const {
    const LogStatement s = buildQuery(table, c);
    return exec(db_, s.sql, s.params);
}

void PrintLogStore::deleteRows(const LogTable& table, const QList<qint64>& rowIds) const {
    if (rowIds.isEmpty())
        return;
    const QString sql = QStringLiteral("DELETE FROM ") + quoteId(table.name) + QStringLiteral(" WHERE ") +
                        table.rowId + QStringLiteral(" = ?");
    data::Transaction t(db_);
    QSqlQuery q = data::prepare(db_, sql);
    for (const qint64 id : rowIds)
        data::run(q, {id});
    t.commit();
}

} // namespace vorlan::templates
