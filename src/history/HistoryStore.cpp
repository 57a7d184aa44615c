#include "history/HistoryStore.h"

#include "data/Schema.h"
#include "data/Sql.h"

#include <QTime>

namespace vorlan::history {

using data::exec;
using data::quoteId;

namespace {

QString printDate() { return QString::fromUtf8(kPrintDateColumn); }

// A column of the log table may itself be called rowid; take the first alias it does not hide.
QString rowIdAlias(const QStringList& columns)
{
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        const QString a = QString::fromLatin1(alias);
        if (!columns.contains(a, Qt::CaseInsensitive)) return a;
    }
    throw data::DbError(QStringLiteral("打印记录表的列名占用了记录标识，无法区分各条记录"));
}

} // namespace

std::optional<LogTable> findLogTable(const QSqlDatabase& db, const QString& templateName)
{
    if (templateName.isEmpty() || data::schema::isBaseTable(templateName)) return std::nullopt;
    QSqlQuery q = exec(db,
                       QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? "
                                      "COLLATE NOCASE ORDER BY name = ? DESC LIMIT 1"),
                       {templateName, templateName});
    if (!q.next()) return std::nullopt;
    LogTable t;
    t.name = q.value(0).toString();
    q.finish();
    QSqlQuery cols = exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {t.name});
    while (cols.next()) t.columns << cols.value(0).toString();
    if (t.columns.isEmpty()) return std::nullopt;
    t.rowId = rowIdAlias(t.columns);
    return t;
}

Statement buildQuery(const LogTable& table, const Criteria& c)
{
    // An unknown name in double quotes would be taken as a text by SQLite, so each is checked here.
    if (!table.columns.contains(printDate()))
        throw data::DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, printDate()));
    if (!c.column.isEmpty() && !table.columns.contains(c.column))
        throw data::DbError(QStringLiteral("打印记录表“%1”没有“%2”列").arg(table.name, c.column));
    QStringList select{table.rowId};
    for (const QString& col : table.columns) select << quoteId(col);
    Statement s;
    s.sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
            quoteId(table.name) + QStringLiteral(" WHERE ");
    if (!c.column.isEmpty()) {
        s.sql += quoteId(c.column) + QStringLiteral(" LIKE ? ESCAPE '\\' AND ");
        s.params << QVariant(QLatin1Char('%') + data::likeEscape(c.text) + QLatin1Char('%'));
    }
    const QString date = quoteId(printDate());
    s.sql += date + QStringLiteral(" >= ? AND ") + date + QStringLiteral(" <= ? ORDER BY ") + date +
             QStringLiteral(", ") + table.rowId;
    s.params << QVariant(data::dateText(c.start) + QStringLiteral(" 00:00:00"))
             << QVariant(data::dateText(c.end) + QStringLiteral(" 23:59:59"));
    return s;
}

QSqlQuery runQuery(const QSqlDatabase& db, const LogTable& table, const Criteria& c)
{
    const Statement s = buildQuery(table, c);
    return exec(db, s.sql, s.params);
}

void deleteRows(const QSqlDatabase& db, const LogTable& table, const QList<qint64>& rowIds)
{
    if (rowIds.isEmpty()) return;
    const QString sql = QStringLiteral("DELETE FROM ") + quoteId(table.name) + QStringLiteral(" WHERE ") +
                        table.rowId + QStringLiteral(" = ?");
    data::Transaction t(db);
    for (const qint64 id : rowIds) exec(db, sql, {id});
    t.commit();
}

QString printTimeText(const QVariant& v)
{
    const QString text = data::nullToEmpty(v);
    // Stored as "yyyy-mm-dd hh:mm:ss"; a 'T' separator or fractions of a second are tolerated.
    if (text.size() >= 10) {
        const QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) {
            if (text.size() == 10) return text + QStringLiteral(" 00:00:00");
            const QChar sep = text.at(10);
            const QTime t = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
            if ((sep == QLatin1Char(' ') || sep == QLatin1Char('T')) && t.isValid())
                return text.left(10) + QLatin1Char(' ') + text.mid(11, 8);
        }
    }
    return text;
}

} // namespace vorlan::history
