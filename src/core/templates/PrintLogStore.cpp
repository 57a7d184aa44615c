#include "templates/PrintLogStore.h"

#include "data/Schema.h"
#include "printing/PrintJobStore.h"
#include "templates/CounterStore.h"
#include "templates/PointRules.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vorlan::templates {

using data::DbError;
using data::exec;
using data::quoteId;

namespace {

const QString& kDate = PrintLogStore::kDateColumn;

bool containsNoCase(const QStringList& list, const QString& s) {
    return list.contains(s, Qt::CaseInsensitive);
}

using data::SchemaObject;

// The date index of a log table made before index names were reserved: it may stand where a new
// template's table is to go, and is then moved out of the way.
bool isLegacyLogIndex(const SchemaObject& o) {
    return o.kind == SchemaObject::Kind::Index && !data::schema::isBaseTable(o.table) &&
           PrintLogStore::sameName(o.name, PrintLogStore::legacyIndexName(o.table));
}

QString createIndex(const QString& table) {
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
        .arg(quoteId(PrintLogStore::indexName(table)), quoteId(table), quoteId(kDate));
}

// The key of a new log table: its own name, unless an input point already has it.
QString newKeyName(const QStringList& columns) {
    QString name = PrintLogStore::kKeyColumn;
    for (int n = 2; columns.contains(name, Qt::CaseInsensitive); ++n)
        name = PrintLogStore::kKeyColumn + QString::number(n);
    return name;
}

bool isLogTable(const data::Engine& e, const QString& table) {
    return !data::schema::isBaseTable(table) && e.columns(table).contains(kDate);
}

} // namespace

PrintLogStore::PrintLogStore(data::Engine engine) : engine_(std::move(engine)) {}

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
    if (shared()) {
        // The name as the template's log was made, letter case aside as in a file.
        return data::scalar(
                   engine_,
                   QStringLiteral("SELECT template FROM %1 WHERE %2 ORDER BY template = CAST(? AS text) "
                                  "DESC LIMIT 1")
                       .arg(kSharedColumns, engine_.equalsFolded(QStringLiteral("template"))),
                   {templateName, templateName})
            .toString();
    }
    return engine_.tableNamed(templateName);
}

bool PrintLogStore::shared() const {
    return engine_.logLayout() == data::LogLayout::SharedTable;
}

QStringList PrintLogStore::sharedColumns(const QString& name) const {
    QStringList cols;
    QSqlQuery q = exec(
        engine_, QStringLiteral("SELECT name FROM %1 WHERE template = ? ORDER BY pos").arg(kSharedColumns),
        {name});
    while (q.next())
        cols << q.value(0).toString();
    return cols;
}

void PrintLogStore::createShared(const data::Engine& e) {
    const QString text = e.typeName(data::ColumnType::Text);
    exec(e, QStringLiteral(
                "CREATE TABLE %1 (%2, template %3 NOT NULL, counter %3 NOT NULL DEFAULT '', printed_at %3 "
                "NOT NULL, vals JSONB NOT NULL)")
                .arg(kSharedTable, e.keyColumnDefinition(QStringLiteral("id")), text));
    exec(e,
         QStringLiteral("CREATE INDEX vorlan_log_when ON %1 (template, printed_at, id)").arg(kSharedTable));
    exec(e, QStringLiteral("CREATE TABLE %1 (template %2 NOT NULL, pos INTEGER NOT NULL, name %2 NOT NULL, "
                           "PRIMARY KEY (template, pos))")
                .arg(kSharedColumns, text));
}

std::optional<LogTable> PrintLogStore::find(const QString& templateName) const {
    LogTable t;
    t.name = tableName(templateName);
    if (t.name.isEmpty())
        return std::nullopt;
    if (shared()) {
        t.shared = true;
        t.columns = sharedColumns(t.name);
        t.key = QStringLiteral("id");
        if (t.columns.isEmpty())
            return std::nullopt;
        return t;
    }
    t.columns = engine_.columns(t.name);
    const QString key = engine_.keyColumn(t.name);
    if (key.isEmpty()) {
        // A file of an older version opened only for reading: the engine's own row numbers serve.
        t.key = engine_.legacyRowKey(t.columns);
    } else {
        t.columns.removeAll(key);
        t.key = quoteId(key);
    }
    if (t.columns.isEmpty())
        return std::nullopt;
    return t;
}

QString PrintLogStore::tableNameProblem(const QString& templateName) const {
    if (QString problem = nameProblem(templateName); !problem.isEmpty())
        return problem;
    if (shared() || !tableName(templateName).isEmpty())
        return QString();
    if (templateName.startsWith(kIndexPrefix, Qt::CaseInsensitive))
        return QStringLiteral(
                   "模板名称不能以“%1”开头，这样的名称留给打印记录表的索引使用，请在模板目录中换一个名称！")
            .arg(kIndexPrefix);
    const auto o = engine_.objectNamed(templateName);
    if (o && o->kind != SchemaObject::Kind::Table && !isLegacyLogIndex(*o))
        return QStringLiteral("模板名称“%1”与数据库中已有的%2“%3”同名，不能使用，请在模板目录中换一个名称！")
            .arg(templateName,
                 o->kind == SchemaObject::Kind::View ? QStringLiteral("视图") : QStringLiteral("索引"),
                 o->name);
    return QString();
}

QStringList PrintLogStore::updateStatements(const Template& t, const PendingColumns& pending) const {
    QStringList out;
    if (shared())
        return out;
    const QString table = tableName(t.name);
    if (!table.isEmpty()) {
        // One column per statement: add the new names, then drop the deleted ones. A column that is
        // already there is not added twice, and one that is gone is not dropped.
        QStringList columns = engine_.columns(table);
        const QString key = engine_.keyColumn(table);
        for (const QString& n : pending.added) {
            if (!key.isEmpty() && n.compare(key, Qt::CaseInsensitive) == 0)
                throw DbError(
                    QStringLiteral("输入点名称不能是“%1”，它是打印记录表的记录号列，请改名后再保存！")
                        .arg(key));
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
    if (const auto o = engine_.objectNamed(t.name); o && isLegacyLogIndex(*o)) {
        out << QStringLiteral("DROP INDEX %1").arg(quoteId(o->name));
        if (!engine_.objectNamed(indexName(o->table)) && engine_.columns(o->table).contains(kDate))
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
    cols << engine_.keyColumnDefinition(newKeyName(seen));
    out << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteId(t.name), cols.join(QLatin1Char(',')));
    // The index only speeds up the history query: where its name is taken (by a table made before index
    // names were reserved) the table goes without it.
    if (!engine_.objectNamed(indexName(t.name)))
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
    if (shared()) {
        bringSharedUpToDate(t, pending);
        return;
    }
    for (const QString& sql : updateStatements(t, pending))
        exec(engine_, sql);
    pending.clear();
}

void PrintLogStore::bringSharedUpToDate(const Template& t, PendingColumns& pending) const {
    // The columns are rows: the others' sheets go on being written meanwhile. As in a table of its own, a
    // new name comes last, a deleted one takes its values with it, and the date stays first.
    const QString existing = tableName(t.name);
    const QString name = existing.isEmpty() ? t.name : existing;
    QStringList columns = sharedColumns(name);
    if (columns.isEmpty()) {
        columns << kDate;
        for (const PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                const QString& n = (*fam)[i].name;
                if (!n.isEmpty() && !containsNoCase(columns, n))
                    columns << n;
            }
    } else {
        for (const QString& n : pending.added)
            if (!n.isEmpty() && !containsNoCase(columns, n))
                columns << n;
        for (const QString& n : pending.deleted) {
            if (n.isEmpty() || n.compare(kDate, Qt::CaseInsensitive) == 0)
                continue;
            for (qsizetype i = columns.size() - 1; i > 0; --i)
                if (columns.at(i).compare(n, Qt::CaseInsensitive) == 0) {
                    // jsonb_exists() rather than its operator, which reads as a parameter mark here.
                    exec(engine_,
                         QStringLiteral("UPDATE %1 SET vals = vals - CAST(? AS text) WHERE template = ? AND "
                                        "jsonb_exists(vals, CAST(? AS text))")
                             .arg(kSharedTable),
                         {columns.at(i), name, columns.at(i)});
                    columns.removeAt(i);
                }
        }
    }
    exec(engine_, QStringLiteral("DELETE FROM %1 WHERE template = ?").arg(kSharedColumns), {name});
    QSqlQuery q = data::prepare(
        engine_, QStringLiteral("INSERT INTO %1 (template, pos, name) VALUES (?, ?, ?)").arg(kSharedColumns));
    for (int i = 0; i < columns.size(); ++i)
        data::run(q, {name, i, columns.at(i)});
    pending.clear();
}

void PrintLogStore::drop(const QString& templateName) const {
    const QString table = tableName(templateName);
    if (table.isEmpty())
        return;
    // A table made again under the name numbers its sheets afresh: no job of the old sheets may stay.
    printing::PrintJobStore(engine_).removeAll(table);
    if (shared()) {
        exec(engine_, QStringLiteral("DELETE FROM %1 WHERE template = ?").arg(kSharedTable), {table});
        exec(engine_, QStringLiteral("DELETE FROM %1 WHERE template = ?").arg(kSharedColumns), {table});
        return;
    }
    exec(engine_, QStringLiteral("DROP TABLE ") + quoteId(table));
}

void PrintLogStore::insert(const QString& templateName, const QDateTime& when,
                           const QList<LogValue>& values) const {
    insertMany(templateName, when, {values});
}

QList<qint64> PrintLogStore::insertMany(const QString& templateName, const QDateTime& when,
                                        const QList<QList<LogValue>>& rows) const {
    if (data::schema::isBaseTable(templateName))
        throw DbError(QStringLiteral("模板名称不能用作打印记录表的名称"));
    const QString table = tableName(templateName);
    if (table.isEmpty())
        throw MissingLogTable(QStringLiteral("模板“%1”还没有打印记录表").arg(templateName));
    const QVariant at = data::dateTimeText(when);
    data::Transaction tx(engine_);
    // A table of its own is written by one counter at a time: the write lock first, so that another
    // counter's sheets written between this read of the columns and the insert cannot refuse it.
    if (!shared())
        engine_.lockForWriting(table);
    // The columns as they are now. A template changed elsewhere since these sheets were filled (an input
    // point deleted or renamed) is named, and nothing is written.
    const QStringList present = shared() ? sharedColumns(table) : engine_.columns(table);
    if (present.isEmpty())
        throw MissingLogTable(QStringLiteral("模板“%1”还没有打印记录表").arg(templateName));
    QList<qint64> keys;
    keys.reserve(rows.size());
    auto columnOf = [&](const LogValue& v) -> QString {
        for (const QString& c : present)
            if (c.compare(v.column, Qt::CaseInsensitive) == 0)
                return c;
        return {};
    };
    for (const QList<LogValue>& values : rows)
        for (const LogValue& v : values)
            if (columnOf(v).isEmpty() || v.column.compare(kDate, Qt::CaseInsensitive) == 0)
                throw DbError(
                    QStringLiteral("模板“%1”的打印记录表没有“%2”列：模板已在别处修改过，请关闭打印窗口，"
                                   "重新打开模板后再打印。")
                        .arg(templateName, v.column));
    if (shared()) {
        QSqlQuery q =
            data::prepare(engine_, QStringLiteral("INSERT INTO %1 (template, counter, printed_at, vals) "
                                                  "VALUES (?, ?, ?, CAST(? AS jsonb)) RETURNING id")
                                       .arg(kSharedTable));
        const QString counter = CounterStore::thisCounter();
        for (const QList<LogValue>& values : rows) {
            QJsonObject o;
            for (const LogValue& v : values)
                o.insert(columnOf(v), data::textValue(v.text).toString());
            data::run(
                q, {table, counter, at, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact))});
            keys << (q.next() ? q.value(0).toLongLong() : 0);
        }
        tx.commit();
        return keys;
    }
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
            q = data::prepare(engine_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                           .arg(quoteId(table), columns.join(QStringLiteral(", ")),
                                                marks.join(QStringLiteral(", "))));
            preparedFor = columns;
        }
        data::run(q, params);
        keys << q.lastInsertId().toLongLong();
    }
    tx.commit();
    return keys;
}

LogStatement PrintLogStore::buildQuery(const LogTable& table, const LogCriteria& c) {
    // An unknown name in double quotes would be taken as a text by SQLite, so each is checked here.
    if (!table.columns.contains(kDate))
        throw DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, kDate));
    if (!c.column.isEmpty() && !table.columns.contains(c.column))
        throw DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, c.column));
    QStringList select{table.key};
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
             QStringLiteral(", ") + table.key;
    s.params << QVariant(data::dateText(c.start) + QStringLiteral(" 00:00:00"))
             << QVariant(data::dateText(c.end) + QStringLiteral(" 23:59:59"));
    return s;
}

namespace {

data::RowBatch copierBatch(const data::Engine& e, const LogTable& to, const QStringList& columns) {
    if (to.shared)
        return data::RowBatch(
            e.db(),
            QStringLiteral("INSERT INTO %1 (template, printed_at, vals)").arg(PrintLogStore::kSharedTable),
            QStringLiteral("(?, ?, CAST(? AS jsonb))"), 3);
    QStringList names{quoteId(PrintLogStore::kDateColumn)};
    QStringList marks{QStringLiteral("?")};
    for (const QString& c : columns) {
        names << quoteId(c);
        marks << QStringLiteral("?");
    }
    return data::RowBatch(
        e.db(), QStringLiteral("INSERT INTO %1 (%2)").arg(quoteId(to.name), names.join(QStringLiteral(", "))),
        QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')'), int(marks.size()));
}

} // namespace

PrintLogStore::Copier::Copier(const PrintLogStore& store, const LogTable& to, const QStringList& columns)
    : table_(to.name), columns_(columns), shared_(to.shared),
      insert_(copierBatch(store.engine_, to, columns)) {}

void PrintLogStore::Copier::add(const QDateTime& when, const QVariantList& values) {
    const QString at = data::dateTimeText(when);
    if (shared_) {
        // A value never logged stays out of the sheet's values, and reads back as Null.
        QJsonObject o;
        for (qsizetype i = 0; i < values.size() && i < columns_.size(); ++i)
            if (!values.at(i).isNull())
                o.insert(columns_.at(i), values.at(i).toString());
        insert_.add({table_, at, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact))});
        return;
    }
    QVariantList params{at};
    params << values;
    insert_.add(params);
}

LogStatement PrintLogStore::statement(const LogTable& table, const LogCriteria& c) const {
    if (!table.shared)
        return buildQuery(table, c);
    if (!table.columns.contains(kDate))
        throw DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, kDate));
    if (!c.column.isEmpty() && !table.columns.contains(c.column))
        throw DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, c.column));
    // The same columns in the same order as a table of its own gives them: the key, then the date and
    // the values by input point (a value never logged reads as Null, as a column added later).
    LogStatement s;
    QStringList select{QStringLiteral("id")};
    for (const QString& col : table.columns) {
        if (col == kDate) {
            select << QStringLiteral("printed_at");
            continue;
        }
        select << QStringLiteral("vals ->> CAST(? AS text)");
        s.params << col;
    }
    s.sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
            kSharedTable + QStringLiteral(" WHERE template = ? AND printed_at >= ? AND printed_at <= ?");
    s.params << table.name << QVariant(data::dateText(c.start) + QStringLiteral(" 00:00:00"))
             << QVariant(data::dateText(c.end) + QStringLiteral(" 23:59:59"));
    if (!c.column.isEmpty()) {
        // A sheet without the value matches no text, not even the empty one, as a Null in a column.
        s.sql += QStringLiteral(" AND ") +
                 engine_.likeFolded(c.column == kDate ? QStringLiteral("printed_at")
                                                      : QStringLiteral("(vals ->> CAST(? AS text))"));
        if (c.column != kDate)
            s.params << c.column;
        s.params << QVariant(QLatin1Char('%') + data::likeEscape(c.text) + QLatin1Char('%'));
    }
    s.sql += QStringLiteral(" ORDER BY printed_at, id");
    return s;
}

QSqlQuery PrintLogStore::query(const LogTable& table, const LogCriteria& c, bool withJobs) const {
    LogStatement s = statement(table, c);
    if (withJobs && keepsJobs(table)) {
        const QString key = QStringLiteral("s.") + table.key;
        const QString date =
            QStringLiteral("s.") + (table.shared ? QStringLiteral("printed_at") : quoteId(kDate));
        s.sql = QStringLiteral("SELECT s.*, %1 FROM (%2) AS s %3 ORDER BY %4, %5")
                    .arg(printing::PrintJobStore::joinedColumns(), s.sql,
                         printing::PrintJobStore::joinOn(key), date, key);
        s.params << table.name;
    }
    return exec(engine_, s.sql, s.params);
}

QSqlQuery PrintLogStore::queryKeys(const LogTable& table, const QList<qint64>& keys) const {
    LogCriteria every;
    every.start = QDate(1, 1, 1);
    every.end = QDate(9999, 12, 31);
    LogStatement s = statement(table, every);
    // Both statements end in their order; the keys go in front of it, as the last parameter.
    const qsizetype order = s.sql.lastIndexOf(QStringLiteral(" ORDER BY "));
    s.sql.insert(order, QStringLiteral(" AND %1 IN (SELECT id FROM %2 AS k)")
                            .arg(table.shared ? QStringLiteral("id") : table.key, engine_.idListSource()));
    s.params << engine_.idListValue(std::vector<qint64>(keys.begin(), keys.end()));
    return exec(engine_, s.sql, s.params);
}

void PrintLogStore::deleteRows(const LogTable& table, const QList<qint64>& keys) const {
    if (keys.isEmpty())
        return;
    const QString sql = table.shared
                            ? QStringLiteral("DELETE FROM %1 WHERE id = ? AND template = ?").arg(kSharedTable)
                            : QStringLiteral("DELETE FROM ") + quoteId(table.name) +
                                  QStringLiteral(" WHERE ") + table.key + QStringLiteral(" = ?");
    data::Transaction t(engine_);
    QSqlQuery q = data::prepare(engine_, sql);
    for (const qint64 id : keys)
        data::run(q, table.shared ? QVariantList{id, table.name} : QVariantList{id});
    printing::PrintJobStore(engine_).remove(table.name, keys);
    t.commit();
}

void PrintLogStore::addKeys() const {
    if (shared())
        return;
    for (const QString& table : engine_.tables())
        if (isLogTable(engine_, table) && engine_.keyColumn(table).isEmpty())
            engine_.addKeyColumn(table, newKeyName(engine_.columns(table)));
}

} // namespace vorlan::templates
